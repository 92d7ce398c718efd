// The write-ahead log of a database file: what a torn or damaged log opens
// with, logs that are links, a read-only file with a log, processes taking
// turns on one file, and writers killed while appending and checkpointing.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/tsql/exec/session_impl.h"
#include "platform/tsql/storage/byte_io.h"
#include "platform/tsql/storage/checksum.h"
#include "platform/tsql/storage/database_file.h"
#include "platform/tsql/storage/database_image.h"
#include "platform/tsql/storage/file_databases.h"
#include "platform/tsql/storage/file_formats.h"
#include "platform/tsql/storage/killed_writer.h"
#include "platform/tsql/storage/storage_support.h"
#include "platform/tsql/storage/write_ahead_log.h"

namespace mls::tsql {
namespace {

using storage::WriteAheadLog;
using testing::errorOf;
using testing::exitStatus;
using testing::forkChild;
using testing::raised;
using testing::readBytes;
using testing::rows;
using testing::scalar;
using testing::writeBytes;

// Where each record of the log `log` starts.
std::vector<size_t> recordStarts(const std::vector<uint8_t>& log) {
  std::vector<size_t> starts;
  for (size_t at = WriteAheadLog::kHeaderSize; at + WriteAheadLog::kRecordHeaderSize <= log.size();) {
    starts.push_back(at);
    storage::ByteReader in(std::span<const uint8_t>(log).subspan(at + 8, 4));
    at += WriteAheadLog::kRecordHeaderSize + in.u32();
  }
  return starts;
}

using testing::Bytes;

Bytes slice(const Bytes& b, size_t from, size_t to) {
  return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from), b.begin() + static_cast<std::ptrdiff_t>(to));
}

Bytes joined(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts)
    out.insert(out.end(), p.begin(), p.end());
  return out;
}

class WriteAheadLogTest : public ::testing::Test {
 protected:
  testing::ScratchFolder folder_;
  std::string path_ = folder_.file("data.mlsdb");
  std::string log_ = path_ + "-wal";

  // A table t and one record per value, each written by its own session.
  void build(const std::vector<std::string>& values) { build(path_, values); }
  static void build(const std::string& path, const std::vector<std::string>& values) {
    {
      auto db = testing::openOrCreate(path);
      Session s(db);
      s.execute("CREATE TABLE t (id INT IDENTITY PRIMARY KEY, v NVARCHAR(20))");
    }
    for (const std::string& v : values) {
      auto db = Database::open(path);
      Session s(db);
      s.execute("INSERT t (v) VALUES (N'" + v + "')");
    }
  }

  // The last record of another database's log (its table t the same),
  // sealed there: inserting `value`.
  std::vector<uint8_t> foreignRecord(const std::string& value) {
    const std::string other = folder_.file("other-" + value + ".mlsdb");
    {
      auto db = testing::openOrCreate(other);
      Session s(db);
      s.execute("CREATE TABLE t (id INT IDENTITY PRIMARY KEY, v NVARCHAR(20))");
      s.execute("INSERT t (v) VALUES (N'" + value + "')");
    }
    const std::vector<uint8_t> log = readBytes(other + "-wal");
    return slice(log, recordStarts(log).back(), log.size());
  }

  // The counter and the records' payloads of the log beside the file.
  std::pair<uint64_t, std::vector<Bytes>> logged() {
    WriteAheadLog log(path_);
    EXPECT_TRUE(log.open(true));
    return {log.counter().value_or(0), log.read(0)};
  }

  // Opens the file while bytes of its log cannot be kept aside: it says
  // `said` once and reads `expected`; a write, a CHECKPOINT and the close's
  // checkpoint fail and change nothing.
  void expectWritesWait(const std::vector<std::string>& expected, const std::string& said) {
    {
      auto db = Database::open(path_);
      const std::vector<SqlMessage> messages = db->takeMessages();
      ASSERT_EQ(messages.size(), 1u);
      EXPECT_NE(messages[0].text.find(said), std::string::npos) << messages[0].text;
      Session s(db);
      EXPECT_EQ(raised([&] { s.execute("INSERT t (v) VALUES (N'no')"); }).number(), 3202);
      EXPECT_EQ(raised([&] { s.execute("CHECKPOINT"); }).number(), 3202);
      std::vector<std::string> read;
      for (const auto& r : rows(s, "SELECT v FROM t ORDER BY id"))
        read.emplace_back(r[0].asString());
      EXPECT_EQ(read, expected);
    }
    EXPECT_TRUE(storage::letGo(path_));
  }

  std::vector<std::string> values() {
    auto db = Database::open(path_);
    Session s(db);
    std::vector<std::string> out;
    for (const auto& r : rows(s, "SELECT v FROM t ORDER BY id"))
      out.emplace_back(r[0].asString());
    return out;
  }
};

// Bytes that end a log, after its last sealed record, with nothing valid
// after them: the records before them open, the bytes are kept in a file of
// their own beside the log, and opening says so once.  Damage, or records
// duplicated, left out, moved or copied in from another log, with a sealed
// record after it: the file is refused and left as it is.
TEST_F(WriteAheadLogTest, ADamagedTailIsKeptAsideAndDamageBeforeItRefused) {
  build({"a", "b", "c"});
  const Bytes good = readBytes(log_);
  const std::vector<size_t> starts = recordStarts(good);
  ASSERT_EQ(starts.size(), 4u);  // the table, then one record a value
  const size_t second = starts[1], third = starts[2], last = starts[3];
  const Bytes head = slice(good, 0, second), a = slice(good, second, third), b = slice(good, third, last),
              c = slice(good, last, good.size()), foreign = foreignRecord("x");
  auto flipped = [&](size_t at) {
    Bytes out = good;
    out[at] ^= 0x10;
    return out;
  };
  auto junk = [](size_t n) {
    Bytes out(n);
    for (size_t i = 0; i < n; ++i)
      out[i] = static_cast<uint8_t>(i * 37 + 11);
    return out;
  };
  using Values = std::vector<std::string>;
  constexpr size_t kRefused = 0;
  struct Case {
    const char* what;
    Bytes log;
    size_t kept;  // where the log ends after the open; kRefused: 824
    Values values;
  };
  const Values ab{"a", "b"}, abc{"a", "b", "c"};
  // The refused first: the last tail kept is the first of the two below.
  for (const Case& k : std::vector<Case>{
           {"a byte of a record before the last", flipped(last - 2), kRefused, {}},
           {"the length of a record before the last", flipped(third + 8), kRefused, {}},
           {"the sequence of a record before the last", flipped(third), kRefused, {}},
           {"the log's header", flipped(20), kRefused, {}},
           {"the log's salt", flipped(26), kRefused, {}},
           {"a record left out", joined({head, a, c}), kRefused, {}},
           {"a record twice", joined({head, a, a, b, c}), kRefused, {}},
           {"two records swapped", joined({head, b, a, c}), kRefused, {}},
           {"a record of another log among them", joined({head, a, foreign, b, c}), kRefused, {}},
           {"junk among them", joined({head, a, Bytes(24, 7), b, c}), kRefused, {}},
           {"the last record cut short", slice(good, 0, good.size() - 3), last, ab},
           {"only the last record's header", slice(good, 0, last + 32), last, ab},
           {"half the last record's header", slice(good, 0, last + 7), last, ab},
           {"a byte of the last record", flipped(good.size() - 2), last, ab},
           {"the last record twice", joined({good, c}), good.size(), abc},
           {"zeros after the last record", joined({good, Bytes(100, 0)}), good.size(), abc},
           {"one byte of junk", joined({good, junk(1)}), good.size(), abc},
           {"15 bytes of junk", joined({good, junk(15)}), good.size(), abc},
           {"16 bytes of junk", joined({good, junk(16)}), good.size(), abc},
           {"4 KB of junk", joined({good, junk(4096)}), good.size(), abc},
           {"a record of another log", joined({good, foreign}), good.size(), abc},
       }) {
    SCOPED_TRACE(k.what);
    for (int n = 1; n <= 2; ++n)
      std::filesystem::remove(log_ + "." + std::to_string(n) + ".discarded");
    writeBytes(log_, k.log);
    if (k.kept == kRefused) {
      SqlError e = raised([&] { Database::open(path_); });
      EXPECT_EQ(e.number(), 824) << e.message();
      EXPECT_NE(e.message().find("data.mlsdb-wal"), std::string::npos) << e.message();
      EXPECT_EQ(readBytes(log_), k.log) << "the refused log must stay as it was";
      EXPECT_FALSE(std::filesystem::exists(log_ + ".1.discarded"));
      continue;
    }
    {
      auto db = Database::open(path_);
      std::vector<SqlMessage> said = db->takeMessages();
      ASSERT_EQ(said.size(), 1u);
      EXPECT_EQ(said[0].number, 3408);
      EXPECT_EQ(said[0].severity, 10);
      EXPECT_NE(said[0].text.find(std::to_string(k.log.size() - k.kept) + " bytes"), std::string::npos)
          << said[0].text;
      EXPECT_NE(said[0].text.find("data.mlsdb-wal.1.discarded"), std::string::npos) << said[0].text;
      EXPECT_TRUE(db->takeMessages().empty()) << "said twice";
    }
    EXPECT_EQ(readBytes(log_ + ".1.discarded"), slice(k.log, k.kept, k.log.size()));
    EXPECT_EQ(readBytes(log_), slice(k.log, 0, k.kept));
    EXPECT_EQ(values(), k.values);
    ASSERT_TRUE(storage::letGo(path_, true));
    auto db = Database::open(path_);
    EXPECT_TRUE(db->takeMessages().empty()) << "said again at the next open";
  }
  // Bytes that cannot be kept aside (a full disk) stay where they are: the
  // file opens with the records before them, saying where the bytes are, and
  // every write fails, touching nothing, until they can be kept aside.
  writeBytes(log_, joined({good, junk(20)}));
  storage::DatabaseFile::setSaveFault([](std::string_view step) { return step == "keep-tail" ? ENOSPC : 0; });
  expectWritesWait(Values{"a", "b", "c"}, "data.mlsdb-wal'");
  storage::DatabaseFile::setSaveFault({});
  EXPECT_EQ(readBytes(log_), joined({good, junk(20)}));
  EXPECT_FALSE(std::filesystem::exists(log_ + ".2.discarded"));
  // The next commit follows the records kept, and a second tail is kept
  // beside the first.
  {
    auto db = Database::open(path_);
    Session s(db);
    s.execute("INSERT t (v) VALUES (N'd')");
  }
  EXPECT_EQ(readBytes(log_ + ".2.discarded"), junk(20));
  ASSERT_TRUE(storage::letGo(path_, true));
  EXPECT_EQ(values(), (Values{"a", "b", "c", "d"}));
}

// Through ADO, what opening said is in the Errors collection of the
// connection that opened the file, once.
TEST_F(WriteAheadLogTest, AConnectionFindsTheRecoveryInItsErrors) {
  build({"a"});
  writeBytes(log_, joined({readBytes(log_), Bytes(30, 0xEE)}));
  const std::string connect = "Provider=Marlstone.Embedded;Data Source=" + path_;
  auto cn = com::makeObject<ado::Connection>();
  cn->open(connect);
  ASSERT_EQ(cn->errors().size(), 1u);
  EXPECT_EQ(cn->errors()[0].nativeError, 3408);
  EXPECT_EQ(cn->errors()[0].sqlState, "01000");
  EXPECT_NE(cn->errors()[0].description.find("30 bytes"), std::string::npos) << cn->errors()[0].description;
  EXPECT_NE(cn->errors()[0].description.find("data.mlsdb-wal.1.discarded"), std::string::npos);
  cn->execute("SELECT 1");
  EXPECT_TRUE(cn->errors().empty());
  auto second = com::makeObject<ado::Connection>();
  second->open(connect);
  EXPECT_TRUE(second->errors().empty());
  EXPECT_EQ(readBytes(log_ + ".1.discarded"), Bytes(30, 0xEE));
}

// A log of the first format (no salt, records unchained) beside an image of
// an earlier format still opens, its damaged tail kept as a new one's; the
// next write checkpoints rather than append to it.
TEST_F(WriteAheadLogTest, ALogOfTheFirstFormatOpens) {
  build({"a", "b"});
  const std::vector<Bytes> payloads = logged().second;
  ASSERT_EQ(payloads.size(), 3u);
  ASSERT_TRUE(storage::letGo(path_, true));
  const Bytes image = readBytes(path_);
  writeBytes(path_, testing::imageFile(3, testing::imageOf(image), testing::counterOf(image)));
  const Bytes v1 = testing::logFile(1, testing::counterOf(image), payloads);
  writeBytes(log_, v1);
  EXPECT_EQ(values(), (std::vector<std::string>{"a", "b"}));
  writeBytes(log_, joined({v1, Bytes(9, 1)}));
  {
    auto db = Database::open(path_);
    EXPECT_EQ(db->takeMessages().size(), 1u);
    Session s(db);
    s.execute("INSERT t (v) VALUES (N'c')");
  }
  EXPECT_EQ(readBytes(log_ + ".1.discarded"), Bytes(9, 1));
  EXPECT_EQ(std::filesystem::file_size(log_), WriteAheadLog::kHeaderSize) << "appended to the old log";
  ASSERT_TRUE(storage::letGo(path_, true));
  EXPECT_EQ(values(), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(storage::readDatabaseFile(path_).tables.at(0)->rowCount(), 3u);
}

// Each batch's commits, replayed from the log by a process that loads the
// file afresh, leave the tables as the writer saw them.
TEST_F(WriteAheadLogTest, ReplayedCommitsLeaveWhatTheWriterSaw) {
  {
    auto db = testing::openOrCreate(path_);
    Session s(db);
    s.execute(
        "CREATE TABLE k (id INT PRIMARY KEY, v NVARCHAR(20) NULL, n INT NULL) "
        "CREATE TABLE h (a INT NULL, b NVARCHAR(20) NULL) "
        "CREATE TABLE u (id INT IDENTITY(1, 1), code NVARCHAR(5) NULL UNIQUE, w DECIMAL(9, 2) NULL) "
        "INSERT k VALUES (1, N'one', 1), (2, N'two', 2), (3, N'three', NULL) "
        "INSERT h VALUES (1, N'x'), (1, N'x'), (NULL, NULL), (2, N'y') "
        "INSERT u (code, w) VALUES (N'A', 1.5), (NULL, 2), (N'b', NULL)");
  }
  const char* const kQuery =
      "SELECT id, v, n FROM k ORDER BY id SELECT a, b FROM h ORDER BY a, b "
      "SELECT id, code, w FROM u ORDER BY id SELECT IDENT_CURRENT('u')";
  auto snapshot = [&] {
    auto db = Database::open(path_);
    Session s(db);
    std::vector<std::vector<uint8_t>> out;  // each rowset's values, exactly
    for (const ResultItem& item : s.execute(kQuery).items) {
      storage::ByteWriter w;
      for (const auto& row : item.rowset.rows)
        storage::encodeRow(row, w);
      out.push_back(w.bytes());
    }
    return out;
  };
  for (const char* batch : {
           "BEGIN TRAN INSERT k VALUES (4, N'four', 4) UPDATE k SET v = N'FOUR' WHERE id = 4 "
           "DELETE k WHERE id = 4 INSERT k VALUES (4, N'again', NULL) COMMIT",
           "UPDATE k SET id = 3 - id WHERE id IN (1, 2)",  // keys swapped in one statement
           "UPDATE k SET id = id + 10",
           "BEGIN TRAN DELETE k WHERE id = 13 INSERT k VALUES (13, N'back', 13) COMMIT",
           "DELETE TOP (1) h WHERE a = 1 UPDATE h SET b = N'z' WHERE a IS NULL",
           "BEGIN TRAN INSERT h VALUES (1, N'x') SAVE TRAN s INSERT h VALUES (9, N'gone') ROLLBACK TRAN s "
           "COMMIT",
           "UPDATE u SET code = NULL WHERE code = N'A' UPDATE u SET w = w * 2 WHERE code IS NULL",
           "DELETE u WHERE code IS NULL AND w = 4 INSERT u (code) VALUES (N'c') DELETE u WHERE code = N'c'",
           "DBCC CHECKIDENT (u, RESEED, 40) WITH NO_INFOMSGS INSERT u (code, w) VALUES (N'd', 0.25)",
           "BEGIN TRAN TRUNCATE TABLE h INSERT h VALUES (5, N'after') ALTER TABLE h ADD c INT NULL COMMIT",
           "BEGIN TRAN DROP TABLE h CREATE TABLE h (a INT NULL, b NVARCHAR(20) NULL) INSERT h VALUES (7, "
           "N'new') "
           "COMMIT",
       }) {
    {
      auto db = Database::open(path_);
      Session s(db);
      errorOf(s, batch);
    }
    auto seen = snapshot();
    ASSERT_TRUE(storage::letGo(path_, true)) << batch;
    EXPECT_EQ(snapshot(), seen) << batch;
  }
}

// A change to a table that another session's open transaction changed too
// waits for that transaction to end, then commits over what it left: the
// file loads as the writer saw it, whether that transaction committed or
// rolled back.
TEST_F(WriteAheadLogTest, ACommitAfterAnOpenTransactionOnItsTableLoadsBack) {
  build({"a", "b"});
  // The second round starts from what the first left.
  for (auto [end, expected] : {std::pair{"COMMIT", std::vector<std::string>{"open!", "b!"}},
                               std::pair{"ROLLBACK", std::vector<std::string>{"open!!", "b!!"}}}) {
    std::vector<std::string> seen;
    {
      auto db = Database::open(path_);
      Session open(db);
      open.execute("BEGIN TRAN UPDATE t SET v = N'open' WHERE id = (SELECT MIN(id) FROM t)");
      std::thread other([db] {
        Session s(db);
        s.execute("UPDATE t SET v = v + N'!'");  // the row the transaction changed too
      });
      EXPECT_TRUE(db->impl().locks().awaitWaiting(1, std::chrono::seconds(30))) << end;
      open.execute(end);
      other.join();
      open.close();
      seen = values();
    }
    EXPECT_EQ(seen, expected) << end;
    ASSERT_TRUE(storage::letGo(path_, true)) << end;
    EXPECT_EQ(values(), seen) << end;
  }
}

// The process keeps the database loaded between uses: unchanged, it is used
// as it is; after another process appended, the new records are replayed
// onto the same tables; after another process checkpointed, it is loaded
// again; a file changed behind its back is never mistaken for the one it left.
TEST_F(WriteAheadLogTest, TheDatabaseStaysLoadedWhileTheFileIsAsItLeftIt) {
  build({"a"});
  auto tableNow = [&] {  // held, so that a table loaded later never takes its address
    auto db = Database::open(path_);
    return db->impl().permanent().find("t");
  };
  auto inChild = [&](const std::string& batch) {
    ASSERT_EQ(exitStatus(forkChild([&] {
                storage::letGo(path_, true);  // as a process of its own, which never had the file loaded
                auto db = Database::open(path_);
                Session s(db);
                s.execute(batch);
                return 0;
              })),
              0);
  };
  const std::shared_ptr<Table> loaded = tableNow();
  EXPECT_EQ(tableNow(), loaded) << "decoded again though nothing changed";
  inChild("INSERT t (v) VALUES (N'b')");
  EXPECT_EQ(tableNow(), loaded) << "the new record was not replayed onto the loaded table";
  EXPECT_EQ(values(), (std::vector<std::string>{"a", "b"}));
  inChild("INSERT t (v) VALUES (N'c') CHECKPOINT");
  const std::shared_ptr<Table> reloaded = tableNow();
  EXPECT_NE(reloaded, loaded) << "another process's checkpoint was not loaded";
  EXPECT_EQ(values(), (std::vector<std::string>{"a", "b", "c"}));
  // The same size and records, written behind the process's back: loaded again.
  std::vector<uint8_t> log = readBytes(log_);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  writeBytes(log_, log);
  EXPECT_NE(tableNow(), reloaded);
  EXPECT_EQ(values(), (std::vector<std::string>{"a", "b", "c"}));
}

// A log beside the file that does not continue its image is never replayed
// and never destroyed: another database's (made the same way, so of the same
// change counter) or one of a later state of this file (the image restored
// alone from an older copy) is kept aside whole, opening says so once (in an
// ADO connection's Errors) and opens what the image holds, and the next write
// starts a log of the image's own.  A log of an earlier image (a kill between
// a checkpoint's new image and its new log) holds nothing the image lacks: it
// is ignored without a word.  Files of the earlier formats, whose logs name
// no file, are told apart by their counters.
TEST_F(WriteAheadLogTest, OnlyTheImagesOwnLogIsReplayed) {
  const std::string other = folder_.file("other.mlsdb");
  using Values = std::vector<std::string>;
  auto checkpointed = [](const std::string& path, const Values& values) {
    build(path, values);
    ASSERT_TRUE(storage::letGo(path));
  };
  auto insert = [](const std::string& path, const std::string& batch) {
    auto db = Database::open(path);
    Session s(db);
    s.execute(batch);
  };
  // The image of a and b, restored alone beside the log of a later state.
  auto later = [&] {
    checkpointed(path_, {"a", "b"});
    const Bytes image = readBytes(path_);
    insert(path_, "INSERT t (v) VALUES (N'x') CHECKPOINT INSERT t (v) VALUES (N'y')");
    ASSERT_TRUE(storage::letGo(path_, true));
    writeBytes(path_, image);
  };
  // The same image and records, as version 3 of the image and 2 of the log
  // wrote them.
  auto inEarlierFormats = [&] {
    const auto [counter, payloads] = logged();
    const Bytes image = readBytes(path_);
    writeBytes(path_, testing::imageFile(3, testing::imageOf(image), testing::counterOf(image)));
    writeBytes(log_, testing::logFile(2, counter, payloads));
  };
  struct Case {
    const char* what;
    std::function<void()> plant;  // the file holding a and b, and a log beside it
    bool keptAside;
  };
  for (const Case& k : std::vector<Case>{
           {"another database's log",
            [&] {
              checkpointed(path_, {"a", "b"});
              checkpointed(other, {"a", "b"});
              insert(other, "INSERT t (v) VALUES (N'x')");
              ASSERT_TRUE(storage::letGo(other, true));
              std::filesystem::copy_file(other + "-wal", log_,
                                         std::filesystem::copy_options::overwrite_existing);
            },
            true},
           {"the log of a copy of this file, changed apart to the same counter",
            [&] {
              checkpointed(path_, {"a"});
              std::filesystem::copy_file(path_, other);
              insert(path_, "INSERT t (v) VALUES (N'b')");
              ASSERT_TRUE(storage::letGo(path_));
              insert(other, "INSERT t (v) VALUES (N'x')");
              ASSERT_TRUE(storage::letGo(other));
              insert(other, "INSERT t (v) VALUES (N'y')");
              ASSERT_TRUE(storage::letGo(other, true));
              std::filesystem::copy_file(other + "-wal", log_,
                                         std::filesystem::copy_options::overwrite_existing);
            },
            true},
           {"the log of a later state", later, true},
           {"the log of an earlier image",
            [&] {
              build({"a", "b"});
              const Bytes log = readBytes(log_);
              ASSERT_TRUE(storage::letGo(path_));
              writeBytes(log_, log);
            },
            false},
           {"an image and its log of the earlier formats",
            [&] {
              build({"a", "b"});
              ASSERT_TRUE(storage::letGo(path_, true));
              inEarlierFormats();
            },
            false},
           {"the log of a later state in the earlier formats",
            [&] {
              later();
              inEarlierFormats();
            },
            true},
           {"a log of the earlier format of an earlier image",
            [&] {
              build({"a", "b"});
              const auto [counter, payloads] = logged();
              ASSERT_TRUE(storage::letGo(path_));
              writeBytes(log_, testing::logFile(2, counter, payloads));
            },
            false},
       }) {
    SCOPED_TRACE(k.what);
    for (const std::string& f : {path_, log_, log_ + ".1.discarded", other, other + "-wal"})
      std::filesystem::remove(f);
    k.plant();
    const Bytes planted = readBytes(log_);
    ASSERT_GT(planted.size(), WriteAheadLog::kHeaderSize);
    if (k.keptAside) {  // a log that cannot be kept aside stays, and writes wait
      storage::DatabaseFile::setSaveFault(
          [](std::string_view step) { return step == "keep-tail" ? ENOSPC : 0; });
      expectWritesWait(Values{"a", "b"}, "were not replayed");
      storage::DatabaseFile::setSaveFault({});
      EXPECT_EQ(readBytes(log_), planted);
    }
    {
      auto cn = com::makeObject<ado::Connection>();
      cn->open("Provider=Marlstone.Embedded;Data Source=" + path_);
      EXPECT_EQ(cn->errors().size(), k.keptAside ? 1u : 0u);
      if (k.keptAside && !cn->errors().empty()) {
        const std::string& said = cn->errors()[0].description;
        EXPECT_EQ(cn->errors()[0].nativeError, 3408);
        EXPECT_NE(said.find("data.mlsdb-wal'"), std::string::npos) << said;
        EXPECT_NE(said.find("data.mlsdb-wal.1.discarded'"), std::string::npos) << said;
      }
      EXPECT_EQ(cn->execute("SELECT COUNT(*) FROM t")->value(size_t{0}).toLong(), 2);
      cn->execute("INSERT t (v) VALUES (N'c')");
    }
    EXPECT_EQ(std::filesystem::exists(log_ + ".1.discarded"), k.keptAside);
    if (k.keptAside) {
      EXPECT_EQ(readBytes(log_ + ".1.discarded"), planted);
    }
    ASSERT_TRUE(storage::letGo(path_, true));
    auto db = Database::open(path_);
    EXPECT_TRUE(db->takeMessages().empty()) << "said again";
    EXPECT_EQ(values(), (Values{"a", "b", "c"}));
  }
  // A file made where only a log lies keeps that log aside, whatever it holds.
  ASSERT_TRUE(storage::letGo(path_, true));
  for (const Bytes& left : {readBytes(log_), Bytes(100, 0xEE)}) {
    for (const std::string& f : {path_, log_ + ".1.discarded"})
      std::filesystem::remove(f);
    writeBytes(log_, left);
    EXPECT_EQ(testing::openOrCreate(path_)->takeMessages().size(), 1u);
    EXPECT_EQ(readBytes(log_ + ".1.discarded"), left);
    ASSERT_TRUE(storage::letGo(path_));
  }
}

// The log is opened as what it is, like the file and its lock.
TEST_F(WriteAheadLogTest, ALogThatIsALinkIsRefused) {
  build({"a"});
  const std::string victim = folder_.file("victim.txt");
  writeBytes(victim, {'k', 'e', 'e', 'p'});
  struct Case {
    const char* what;
    void (*plant)(const std::string& victim, const std::string& log);
  };
  for (const Case& c : std::vector<Case>{
           {"a symbolic link",
            [](const std::string&v, const std::string&l) { std::filesystem::create_symlink(v, l); }},
           {"a second name",
            [](const std::string&v, const std::string&l) { std::filesystem::create_hard_link(v, l); }},
           {"a folder",
            [](const std::string&, const std::string&l) { std::filesystem::create_directory(l); }},
           {"a pipe", [](const std::string&, const std::string&l) { ASSERT_EQ(mkfifo(l.c_str(), 0600), 0); }},
       }) {
    const std::vector<uint8_t> log = readBytes(log_);
    std::filesystem::remove(log_);
    c.plant(victim, log_);
    SqlError e = raised([&] { Database::open(path_, {.timeoutSeconds = 0}); });
    EXPECT_EQ(e.number(), 5120) << c.what << ": " << e.message();
    EXPECT_EQ(readBytes(victim), (std::vector<uint8_t>{'k', 'e', 'e', 'p'})) << c.what << ": written through";
    std::filesystem::remove(log_);
    writeBytes(log_, log);
  }
  EXPECT_EQ(values(), std::vector<std::string>{"a"});
}

// A name with spaces, quotes and other scripts keeps its log beside it.
TEST_F(WriteAheadLogTest, AnOddNameKeepsItsLogBesideIt) {
  path_ = folder_.file("cost's data é 2024.mlsdb");
  log_ = path_ + "-wal";
  build({"a", "b"});
  EXPECT_GT(std::filesystem::file_size(log_), WriteAheadLog::kHeaderSize);
  EXPECT_EQ(storage::readDatabaseFile(path_).tables.at(0)->rowCount(), 2u);
  EXPECT_EQ(values(), (std::vector<std::string>{"a", "b"}));
}

// A read-only file opens with its log's records and writes nothing, a torn
// tail included; another database's log beside it is neither replayed nor
// moved.
TEST_F(WriteAheadLogTest, AReadOnlyFileReadsItsLog) {
  build({"a", "b"});
  std::vector<uint8_t> torn = readBytes(log_);
  torn.resize(torn.size() - 2);
  writeBytes(log_, torn);
  const std::vector<uint8_t> image = readBytes(path_);
  ASSERT_EQ(chmod(path_.c_str(), 0444), 0);
  {
    auto db = Database::open(path_);
    Session s(db);
    EXPECT_EQ(scalar(s, "SELECT COUNT(*) FROM t").asInt(), 1);
    EXPECT_EQ(raised([&] { s.execute("INSERT t (v) VALUES (N'no')"); }).number(), 3906);
    s.execute("CHECKPOINT");
  }
  EXPECT_EQ(readBytes(log_), torn);
  EXPECT_EQ(readBytes(path_), image);
  const std::string other = folder_.file("other.mlsdb");
  build(other, {"x", "y", "z"});
  ASSERT_TRUE(storage::letGo(other, true));
  const Bytes foreign = readBytes(other + "-wal");
  writeBytes(log_, foreign);
  {
    auto db = Database::open(path_);
    const std::vector<SqlMessage> said = db->takeMessages();  // the torn tail's first
    ASSERT_EQ(said.size(), 2u);
    EXPECT_NE(said[1].text.find("is not this file's log"), std::string::npos) << said[1].text;
    Session s(db);
    EXPECT_TRUE(scalar(s, "SELECT OBJECT_ID('t')").isNull());  // the image's own, made before t
  }
  EXPECT_EQ(readBytes(log_), foreign);
  EXPECT_FALSE(std::filesystem::exists(log_ + ".1.discarded"));
}

// Processes take turns on one file, each call a read-modify-write of one
// counter: every increment is there.  One of them checkpoints at every write,
// so the others meet both a longer log and a new image.
TEST_F(WriteAheadLogTest, ProcessesTakingTurnsLoseNoIncrement) {
  constexpr int kCalls = 40;
  for (int processes : {2, 3}) {
    std::filesystem::remove(path_);
    std::filesystem::remove(log_);
    {
      auto db = testing::openOrCreate(path_);
      Session s(db);
      s.execute(
          "IF OBJECT_ID('c') IS NOT NULL DROP TABLE c CREATE TABLE c (n INT NOT NULL) INSERT c VALUES (0)");
    }
    std::vector<pid_t> children;
    for (int p = 0; p < processes; ++p) {
      children.push_back(forkChild([&, p] {
        if (p == 0) storage::DatabaseFile::setCheckpointRule({.share = 0, .atLeast = 0});
        for (int i = 0; i < kCalls; ++i) {
          auto cn = com::makeObject<ado::Connection>();
          cn->open("Provider=Marlstone.Embedded;Data Source=" + path_);
          int n = cn->execute("SELECT n FROM c")->value(size_t{0}).toLong();
          cn->execute("UPDATE c SET n = " + std::to_string(n + 1));
          cn->close();
        }
        return 0;
      }));
    }
    for (pid_t child : children)
      EXPECT_EQ(exitStatus(child), 0) << processes << " processes";
    auto db = Database::open(path_);
    Session s(db);
    EXPECT_EQ(scalar(s, "SELECT n FROM c").asInt(), processes * kCalls) << processes << " processes";
  }
}

// One change to the ledger: adds row n, deletes row n - 2000 and marks row
// n - 1000, and moves the total on; run again after a part of it was saved,
// it completes it.
const char* const kLedgerChange =
    "SET NOCOUNT ON DECLARE @n INT SELECT @n = n + 1 FROM total "
    "IF NOT EXISTS (SELECT * FROM ledger WHERE v = @n) INSERT ledger (v, pad) VALUES (@n, N'pad') "
    "DELETE ledger WHERE v = @n - 2000 "
    "UPDATE ledger SET pad = N'seen' WHERE v = @n - 1000 "
    "UPDATE total SET n = @n, s = s + 2000 "
    "SELECT @n";

// Checks that the ledger agrees with its total, the change in progress (with
// `statements`, each autocommit statement saved whole before the next runs)
// up to one of its statements; answers the total's change number.
int64_t checkLedger(Session& s, int round, bool statements) {
  auto total = rows(s, "SELECT n, s FROM total");
  auto ledger = rows(s,
                     "SELECT MAX(v), SUM(CAST(v AS BIGINT)), COUNT(*), "
                     "SUM(CASE WHEN pad = N'seen' THEN 1 ELSE 0 END) FROM ledger");
  if (total.size() != 1u) {
    ADD_FAILURE() << "round " << round << ": " << total.size() << " totals";
    return -1;
  }
  const int64_t n0 = total[0][0].asInt(), s0 = total[0][1].asInt(), n = n0 + 1;
  // MAX(v), SUM(v), COUNT(*) and the rows seen after each statement of change
  // n (the row it deletes was seen once n0 reached 4000).
  const int64_t seen = std::min<int64_t>(n0 - 3000, 1000);
  const std::vector<std::vector<int64_t>> states = {{n0, s0, 3000, seen},
                                                    {n, s0 + n, 3001, seen},
                                                    {n, s0 + 2000, 3000, seen - (n0 >= 4000 ? 1 : 0)},
                                                    {n, s0 + 2000, 3000, std::min<int64_t>(n - 3000, 1000)}};
  std::vector<int64_t> found;
  for (const Value& v : ledger[0])
    found.push_back(v.asInt());
  const size_t allowed = statements ? states.size() : 1;
  EXPECT_NE(std::find(states.begin(), states.begin() + static_cast<std::ptrdiff_t>(allowed), found),
            states.begin() + static_cast<std::ptrdiff_t>(allowed))
      << "round " << round << ": the ledger (" << found[0] << ", " << found[1] << ", " << found[2] << ", "
      << found[3] << ") is no state of change " << n0 << " or its successor";
  return n0;
}

// A client that writes through ADO again and again (open, change, close: the
// path of every public method) is killed at random moments, 200 times, while
// it appends, checkpoints (at every write) or replays what the last one left;
// every reopen finds a complete state: the ledger agrees with its total, and
// no change whose Close returned is missing.
class KilledWriterTest : public WriteAheadLogTest,
                         public ::testing::WithParamInterface<storage::DatabaseFile::CheckpointRule> {};

TEST_P(KilledWriterTest, LeavesTheLastCompleteState) {
  testing::createLedger(path_);
  // Opening and replaying are killed at times too.
  testing::killWriterRepeatedly(
      path_, kLedgerChange, 30000, [rule = GetParam()] { storage::DatabaseFile::setCheckpointRule(rule); },
      [](Session& s, int round) { return checkLedger(s, round, true); });
}

INSTANTIATE_TEST_SUITE_P(Storage, KilledWriterTest,
                         ::testing::Values(storage::DatabaseFile::CheckpointRule{},
                                           storage::DatabaseFile::CheckpointRule{.share = 0, .atLeast = 0}),
                         [](const auto& info) {
                           return info.param.atLeast == 0 ? "Checkpointing" : "Appending";
                         });

// A client that keeps its connection open (an ADO Connection running
// autocommit statements, an engine Session running a transaction) is killed
// at random moments after its changes were reported done, 200 times each:
// every change whose Execute returned is on disk.
class KilledOpenWriterTest : public WriteAheadLogTest,
                             public ::testing::WithParamInterface<testing::Writer> {};

TEST_P(KilledOpenWriterTest, LosesNoChangeReportedDone) {
  testing::createLedger(path_);
  const std::string change = GetParam() == testing::Writer::SessionKeptOpen
                                 ? std::string("BEGIN TRAN ") + kLedgerChange + " COMMIT TRAN"
                                 : std::string(kLedgerChange);
  const bool statements = GetParam() != testing::Writer::SessionKeptOpen;
  testing::killWriterRepeatedly(
      path_, change, 30000, {},
      [statements](Session& s, int round) { return checkLedger(s, round, statements); }, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Storage, KilledOpenWriterTest,
                         ::testing::Values(testing::Writer::ConnectionKeptOpen,
                                           testing::Writer::SessionKeptOpen),
                         [](const auto& info) {
                           return info.param == testing::Writer::SessionKeptOpen ? "Session"
                                                                                 : "AdoConnection";
                         });

}  // namespace
}  // namespace mls::tsql

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
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/tsql/exec/session_impl.h"
#include "platform/tsql/storage/byte_io.h"
#include "platform/tsql/storage/database_file.h"
#include "platform/tsql/storage/database_image.h"
#include "platform/tsql/storage/file_databases.h"
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

class WriteAheadLogTest : public ::testing::Test {
 protected:
  testing::ScratchFolder folder_;
  std::string path_ = folder_.file("data.mlsdb");
  std::string log_ = path_ + "-wal";

  // A table t and one record per value, each written by its own session.
  void build(const std::vector<std::string>& values) {
    {
      auto db = testing::openOrCreate(path_);
      Session s(db);
      s.execute("CREATE TABLE t (id INT IDENTITY PRIMARY KEY, v NVARCHAR(20))");
    }
    for (const std::string& v : values) {
      auto db = Database::open(path_);
      Session s(db);
      s.execute("INSERT t (v) VALUES (N'" + v + "')");
    }
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

// Where each record of the log at `path` starts.
std::vector<size_t> recordStarts(const std::vector<uint8_t>& log) {
  std::vector<size_t> starts;
  for (size_t at = WriteAheadLog::kHeaderSize; at + 16 <= log.size();) {
    starts.push_back(at);
    storage::ByteReader in(std::span<const uint8_t>(log).subspan(at, 4));
    at += 16 + in.u32();
  }
  return starts;
}

TEST_F(WriteAheadLogTest, ATornTailIsIgnoredAndASealedRecordsDamageRefused) {
  build({"a", "b", "c"});
  const std::vector<uint8_t> good = readBytes(log_);
  const std::vector<size_t> starts = recordStarts(good);
  ASSERT_GE(starts.size(), 4u);  // the table, then one record a value
  const size_t last = starts.back(), second = starts[starts.size() - 2];
  auto cut = [&](size_t size) { return std::vector<uint8_t>(good.begin(), good.begin() + size); };
  auto flipped = [&](size_t at) {
    std::vector<uint8_t> b = good;
    b[at] ^= 0x10;
    return b;
  };
  using Values = std::vector<std::string>;
  struct Case {
    const char* what;
    std::vector<uint8_t> log;
    Values values;  // empty: refused with `number`
    int number = 0;
  };
  std::vector<uint8_t> zeros = good;
  zeros.resize(good.size() + 100, 0);
  for (const Case& c : std::vector<Case>{
           {"intact", good, {"a", "b", "c"}},
           {"the last record cut short", cut(good.size() - 3), {"a", "b"}},
           {"only the last record's header", cut(last + 16), {"a", "b"}},
           {"half the last record's header", cut(last + 7), {"a", "b"}},
           {"a byte of the last record", flipped(good.size() - 2), {"a", "b"}},
           {"bytes never written after the last record", zeros, {"a", "b", "c"}},
           {"a byte of a record before the last", flipped(last - 2), {}, 824},
           {"the length of a record before the last", flipped(second), {}, 824},
           {"the log's header", flipped(20), {}, 824},
           {"garbage after the last record",
            [&] {
              auto b = good;
              b.insert(b.end(), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18});
              return b;
            }(),
            {},
            824},
       }) {
    writeBytes(log_, c.log);
    if (c.values.empty()) {
      SqlError e = raised([&] { Database::open(path_); });
      EXPECT_EQ(e.number(), c.number) << c.what << ": " << e.message();
      EXPECT_NE(e.message().find("data.mlsdb-wal"), std::string::npos) << e.message();
      EXPECT_EQ(readBytes(log_), c.log) << c.what << ": the refused log must stay as it was";
    } else {
      EXPECT_EQ(values(), c.values) << c.what;
    }
  }
  // A torn tail is cut off before the next record goes in.
  writeBytes(log_, cut(good.size() - 3));
  {
    auto db = Database::open(path_);
    Session s(db);
    s.execute("INSERT t (v) VALUES (N'd')");
  }
  std::vector<std::string> after;
  for (const auto& t : storage::readDatabaseFile(path_).tables) {
    for (RowId id : t->scanOrder())
      after.emplace_back(t->row(id)[1].asString());
  }
  EXPECT_EQ(after, (Values{"a", "b", "d"}));
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

// A log left from before the last checkpoint (the crash came between the new
// image and the new log) is already in the image: it is ignored.
TEST_F(WriteAheadLogTest, ALogOfAnEarlierImageIsIgnored) {
  build({"a", "b"});
  const std::vector<uint8_t> before = readBytes(log_);
  {
    auto db = Database::open(path_);
    Session s(db);
    s.execute("CHECKPOINT");
  }
  EXPECT_EQ(std::filesystem::file_size(log_), WriteAheadLog::kHeaderSize);
  writeBytes(log_, before);
  EXPECT_EQ(values(), (std::vector<std::string>{"a", "b"}));
  {
    auto db = Database::open(path_);
    Session s(db);
    s.execute("INSERT t (v) VALUES (N'c')");  // starts the log over for the image
  }
  EXPECT_LT(std::filesystem::file_size(log_), before.size());
  EXPECT_EQ(storage::readDatabaseFile(path_).tables.at(0)->rowCount(), 3u);
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
// tail included.
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
      path_,
      "SET NOCOUNT ON DECLARE @n INT SELECT @n = n + 1 FROM total "
      "INSERT ledger (v, pad) VALUES (@n, N'pad') DELETE ledger WHERE v = @n - 2000 "
      "UPDATE ledger SET pad = N'seen' WHERE v = @n - 1000 "
      "UPDATE total SET n = @n, s = s + 2000 "
      "SELECT @n",
      30000, [rule = GetParam()] { storage::DatabaseFile::setCheckpointRule(rule); },
      [](Session& s, int round) -> int64_t {
        auto total = rows(s, "SELECT n, s FROM total");
        // Each change adds row n, deletes row n - 2000 and marks row n - 1000.
        auto ledger = rows(s,
                           "SELECT MAX(v), SUM(CAST(v AS BIGINT)), COUNT(*), "
                           "SUM(CASE WHEN pad = N'seen' THEN 1 ELSE 0 END) FROM ledger");
        if (total.size() != 1u) {
          ADD_FAILURE() << "round " << round << ": " << total.size() << " totals";
          return -1;
        }
        const int64_t n0 = total[0][0].asInt();
        EXPECT_EQ(n0, ledger[0][0].asInt()) << "round " << round;
        EXPECT_EQ(total[0][1].asInt(), ledger[0][1].asInt()) << "round " << round;
        EXPECT_EQ(ledger[0][2].asInt(), 3000) << "round " << round;
        EXPECT_EQ(ledger[0][3].asInt(), std::min<int64_t>(n0 - 3000, 1000)) << "round " << round;
        return n0;
      });
}

INSTANTIATE_TEST_SUITE_P(Storage, KilledWriterTest,
                         ::testing::Values(storage::DatabaseFile::CheckpointRule{},
                                           storage::DatabaseFile::CheckpointRule{.share = 0, .atLeast = 0}),
                         [](const auto& info) {
                           return info.param.atLeast == 0 ? "Checkpointing" : "Appending";
                         });

}  // namespace
}  // namespace mls::tsql

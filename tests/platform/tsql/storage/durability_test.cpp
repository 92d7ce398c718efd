// What a database file survives and how it is opened: damage (refused whole),
// paths that hold no database (refused, no lock file made), a read-only file,
// a second process (waits its time-out), a writer killed at any moment and a
// full disk (nothing reported saved is lost, a failed save reaches the
// caller), and when sessions save.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/tsql/exec/lock_manager.h"
#include "platform/tsql/exec/session_impl.h"
#include "platform/tsql/storage/byte_io.h"
#include "platform/tsql/storage/checksum.h"
#include "platform/tsql/storage/database_file.h"
#include "platform/tsql/storage/database_image.h"
#include "platform/tsql/storage/file_databases.h"
#include "platform/tsql/storage/file_formats.h"
#include "platform/tsql/storage/killed_writer.h"
#include "platform/tsql/storage/storage_support.h"

namespace mls::tsql {
namespace {

using testing::errorOf;
using testing::exitStatus;
using testing::forkChild;
using testing::inodeOf;
using testing::raised;
using testing::readBytes;
using testing::rows;
using testing::scalar;
using testing::writeBytes;

// Builds a file database at `path` holding `count` rows in table t.
void makeDatabase(const std::string& path, int count) {
  auto db = testing::openOrCreate(path);
  Session s(db);
  s.execute("CREATE TABLE t (id INT IDENTITY PRIMARY KEY, v NVARCHAR(40))");
  s.execute("DECLARE @i INT SET @i = 0 WHILE @i < " + std::to_string(count) +
            " BEGIN INSERT t (v) VALUES (N'row ' + CAST(@i AS NVARCHAR(10))) SET @i = @i + 1 END");
}

// Writes the whole image of the file at `path`, emptying its log.
void checkpoint(const std::string& path) {
  auto db = testing::openOrCreate(path);
  Session s(db);
  s.execute("CHECKPOINT");
}

int64_t countRows(const std::string& path) {
  auto db = testing::openOrCreate(path);
  Session s(db);
  return scalar(s, "SELECT COUNT(*) FROM t").asInt();
}

// The values of column `column` of table `table` in the file at `path` and
// its log, read apart from any database, as a crash would leave them, sorted.
std::vector<std::string> valuesInFile(const std::string& path, const std::string& table,
                                      const std::string& column) {
  storage::DecodedTables decoded = storage::readDatabaseFile(path);
  std::vector<std::string> out;
  for (const auto& t : decoded.tables) {
    if (t->name() != table) continue;
    std::optional<size_t> c = t->findColumn(column);
    if (!c) return {"no column " + column};
    for (RowId id : t->scanOrder())
      out.emplace_back(t->row(id)[*c].asString());
  }
  std::sort(out.begin(), out.end());
  return out;
}

class DurabilityTest : public ::testing::Test {
 protected:
  testing::ScratchFolder folder_;
  std::string path_ = folder_.file("data.mlsdb");
};

TEST_F(DurabilityTest, DamagedFilesAreRefusedWholeAndLeftAlone) {
  makeDatabase(path_, 200);
  checkpoint(path_);
  const std::vector<uint8_t> good = readBytes(path_);
  ASSERT_GT(good.size(), 200u);

  // The version field with a header checksum that matches it: a file of a
  // later format, not a damaged one.
  const std::vector<uint8_t> laterVersion = testing::imageFile(5, testing::imageOf(good), 2, 7);

  struct Damage {
    const char* what;
    std::vector<uint8_t> bytes;
    int number;
  };
  std::vector<Damage> cases;
  auto flipped = [&](size_t at) {
    std::vector<uint8_t> b = good;
    b[at] ^= 0x01;
    return b;
  };
  cases.push_back({"a byte of the rows", flipped(good.size() / 2), 824});
  cases.push_back({"the last byte", flipped(good.size() - 1), 824});
  cases.push_back({"the length in the header", flipped(12), 824});
  cases.push_back({"cut short", std::vector<uint8_t>(good.begin(), good.end() - 10), 824});
  cases.push_back({"a byte too many",
                   [&] {
                     auto b = good;
                     b.push_back(0);
                     return b;
                   }(),
                   824});
  cases.push_back({"the signature", flipped(0), 5172});
  cases.push_back({"empty", {}, 5172});
  cases.push_back({"text", std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'}, 5172});
  cases.push_back({"a later format", laterVersion, 5172});
  for (const Damage& d : cases) {
    writeBytes(path_, d.bytes);
    SqlError e = raised([&] { testing::openOrCreate(path_); });
    EXPECT_EQ(e.number(), d.number) << d.what << ": " << e.message();
    EXPECT_NE(e.message().find("data.mlsdb"), std::string::npos) << e.message();
    EXPECT_EQ(readBytes(path_), d.bytes) << d.what << ": the refused file must stay as it was";
  }
  writeBytes(path_, good);
  EXPECT_EQ(countRows(path_), 200);
}

// A file of the first format (no change counter in its header) opens, and
// takes changes.
TEST_F(DurabilityTest, AFileOfTheFirstFormatOpens) {
  makeDatabase(path_, 5);
  checkpoint(path_);
  const std::vector<uint8_t> current = readBytes(path_);
  ASSERT_TRUE(storage::letGo(path_));
  std::filesystem::remove(path_ + "-wal");
  writeBytes(path_, testing::imageFile(1, testing::imageOf(current), 0));
  EXPECT_EQ(countRows(path_), 5);
  {
    auto db = Database::open(path_);
    Session s(db);
    s.execute("INSERT t (v) VALUES (N'six')");
  }
  ASSERT_TRUE(storage::letGo(path_, true));
  EXPECT_EQ(countRows(path_), 6);
}

// A file of the second format (no procedures in its image) opens, takes a
// procedure and is written in the current format.
TEST_F(DurabilityTest, AFileOfTheSecondFormatOpensAndTakesProcedures) {
  makeDatabase(path_, 5);
  checkpoint(path_);
  ASSERT_TRUE(storage::letGo(path_));
  const std::vector<uint8_t> current = readBytes(path_);
  ASSERT_EQ(current[8], 4);
  ASSERT_EQ(current.back(), 0);  // no procedures
  // The same image without its procedures' part, under a version 2 header.
  std::vector<uint8_t> image = testing::imageOf(current);
  image.pop_back();
  writeBytes(path_, testing::imageFile(2, image, testing::counterOf(current)));
  EXPECT_EQ(countRows(path_), 5);
  {
    auto db = Database::open(path_);
    Session s(db);
    s.execute("CREATE PROCEDURE Rows AS SELECT COUNT(*) FROM t");
  }
  ASSERT_TRUE(storage::letGo(path_));
  EXPECT_EQ(readBytes(path_)[8], 4);
  auto db = Database::open(path_);
  Session s(db);
  EXPECT_EQ(scalar(s, "EXEC Rows").asInt(), 5);
}

// What the file holds of procedures is what was committed: a CREATE or DROP
// of an open transaction is left out of a checkpoint, and one rolled back
// never reaches the file; a committed one reaches it through the log.
TEST_F(DurabilityTest, FilesHoldCommittedProceduresOnly) {
  auto db = testing::openOrCreate(path_);
  auto names = [this] {
    std::vector<std::string> out;
    for (const ViewText& p : storage::readDatabaseFile(path_).procedures)
      out.push_back(p.name);
    return out;
  };
  Session writer(db);
  writer.execute("CREATE PROCEDURE Kept AS SELECT 1");
  writer.execute("BEGIN TRAN");
  writer.execute("CREATE PROCEDURE Pending AS SELECT 2");
  writer.execute("DROP PROCEDURE Kept");
  {
    Session other(db);
    other.execute("CHECKPOINT");
  }
  EXPECT_EQ(names(), std::vector<std::string>{"Kept"});
  writer.execute("ROLLBACK");
  EXPECT_EQ(scalar(writer, "EXEC Kept").asInt(), 1);
  EXPECT_EQ(errorOf(writer, "EXEC Pending"), 2812);
  writer.execute("BEGIN TRAN");
  writer.execute("CREATE PROCEDURE Committed AS SELECT 3");
  writer.execute("COMMIT");
  writer.close();
  EXPECT_GT(std::filesystem::file_size(path_ + "-wal"), 32u);
  EXPECT_EQ(names(), (std::vector<std::string>{"Committed", "Kept"}));
}

TEST_F(DurabilityTest, OpeningCreatesTheFileOnlyWhenAskedAndSharesTheDatabase) {
  SqlError missing = raised([&] { Database::open(path_); });
  EXPECT_EQ(missing.number(), 4060);
  EXPECT_FALSE(std::filesystem::exists(path_));
  auto db = testing::openOrCreate(path_);
  EXPECT_TRUE(std::filesystem::exists(path_));
  Session s(db);  // the database is named after its file
  EXPECT_EQ(scalar(s, "SELECT DB_NAME()").asString(), "data");
  EXPECT_EQ(scalar(s, "SELECT COUNT(*) FROM data.dbo.sysobjects").asInt(), 0);
  std::filesystem::create_directory(folder_.file("sub"));
  EXPECT_EQ(Database::open(folder_.file("sub/../data.mlsdb")), db);
  SqlError e = raised([&] { testing::openOrCreate(folder_.file("missing/x.mlsdb")); });
  EXPECT_EQ(e.number(), 5120);
  EXPECT_NE(e.message().find("No such file"), std::string::npos) << e.message();
}

// What lies at a Data Source is opened as what it is: no lock file appears
// next to anything but a database, and nothing blocks.
TEST_F(DurabilityTest, OnlyDatabaseFilesOpen) {
  makeDatabase(folder_.file("real.mlsdb"), 3);
  const std::string victim = folder_.file("victim.txt");
  writeBytes(victim, {'k', 'e', 'e', 'p'});
  ASSERT_EQ(mkfifo(folder_.file("pipe").c_str(), 0600), 0);
  std::filesystem::create_directory(folder_.file("dir.mlsdb"));
  std::filesystem::copy_file(folder_.file("real.mlsdb"), folder_.file("linked.mlsdb"));
  std::filesystem::create_symlink(victim, folder_.file("linked.mlsdb.lock"));
  std::filesystem::copy_file(folder_.file("real.mlsdb"), folder_.file("hard.mlsdb"));
  std::filesystem::create_hard_link(victim, folder_.file("hard.mlsdb.lock"));
  struct Case {
    const char* name;
    int number;
    bool lockMade;
  };
  for (const Case& c : std::vector<Case>{{"absent.mlsdb", 4060, false},
                                         {"pipe", 5120, false},
                                         {"dir.mlsdb", 5120, false},
                                         {"victim.txt", 5172, false},
                                         {"linked.mlsdb", 5120, true},
                                         {"hard.mlsdb", 5120, true}}) {
    const std::string path = folder_.file(c.name);
    SqlError e = raised([&] { Database::open(path, {.timeoutSeconds = 0}); });
    EXPECT_EQ(e.number(), c.number) << c.name << ": " << e.message();
    EXPECT_EQ(std::filesystem::is_symlink(path + ".lock") || std::filesystem::exists(path + ".lock"),
              c.lockMade)
        << c.name;
  }
  EXPECT_EQ(readBytes(victim), (std::vector<uint8_t>{'k', 'e', 'e', 'p'})) << "written through a link";
}

TEST_F(DurabilityTest, AReadOnlyFileOpensReadOnly) {
  makeDatabase(path_, 4);
  ASSERT_EQ(chmod(path_.c_str(), 0444), 0);
  const std::vector<uint8_t> before = readBytes(path_);
  {
    auto db = Database::open(path_);
    Session s(db);
    EXPECT_EQ(scalar(s, "SELECT COUNT(*) FROM t").asInt(), 4);
    for (const char* write : {"INSERT t (v) VALUES (N'no')", "DELETE t", "CREATE TABLE u (a INT)",
                              "BEGIN TRAN UPDATE t SET v = N'x' COMMIT", "CREATE VIEW w AS SELECT v FROM t",
                              "CREATE PROCEDURE p AS SELECT 1"}) {
      SqlError e = raised([&] { s.execute(write); });
      EXPECT_EQ(e.number(), 3906) << write;
      EXPECT_TRUE(e.partial().items.empty()) << write << ": a count was reported for a refused change";
    }
    s.execute("CREATE TABLE #scratch (a INT) INSERT #scratch VALUES (1)");  // tempdb stays writable
    EXPECT_EQ(scalar(s, "SELECT COUNT(*) FROM t").asInt(), 4);
    EXPECT_EQ(scalar(s, "SELECT COUNT(*) FROM sysobjects WHERE xtype IN ('V', 'P')").asInt(), 0);
    EXPECT_NO_THROW(s.close());
  }
  EXPECT_EQ(readBytes(path_), before);
}

// A checkpoint replaces the file and the log by new ones: with the file's
// mode, never through a link planted at the temporary names.
TEST_F(DurabilityTest, SavesKeepTheModeAndCreateTheirFilesAfresh) {
  makeDatabase(path_, 2);
  ASSERT_EQ(chmod(path_.c_str(), 0600), 0);
  const std::string victim = folder_.file("victim.txt");
  writeBytes(victim, {'v'});
  std::filesystem::create_symlink(victim, path_ + ".tmp");
  std::filesystem::create_symlink(victim, path_ + "-wal.tmp");
  {
    auto db = Database::open(path_);
    Session s(db);
    s.execute("INSERT t (v) VALUES (N'three') CHECKPOINT INSERT t (v) VALUES (N'four')");
    s.close();
  }
  for (const std::string& file : {path_, path_ + "-wal"}) {
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u) << file;
    EXPECT_FALSE(std::filesystem::exists(file + ".tmp")) << file;
  }
  EXPECT_EQ(readBytes(victim), std::vector<uint8_t>{'v'});
  EXPECT_EQ(countRows(path_), 4);
}

// A second process waits for the file up to its time-out.
TEST_F(DurabilityTest, ASecondProcessWaitsForTheFile) {
  makeDatabase(path_, 10);
  int toParent[2];
  ASSERT_EQ(pipe(toParent), 0);
  pid_t pid = forkChild([&] {
    auto db = Database::open(path_);
    char c = 'o';
    if (write(toParent[1], &c, 1) != 1) return 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    return 0;
  });
  char c;
  ASSERT_EQ(read(toParent[0], &c, 1), 1);
  auto cn = com::makeObject<ado::Connection>();
  EXPECT_EQ(cn->connectionTimeout(), 15);
  cn->setConnectionTimeout(0);  // no wait
  try {
    cn->open("Provider=Marlstone.Embedded;Data Source=" + path_);
    ADD_FAILURE() << "opened a file another process holds";
  } catch (const com::ComError& e) {
    EXPECT_NE(e.description().find("in use by another process"), std::string::npos) << e.description();
  }
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(countRows(path_), 10);  // waited for the other process (15 s at most)
  EXPECT_GT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(500));
  EXPECT_EQ(exitStatus(pid), 0);
  for (int fd : toParent)
    close(fd);
}

// Two clients, each opening the file, adding a row and closing again and
// again: both finish, and every row is there.
TEST_F(DurabilityTest, TwoClientLoopsOnOneFileBothFinish) {
  makeDatabase(path_, 0);
  auto client = [&](int who) {
    return forkChild([&, who] {
      for (int i = 0; i < 25; ++i) {
        auto db = Database::open(path_);
        Session s(db);
        s.execute("INSERT t (v) VALUES (N'client " + std::to_string(who) + "')");
        s.close();
      }
      return 0;
    });
  };
  pid_t a = client(1), b = client(2);
  EXPECT_EQ(exitStatus(a), 0);
  EXPECT_EQ(exitStatus(b), 0);
  EXPECT_EQ(countRows(path_), 50);
}

// A client that writes through ADO again and again (open, change, close: the
// path of every public method) is killed at random moments, 200 times; every
// reopen finds a complete state: the ledger agrees with its total, and no
// change whose Close returned is missing.
TEST_F(DurabilityTest, AKilledWriterLeavesTheLastCompleteState) {
  testing::createLedger(path_);
  testing::killWriterRepeatedly(
      path_,
      "SET NOCOUNT ON DECLARE @n INT SELECT @n = n + 1 FROM total "
      "IF NOT EXISTS (SELECT * FROM ledger WHERE v = @n) INSERT ledger (v, pad) VALUES (@n, N'pad') "
      "UPDATE total SET n = @n, s = s + @n "
      "SELECT @n",
      60000, {}, [](Session& s, int round) -> int64_t {
        auto total = rows(s, "SELECT n, s FROM total");
        auto ledger = rows(s, "SELECT COUNT(*), SUM(CAST(v AS BIGINT)) FROM ledger");
        if (total.size() != 1u) {
          ADD_FAILURE() << "round " << round << ": " << total.size() << " totals";
          return -1;
        }
        // Each statement is saved whole before the next runs: the change in
        // progress may have its INSERT without its UPDATE.
        const int64_t n = total[0][0].asInt(), sum = total[0][1].asInt();
        const bool inserted = ledger[0][0].asInt() == n + 1;
        EXPECT_EQ(ledger[0][0].asInt(), inserted ? n + 1 : n) << "round " << round;
        EXPECT_EQ(ledger[0][1].asInt(), inserted ? sum + n + 1 : sum) << "round " << round;
        return n;
      });
}

// A file system of 1 MB of its own, where the machine lets the test mount one.
class SmallFileSystem {
 public:
  explicit SmallFileSystem(const std::string& dir) : dir_(dir) {
    std::filesystem::create_directory(dir_);
    mounted_ = ::mount("tmpfs", dir_.c_str(), "tmpfs", 0, "size=1m") == 0;
  }
  ~SmallFileSystem() {
    if (mounted_) ::umount(dir_.c_str());
  }
  bool mounted() const { return mounted_; }

 private:
  std::string dir_;
  bool mounted_ = false;
};

// An ADO connection kept open on a disk of 1 MB inserts rows of 1,000 bytes,
// one Execute each, appending only or checkpointing at every write (the
// checkpoints fail first, and the log keeps the changes): an insert reported
// failed is rolled back, never in the file, not even once space returns; a
// SELECT runs while the disk is full, and the same connection writes again
// once space is freed.
TEST_F(DurabilityTest, OnAFullDiskAFailedInsertLeavesNoTrace) {
  for (auto rule : {storage::DatabaseFile::CheckpointRule{},
                    storage::DatabaseFile::CheckpointRule{.share = 0, .atLeast = 0}}) {
    const std::string what = rule.atLeast == 0 ? "checkpointing" : "appending";
    SmallFileSystem fs(folder_.file(what));
    if (!fs.mounted()) GTEST_SKIP() << "no permission to mount a file system; the fault loop injects ENOSPC";
    const std::string path = folder_.file(what + "/full.mlsdb");
    {
      auto db = testing::openOrCreate(path);
      Session(db).execute("CREATE TABLE t (id VARCHAR(10) PRIMARY KEY, v VARCHAR(1000))");
    }
    writeBytes(folder_.file(what + "/spare"), std::vector<uint8_t>(64 * 1024, 1));  // freed later
    storage::DatabaseFile::setCheckpointRule(rule);
    auto cn = com::makeObject<ado::Connection>();
    cn->open("Provider=Marlstone.Embedded;Data Source=" + path);
    std::vector<std::string> acknowledged, failed;
    for (int id = 1; failed.size() < 3 && id < 2000; ++id) {
      try {
        cn->execute("INSERT t VALUES ('" + std::to_string(id) + "', REPLICATE('x', 1000))");
        acknowledged.push_back(std::to_string(id));
      } catch (const com::ComError& e) {
        failed.push_back(std::to_string(id));
        EXPECT_NE(e.description().find("No space left"), std::string::npos) << e.description();
        EXPECT_NE(e.description().find("not saved"), std::string::npos) << e.description();
      }
    }
    ASSERT_EQ(failed.size(), 3u) << what;
    RecordProperty("saves_before_full_" + what, static_cast<int>(acknowledged.size()));
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp")) << what;
    EXPECT_FALSE(std::filesystem::exists(path + "-wal.tmp")) << what;
    auto count = [&cn] { return cn->execute("SELECT COUNT(*) FROM t")->value(size_t{0}).toLong(); };
    EXPECT_EQ(count(), static_cast<int64_t>(acknowledged.size()))
        << what << ": a SELECT while the disk is full";
    std::filesystem::remove(folder_.file(what + "/spare"));
    cn->execute("INSERT t VALUES ('0', 'after')");
    acknowledged.push_back("0");
    EXPECT_EQ(count(), static_cast<int64_t>(acknowledged.size())) << what;
    cn->close();
    storage::DatabaseFile::setCheckpointRule({});
    std::sort(acknowledged.begin(), acknowledged.end());
    EXPECT_EQ(valuesInFile(path, "t", "id"), acknowledged) << what;
    EXPECT_TRUE(storage::letGo(path)) << what;  // before the file system goes
  }
}

// A batch appends to the log before it returns when it committed a change to
// a permanent table, and only then (the session's close has nothing left to
// write); the image is written at checkpoints.
TEST_F(DurabilityTest, SessionsSaveWhatTheyCommitted) {
  {
    auto db = testing::openOrCreate(path_);
    Session s(db);
    s.execute("CREATE TABLE t (a INT IDENTITY, b INT) INSERT t (b) VALUES (1)");
  }
  struct Case {
    const char* batch;
    bool saves;
  };
  for (const Case& c : std::vector<Case>{
           {"SELECT * FROM t", false},
           {"CREATE TABLE #t (a INT) INSERT #t VALUES (1) UPDATE #t SET a = 2 DELETE FROM #t", false},
           {"SELECT a INTO #copy FROM t", false},
           {"UPDATE t SET b = 5 WHERE 1 = 0", false},
           {"IF 1 = 0 DELETE t", false},
           {"BEGIN TRAN INSERT t (b) VALUES (2) ROLLBACK", false},
           {"EXEC sp_executesql N'SELECT 1'", false},
           {"INSERT t (b) VALUES (3)", true},
           {"EXEC sp_executesql N'UPDATE t SET b = b + 1'", true},
           {"UPDATE x SET b = 4 FROM t x", true},
           {"SELECT a INTO copy FROM t", true},
           {"BEGIN TRAN DELETE t WHERE b = 0 COMMIT", false},
           {"INSERT t (b) VALUES (7) INSERT t (a, b) VALUES (1, 1)", true},  // fails after one insert
           {"BEGIN TRAN INSERT t (b) VALUES (8)", false},                    // left open: rolled back
           {"DBCC CHECKIDENT (t, RESEED, 100) WITH NO_INFOMSGS", true},
           {"CREATE INDEX ix ON t (b)", true},
           {"DROP TABLE copy", true},
       }) {
    ino_t inode = inodeOf(path_);
    uintmax_t log = std::filesystem::file_size(path_ + "-wal");
    {
      auto db = Database::open(path_);
      Session s(db);
      errorOf(s, c.batch);
      EXPECT_EQ(std::filesystem::file_size(path_ + "-wal") > log, c.saves) << c.batch;
      log = std::filesystem::file_size(path_ + "-wal");
      s.close();
    }
    EXPECT_EQ(std::filesystem::file_size(path_ + "-wal"), log) << c.batch << ": written again at close";
    EXPECT_EQ(inodeOf(path_), inode) << c.batch << ": the image is written at checkpoints only";
  }
  auto db = Database::open(path_);
  Session s(db);
  EXPECT_EQ(scalar(s, "SELECT COUNT(*) FROM t WHERE b = 7").asInt(), 1);
  EXPECT_EQ(scalar(s, "SELECT COUNT(*) FROM t WHERE b = 8").asInt(), 0);
  ino_t inode = inodeOf(path_);
  EXPECT_EQ(scalar(s, "INSERT t (b) VALUES (9) SELECT a FROM t WHERE b = 9").asInt(), 101);  // reseeded
  s.execute("CHECKPOINT");
  EXPECT_NE(inodeOf(path_), inode);
}

// A write that fails reaches the statement or COMMIT whose change it held:
// the change is taken back, in memory and in the file, and the error says so;
// reads go on, and writes once the disk takes them again.  A checkpoint that
// fails up to its image's rename leaves the file as it was; once the image is
// in place it is done, and a log that could not be started over is started
// by the next write.
TEST_F(DurabilityTest, AFailedSaveReachesTheCaller) {
  makeDatabase(path_, 1);
  const std::vector<uint8_t> before = readBytes(path_);
  const std::vector<uint8_t> logBefore = readBytes(path_ + "-wal");
  auto held = Database::open(path_);
  auto failing = [](std::string step) {
    storage::DatabaseFile::setSaveFault([step](std::string_view s) { return s == step ? ENOSPC : 0; });
  };
  for (const char* step : {"append", "append-sync"}) {
    failing(step);
    auto cn = com::makeObject<ado::Connection>();
    cn->open("Provider=Marlstone.Embedded;Data Source=" + path_);
    try {
      cn->execute("INSERT t (v) VALUES (N'failed')");
      ADD_FAILURE() << step << ": Execute reported success";
    } catch (const com::ComError& e) {
      EXPECT_NE(e.description().find("No space left"), std::string::npos) << step << ": " << e.description();
      EXPECT_NE(e.description().find("The statement's changes were not saved and are rolled back"),
                std::string::npos)
          << e.description();
    }
    EXPECT_EQ(cn->execute("SELECT COUNT(*) FROM t")->value(size_t{0}).toLong(), 1) << step;
    cn->close();  // nothing is left to write
    storage::DatabaseFile::setSaveFault({});
    EXPECT_EQ(readBytes(path_), before) << step;
    EXPECT_EQ(readBytes(path_ + "-wal"), logBefore) << step << ": a failed append leaves no record";
  }
  for (const char* step : {"create", "write", "sync", "rename"}) {
    failing(step);
    SqlError e = raised([&] { held->checkpoint(); });
    storage::DatabaseFile::setSaveFault({});
    EXPECT_EQ(e.number(), 3202) << step;
    EXPECT_FALSE(std::filesystem::exists(path_ + ".tmp")) << step;
    EXPECT_EQ(readBytes(path_), before) << step;
  }
  Session s(held);
  int saved = 1;
  for (const char* step : {"folder-sync", "log-create", "log-rename"}) {
    failing(step);
    held->checkpoint();
    storage::DatabaseFile::setSaveFault({});
    EXPECT_FALSE(std::filesystem::exists(path_ + "-wal.tmp")) << step;
    EXPECT_NE(readBytes(path_), before) << step << ": the image is written";
    s.execute("INSERT t (v) VALUES (N'after')");
    EXPECT_EQ(storage::readDatabaseFile(path_).tables.at(0)->rowCount(), static_cast<size_t>(++saved))
        << step;
  }
  failing("append");
  SqlError e = raised([&] { s.execute("INSERT t (v) VALUES (N'not counted')"); });
  EXPECT_TRUE(e.partial().items.empty()) << "a statement taken back reports no rows affected";
  EXPECT_EQ(scalar(s, "SELECT @@ROWCOUNT").asInt(), 0);
  failing("append-sync");
  e = raised([&] { s.execute("BEGIN TRAN INSERT t (v) VALUES (N'taken back') COMMIT TRAN"); });
  storage::DatabaseFile::setSaveFault({});
  EXPECT_EQ(e.number(), 3202) << e.message();
  EXPECT_NE(e.message().find("The transaction was not saved and is rolled back"), std::string::npos)
      << e.message();
  EXPECT_EQ(scalar(s, "SELECT @@TRANCOUNT").asInt(), 0);
  EXPECT_EQ(scalar(s, "SELECT COUNT(*) FROM t WHERE v = N'taken back'").asInt(), 0);
  s.close();
  held.reset();
  EXPECT_EQ(countRows(path_), saved) << "nothing reported failed is written later";
}

// The log and a checkpoint while another session's transaction is open hold
// what was committed only: a crash then never leaves half a transaction
// behind.
TEST_F(DurabilityTest, SavesHoldCommittedChangesOnly) {
  makeDatabase(path_, 3);
  auto db = Database::open(path_);
  {
    Session s(db);
    s.execute(
        "CREATE TABLE gone (w NVARCHAR(10)) INSERT gone VALUES (N'kept') "
        "CREATE TABLE trunc (w NVARCHAR(10)) INSERT trunc VALUES (N'stays') CREATE TABLE side (w "
        "NVARCHAR(10))");
  }
  using Values = std::vector<std::string>;
  Session open(db);
  open.execute(
      "BEGIN TRAN INSERT t (v) VALUES (N'open') UPDATE t SET v = N'changed' WHERE id = 1 DELETE t WHERE id = "
      "2 "
      "CREATE TABLE made (w NVARCHAR(10)) INSERT made VALUES (N'new') INSERT gone VALUES (N'more') DROP "
      "TABLE gone "
      "TRUNCATE TABLE trunc ALTER TABLE trunc ADD extra NVARCHAR(5) NULL INSERT trunc VALUES (N'later', "
      "N'x')");
  // Another session commits beside the open transaction (to a table of its
  // own: the transaction's tables are locked), then checkpoints.
  for (const char* other : {"INSERT side VALUES (N'committed')", "CHECKPOINT"}) {
    Session s(db);
    s.execute(other);
    s.close();
    EXPECT_EQ(valuesInFile(path_, "t", "v"), (Values{"row 0", "row 1", "row 2"})) << other;
    EXPECT_EQ(valuesInFile(path_, "side", "w"), Values{"committed"});
    EXPECT_EQ(valuesInFile(path_, "gone", "w"), Values{"kept"});
    EXPECT_EQ(valuesInFile(path_, "trunc", "w"), Values{"stays"});
    EXPECT_EQ(valuesInFile(path_, "trunc", "extra"), Values{"no column extra"});
    EXPECT_EQ(valuesInFile(path_, "made", "w"), Values{});
  }
  open.execute("COMMIT");
  open.close();
  EXPECT_EQ(valuesInFile(path_, "t", "v"), (Values{"changed", "open", "row 2"}));
  EXPECT_EQ(valuesInFile(path_, "made", "w"), Values{"new"});
  EXPECT_EQ(valuesInFile(path_, "gone", "w"), Values{});
  EXPECT_EQ(valuesInFile(path_, "trunc", "extra"), Values{"x"});
}

TEST_F(DurabilityTest, AdoConnectionsOpenFileDatabases) {
  {
    auto cn = com::makeObject<ado::Connection>();
    cn->open("Provider=Marlstone.Embedded;Data Source=" + path_ + ";Create=True");
    cn->execute("CREATE TABLE viaAdo (a INT) INSERT viaAdo VALUES (42)");
    cn->close();
  }
  auto db = testing::openOrCreate(path_);
  Session s(db);
  EXPECT_EQ(scalar(s, "SELECT a FROM viaAdo").asInt(), 42);
}

// Within a batch, an explicit COMMIT is on disk before the next statement
// runs, with every commit made before it; the autocommit statements after it
// wait for the batch's end (group commit), which the batch does not return
// before.  As a crash would leave the file, seen while the batch waits for a
// table another session holds:
TEST_F(DurabilityTest, ACommitIsOnDiskBeforeTheBatchGoesOn) {
  makeDatabase(path_, 0);
  auto db = Database::open(path_);
  Session holder(db);
  holder.execute("CREATE TABLE gate (g INT) BEGIN TRAN INSERT gate VALUES (1)");
  Session s(db);
  std::thread batch([&] {
    s.execute(
        "SET LOCK_TIMEOUT 30000 INSERT t (v) VALUES (N'one') "
        "BEGIN TRAN INSERT t (v) VALUES (N'two') COMMIT TRAN "
        "SELECT g FROM gate INSERT t (v) VALUES (N'three')");
  });
  ASSERT_TRUE(db->impl().locks().awaitWaiting(1, std::chrono::seconds(30)));
  const size_t atTheGate = valuesInFile(path_, "t", "v").size();
  holder.execute("ROLLBACK");
  batch.join();
  EXPECT_EQ(atTheGate, 2u) << "the batch went on before its COMMIT was written";
  EXPECT_EQ(valuesInFile(path_, "t", "v").size(), 3u) << "the batch returned before its end was written";
}

}  // namespace
}  // namespace mls::tsql

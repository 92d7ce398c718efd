// What a database file survives: damage (refused whole), a second process
// (locked out), a writer killed at any moment and a full disk (the last
// complete state stays), and when sessions save.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/tsql/storage/byte_io.h"
#include "platform/tsql/storage/checksum.h"
#include "platform/tsql/storage/storage_support.h"

namespace mls::tsql {
namespace {

using testing::errorOf;
using testing::inodeOf;
using testing::raised;
using testing::rows;
using testing::scalar;

std::vector<uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Builds a file database at `path` holding `count` rows in table t.
void makeDatabase(const std::string& path, int count) {
  auto db = Database::open(path);
  Session s(db);
  s.execute("CREATE TABLE t (id INT IDENTITY PRIMARY KEY, v NVARCHAR(40))");
  s.execute("DECLARE @i INT SET @i = 0 WHILE @i < " + std::to_string(count) +
            " BEGIN INSERT t (v) VALUES (N'row ' + CAST(@i AS NVARCHAR(10))) SET @i = @i + 1 END");
}

int64_t countRows(const std::string& path) {
  auto db = Database::open(path);
  Session s(db);
  return scalar(s, "SELECT COUNT(*) FROM t").asInt();
}

class DurabilityTest : public ::testing::Test {
 protected:
  testing::ScratchFolder folder_;
  std::string path_ = folder_.file("data.mlsdb");
};

TEST_F(DurabilityTest, DamagedFilesAreRefusedWholeAndLeftAlone) {
  makeDatabase(path_, 200);
  const std::vector<uint8_t> good = readBytes(path_);
  ASSERT_GT(good.size(), 200u);
  constexpr size_t kHeader = 36;

  // The version field with a header checksum that matches it: a file of a
  // later format, not a damaged one.
  std::vector<uint8_t> laterVersion = good;
  laterVersion[8] = 2;
  storage::ByteWriter sum;
  sum.u64(storage::checksum64(std::span<const uint8_t>(laterVersion).first(kHeader - 8)));
  std::copy(sum.bytes().begin(), sum.bytes().end(), laterVersion.begin() + (kHeader - 8));

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
    SqlError e = raised([&] { Database::open(path_); });
    EXPECT_EQ(e.number(), d.number) << d.what << ": " << e.message();
    EXPECT_NE(e.message().find("data.mlsdb"), std::string::npos) << e.message();
    EXPECT_EQ(readBytes(path_), d.bytes) << d.what << ": the refused file must stay as it was";
  }
  writeBytes(path_, good);
  EXPECT_EQ(countRows(path_), 200);
}

TEST_F(DurabilityTest, OpeningCreatesTheFileAndSharesTheDatabase) {
  auto db = Database::open(path_);
  EXPECT_TRUE(std::filesystem::exists(path_));
  std::filesystem::create_directory(folder_.file("sub"));
  EXPECT_EQ(Database::open(folder_.file("sub/../data.mlsdb")), db);
  SqlError e = raised([&] { Database::open(folder_.file("missing/x.mlsdb")); });
  EXPECT_EQ(e.number(), 5120);
  EXPECT_NE(e.message().find("No such file"), std::string::npos) << e.message();
}

// Runs `child` in a forked process and returns its exit status.
template <class F>
pid_t forkChild(F&& child) {
  pid_t pid = fork();
  if (pid == 0) {
    int code = 99;
    try {
      code = child();
    } catch (...) {
      code = 98;
    }
    _exit(code);
  }
  return pid;
}

int exitStatus(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(DurabilityTest, ASecondProcessIsLockedOut) {
  makeDatabase(path_, 10);
  int toParent[2], toChild[2];
  ASSERT_EQ(pipe(toParent), 0);
  ASSERT_EQ(pipe(toChild), 0);
  pid_t pid = forkChild([&] {
    auto db = Database::open(path_);
    char c = 'o';
    if (write(toParent[1], &c, 1) != 1) return 1;
    return read(toChild[0], &c, 1) == 1 ? 0 : 2;  // hold the file until told
  });
  char c;
  ASSERT_EQ(read(toParent[0], &c, 1), 1);
  SqlError e = raised([&] { Database::open(path_); });
  EXPECT_EQ(e.number(), 5120);
  EXPECT_NE(e.message().find("in use by another process"), std::string::npos) << e.message();
  ASSERT_EQ(write(toChild[1], &c, 1), 1);
  EXPECT_EQ(exitStatus(pid), 0);
  EXPECT_EQ(countRows(path_), 10);  // free again once the other process ended
  for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]})
    close(fd);
}

// A writer that saves again and again is killed at random moments; every
// reopen finds a complete state: the ledger agrees with its total, and no
// save the writer saw finish is missing.
TEST_F(DurabilityTest, AKilledWriterLeavesTheLastCompleteState) {
  {
    auto db = Database::open(path_);
    Session s(db);
    s.execute(
        "CREATE TABLE ledger (id INT IDENTITY PRIMARY KEY, v INT NOT NULL, pad NVARCHAR(60)) "
        "CREATE TABLE total (n INT NOT NULL, s BIGINT NOT NULL) INSERT total VALUES (0, 0)");
    s.execute(
        "DECLARE @n INT SET @n = 0 WHILE @n < 3000 BEGIN SET @n = @n + 1 "
        "INSERT ledger (v, pad) VALUES (@n, REPLICATE(N'x', 50)) END UPDATE total SET n = @n, s = @n * (@n + "
        "1) / 2");
  }
  std::mt19937 random(20240229);
  int acknowledgedInAll = 0;
  for (int round = 0; round < 24; ++round) {
    int acks[2];
    ASSERT_EQ(pipe(acks), 0);
    pid_t pid = forkChild([&] {
      close(acks[0]);
      for (int i = 0;; ++i) {
        auto db = Database::open(path_);  // loading is killed at times too
        for (int j = 0; j < 4; ++j) {
          {
            Session s(db);
            s.execute(
                "DECLARE @n INT SELECT @n = n + 1 FROM total "
                "INSERT ledger (v, pad) VALUES (@n, N'pad') UPDATE total SET n = @n, s = s + @n");
          }                              // the session's close saved the file
          if (j == 3) db->checkpoint();  // nothing unsaved: no write
          int n = static_cast<int>(scalar(*std::make_unique<Session>(db), "SELECT n FROM total").asInt());
          if (write(acks[1], &n, sizeof n) != sizeof n) return 1;
        }
      }
    });
    close(acks[1]);
    int last = -1, n = 0;
    auto acknowledge = [&] {
      if (read(acks[0], &n, sizeof n) != sizeof n) return false;
      last = n;
      ++acknowledgedInAll;
      return true;
    };
    using Clock = std::chrono::steady_clock;
    if (round % 4 == 0) {
      // Anywhere, loading included.
      std::this_thread::sleep_for(
          std::chrono::microseconds(std::uniform_int_distribution<int>(0, 60000)(random)));
    } else if (acknowledge()) {
      // Within a save cycle, timed by the writer's own pace.
      Clock::time_point t0 = Clock::now();
      if (acknowledge()) {
        auto cycle = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0).count();
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<int64_t>(0, cycle)(random)));
      }
    }
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    while (acknowledge()) {
    }
    close(acks[0]);

    auto db = Database::open(path_);
    Session s(db);
    auto total = rows(s, "SELECT n, s FROM total");
    auto ledger = rows(s, "SELECT COUNT(*), SUM(CAST(v AS BIGINT)) FROM ledger");
    ASSERT_EQ(total.size(), 1u) << "round " << round;
    EXPECT_EQ(total[0][0].asInt(), ledger[0][0].asInt()) << "round " << round;
    EXPECT_EQ(total[0][1].asInt(), ledger[0][1].asInt()) << "round " << round;
    if (last >= 0) {
      EXPECT_GE(total[0][0].asInt(), last) << "round " << round << ": an acknowledged save is missing";
      EXPECT_LE(total[0][0].asInt(), last + 1) << "round " << round;
    }
  }
  EXPECT_GT(acknowledgedInAll, 0) << "the writer never got to save: kill later";
}

TEST_F(DurabilityTest, AFullDiskKeepsTheLastSavedState) {
  makeDatabase(path_, 300);
  const std::vector<uint8_t> before = readBytes(path_);
  pid_t pid = forkChild([&] {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{before.size() / 2, before.size() / 2};  // files may not grow beyond this
    setrlimit(RLIMIT_FSIZE, &limit);
    auto db = Database::open(path_);
    Session s(db);
    s.execute("INSERT t (v) VALUES (N'lost')");
    try {
      db->checkpoint();
    } catch (const SqlError& e) {
      return e.number() == 3202 && e.message().find("File too large") != std::string::npos ? 0 : 2;
    }
    return 1;
  });
  EXPECT_EQ(exitStatus(pid), 0);
  EXPECT_EQ(readBytes(path_), before);
  EXPECT_FALSE(std::filesystem::exists(path_ + ".tmp"));
  EXPECT_EQ(countRows(path_), 300);
}

TEST_F(DurabilityTest, SessionsSaveWhatTheyChanged) {
  makeDatabase(path_, 5);
  auto db = Database::open(path_);
  ino_t inode = inodeOf(path_);
  auto saved = [&] {
    ino_t now = inodeOf(path_);
    bool changed = now != inode;
    inode = now;
    return changed;
  };
  {
    Session s(db);
    s.execute("SELECT * FROM t CREATE TABLE #w (a INT) INSERT #w SELECT id FROM t");
  }
  EXPECT_FALSE(saved()) << "reads and temporary tables need no save";
  {
    Session s(db);
    s.execute("INSERT t (v) VALUES (N'six')");
    EXPECT_FALSE(saved()) << "saved at close, not per batch";
    s.execute("checkpoint");
    EXPECT_TRUE(saved());
    s.execute("CHECKPOINT;");
    EXPECT_FALSE(saved()) << "nothing changed since";
    EXPECT_EQ(errorOf(s, "INSERT t (v) VALUES (N'seven') INSERT t (id, v) VALUES (1, N'no')"), 544);
  }
  EXPECT_TRUE(saved()) << "the statement before the failing one ran and is saved";
  {
    Session s(db);
    s.execute("BEGIN TRAN INSERT t (v) VALUES (N'never')");
  }  // closed with the transaction open: rolled back
  db.reset();
  auto again = Database::open(path_);
  Session s(again);
  EXPECT_EQ(scalar(s, "SELECT COUNT(*) FROM t").asInt(), 7);
  EXPECT_EQ(scalar(s, "SELECT COUNT(*) FROM t WHERE v = N'never'").asInt(), 0);
}

TEST(MemoryDatabase, CheckpointIsHarmless) {
  auto db = Database::create();
  Session s(db);
  s.execute("CREATE TABLE t (a INT)");
  EXPECT_NO_THROW(s.execute("CHECKPOINT"));
  EXPECT_NO_THROW(db->checkpoint());
}

TEST_F(DurabilityTest, AdoConnectionsOpenFileDatabases) {
  {
    auto cn = com::makeObject<ado::Connection>();
    cn->open("Provider=Marlstone.Embedded;Data Source=" + path_);
    cn->execute("CREATE TABLE viaAdo (a INT) INSERT viaAdo VALUES (42)");
    cn->close();
  }
  auto db = Database::open(path_);
  Session s(db);
  EXPECT_EQ(scalar(s, "SELECT a FROM viaAdo").asInt(), 42);
}

}  // namespace
}  // namespace mls::tsql

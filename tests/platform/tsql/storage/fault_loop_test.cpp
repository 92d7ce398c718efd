// Faults injected into every step of the storage layer's writes in turn: the
// Nth write, flush, rename or truncate fails (N = 1, 2, ... until the
// workload runs through), once or for good until its call returns, over a
// workload of an open that keeps a damaged log tail aside, autocommit
// statements in a batch, an explicit transaction, a checkpoint and a view.
// After each failure the caller has the error, reads go on, and the file
// holds exactly what the database shows: every change reported done, none
// reported failed.  And a failed allocation inside a statement is 701 with
// its transaction rolled back.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/tsql/storage/database_file.h"
#include "platform/tsql/storage/database_image.h"
#include "platform/tsql/storage/file_databases.h"
#include "platform/tsql/storage/storage_support.h"

namespace mls::tsql {
namespace {

using testing::exitStatus;
using testing::forkChild;
using testing::rows;
using testing::scalar;

using Rows = std::multiset<std::string>;

// One statement of the workload and what it does to the rows of t.
struct Statement {
  std::string sql;
  std::function<void(Rows&)> apply;
};
Statement inserting(const std::string& v) {
  return {"INSERT t VALUES ('" + v + "')", [v](Rows& r) { r.insert(v); }};
}
Statement deleting(const std::string& v) {
  return {"DELETE t WHERE v = '" + v + "'", [v](Rows& r) { r.erase(v); }};
}
Statement renaming(const std::string& from, const std::string& to) {
  return {"UPDATE t SET v = '" + to + "' WHERE v = '" + from + "'", [from, to](Rows& r) {
            if (r.erase(from)) r.insert(to);
          }};
}

// A batch: its statements one a line, in a transaction of their own or each
// its own (autocommit).
struct Batch {
  std::vector<Statement> statements;
  bool transaction = false;
  bool view = false;  // CREATE VIEW tv
};

// The rows of t and whether view tv exists, as the file at `path` holds them
// (read apart, as a crash would leave it).
std::pair<Rows, bool> inFile(const std::string& path) {
  storage::DecodedTables decoded = storage::readDatabaseFile(path);
  Rows out;
  for (const auto& t : decoded.tables) {
    if (t->name() != "t") continue;
    for (RowId id : t->scanOrder())
      out.insert(std::string(t->row(id)[0].asString()));
  }
  bool view = std::any_of(decoded.views.begin(), decoded.views.end(),
                          [](const ViewText& v) { return v.name == "tv"; });
  return {out, view};
}

std::pair<Rows, bool> inMemory(Session& s) {
  Rows out;
  for (const auto& row : rows(s, "SELECT v FROM t"))
    out.insert(std::string(row[0].asString()));
  return {out, scalar(s, "SELECT OBJECT_ID('tv')").isNull() == false};
}

// Fails the `n`th step of the storage layer's writes, and with `forGood`
// every step after it until disarmed.
class FaultPlan {
 public:
  FaultPlan(int n, bool forGood) : n_(n), forGood_(forGood) {
    storage::DatabaseFile::setSaveFault([this](std::string_view step) {
      ++count_;
      if (!armed_ || (count_ != n_ && !(forGood_ && count_ > n_))) return 0;
      if (count_ == n_) failedStep_ = std::string(step);
      return forGood_ ? ENOSPC : EIO;
    });
  }
  ~FaultPlan() { storage::DatabaseFile::setSaveFault({}); }
  void disarm() { armed_ = false; }
  bool fired() const { return count_ >= n_; }
  const std::string& failedStep() const { return failedStep_; }

 private:
  int n_;
  bool forGood_;
  int count_ = 0;
  bool armed_ = true;
  std::string failedStep_;
};

class FaultLoopTest : public ::testing::Test {
 protected:
  testing::ScratchFolder folder_;
};

TEST_F(FaultLoopTest, EveryFailedStepLeavesTheFileAsTheDatabaseShowsIt) {
  const std::vector<Batch> workload = {
      {{inserting("a1"), inserting("a2"), deleting("s1"), renaming("s2", "a3")}},
      {{inserting("x1"), deleting("a1"), renaming("a2", "x2")}, true},
      {{{"CHECKPOINT", [](Rows&) {}}}},
      {{inserting("c1"), deleting("s3")}},
      {{}, false, true},
  };
  std::set<std::string> failedSteps;
  for (bool forGood : {false, true}) {
    bool ranThrough = false;
    for (int n = 1; !ranThrough && n < 200; ++n) {
      const std::string what = std::string(forGood ? "for good" : "once") + ", step " + std::to_string(n);
      const std::string path = folder_.file(std::to_string(forGood) + "-" + std::to_string(n) + ".mlsdb");
      {
        auto db = testing::openOrCreate(path);
        Session s(db);
        s.execute("CREATE TABLE t (v VARCHAR(10)) INSERT t VALUES ('s1') INSERT t VALUES ('s2')");
        s.execute("INSERT t VALUES ('s3')");
      }
      ASSERT_TRUE(storage::letGo(path, true));
      std::ofstream(path + "-wal", std::ios::app) << std::string(100, '\xab');  // a torn last record
      Rows model = {"s1", "s2", "s3"};
      bool view = false;

      FaultPlan plan(n, forGood);
      {
        // A tail that cannot be kept aside stays in the log: the file opens all the same.
        auto db = Database::open(path);
        Session s(db);
        for (const Batch& b : workload) {
          std::string sql = b.transaction ? "BEGIN TRAN\n" : "";
          for (const Statement& st : b.statements)
            sql += st.sql + "\n";
          if (b.transaction) sql += "COMMIT TRAN\n";
          if (b.view) sql += "CREATE VIEW tv AS SELECT v FROM t\n";
          std::optional<int> failedLine;  // the statement reported not saved
          try {
            s.execute(sql);
          } catch (const SqlError& e) {
            EXPECT_EQ(e.number(), 3202) << what << " (" << plan.failedStep() << "): " << e.message();
            EXPECT_GT(e.line(), 0) << what << ": " << e.message();
            failedLine = e.line();
          }
          if (!b.transaction || !failedLine) {
            for (size_t i = 0; i < b.statements.size(); ++i) {
              if (!failedLine || static_cast<int>(i) + 1 < *failedLine) b.statements[i].apply(model);
            }
            view = view || (b.view && !failedLine);
          }
          // Reads go on while the writes fail; then the file holds what the
          // database shows, and the database what was reported done.
          EXPECT_EQ(inMemory(s), std::make_pair(model, view)) << what << " (" << plan.failedStep() << ")";
          if (plan.fired()) plan.disarm();
          EXPECT_EQ(inFile(path), std::make_pair(model, view)) << what << " (" << plan.failedStep() << ")";
        }
        ranThrough = !plan.fired();
        if (!ranThrough) failedSteps.insert(plan.failedStep());
        plan.disarm();
      }  // the database is in use no more
      ASSERT_TRUE(storage::letGo(path, true)) << what;
      auto reopened = Database::open(path);
      Session again(reopened);
      EXPECT_EQ(inMemory(again), std::make_pair(model, view)) << what << ": reopened";
    }
    EXPECT_TRUE(ranThrough) << (forGood ? "for good" : "once");
  }
  // Every kind of step failed: writes, flushes, renames and truncates.
  for (const char* step :
       {"keep-tail", "keep-tail-sync", "cut-tail", "cut-tail-sync", "append", "append-sync", "write", "sync",
        "rename", "folder-sync", "log-write", "log-rename"})
    EXPECT_TRUE(failedSteps.contains(step)) << step;
}

// Where memory runs out inside a statement (here under a limit on the
// process's address space), the statement fails with 701 and its transaction
// is rolled back; the session goes on.
TEST_F(FaultLoopTest, AFailedAllocationIs701AndRollsTheTransactionBack) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer reserves the address space a limit would bound";
#endif
  const std::string path = folder_.file("memory.mlsdb");
  pid_t child = forkChild([&] {
    auto db = testing::openOrCreate(path);
    Session s(db);
    s.execute("CREATE TABLE t (a INT) INSERT t VALUES (1)");
    s.execute("BEGIN TRAN INSERT t VALUES (2)");
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t used = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
    rlimit limit{};
    getrlimit(RLIMIT_AS, &limit);
    const rlimit bounded{used + (rlim_t{256} << 20), limit.rlim_max};
    if (setrlimit(RLIMIT_AS, &bounded) != 0) return 10;
    int number = 0;
    try {
      s.execute("SELECT LEN(REPLICATE(CAST(REPLICATE('x', 8000) AS VARCHAR(MAX)), 1000000))");
    } catch (const SqlError& e) {
      number = e.number();
    }
    setrlimit(RLIMIT_AS, &limit);
    if (number != 701) return 1;
    if (scalar(s, "SELECT @@TRANCOUNT").asInt() != 0) return 2;
    if (scalar(s, "SELECT COUNT(*) FROM t").asInt() != 1) return 3;
    s.execute("INSERT t VALUES (3)");
    return 0;
  });
  EXPECT_EQ(exitStatus(child), 0) << "1: no 701, 2: the transaction is open, 3: its insert stayed";
  auto db = Database::open(path);
  Session s(db);
  EXPECT_EQ(scalar(s, "SELECT SUM(a) FROM t").asInt(), 4) << "the rows 1 and 3";
}

}  // namespace
}  // namespace mls::tsql

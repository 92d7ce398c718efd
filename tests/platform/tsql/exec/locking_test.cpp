// Sessions of one database on threads of their own: what a statement waits
// for, what it reads once the other transaction ended, and what stays after a
// rollback; lock time-outs (1222) and deadlocks (1205).  The sessions are
// ordered by the engine's own state (a request waiting), never by time.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/tsql/engine.h"
#include "platform/tsql/exec/session_impl.h"
#include "platform/tsql/sql_errors.h"

namespace mls::tsql {
namespace {

using Rows = std::vector<std::string>;

constexpr auto kBound = std::chrono::seconds(30);
// A wait a fault would make endless ends the test with 1222 instead.
constexpr const char* kBoundedWait = "SET LOCK_TIMEOUT 30000";

std::string text(const Value& v) {
  if (v.isNull()) return "NULL";
  if (v.kind() == Value::Kind::Int) return std::to_string(v.asInt());
  return std::string(v.asString());
}

// The rows of a batch's last rowset, each as its values joined by '|'.
Rows rowsOf(const BatchResult& r) {
  Rows out;
  for (auto it = r.items.rbegin(); it != r.items.rend(); ++it) {
    if (it->kind != ResultItem::Kind::Rowset) continue;
    for (const std::vector<Value>& row : it->rowset.rows) {
      std::string line;
      for (size_t i = 0; i < row.size(); ++i)
        line += (i ? "|" : "") + text(row[i]);
      out.push_back(line);
    }
    break;
  }
  return out;
}

// What a batch run on another thread gave: its last rowset and its errors.
struct Outcome {
  Rows rows;
  std::vector<int> errors;
  std::string firstError;  // the first error's text
};

Outcome run(Session& s, const std::string& sql) {
  Outcome o;
  try {
    o.rows = rowsOf(s.execute(sql));
  } catch (const SqlError& e) {
    o.rows = rowsOf(e.partial());
    for (const SqlMessage& m : e.partial().errors)
      o.errors.push_back(m.number);
    if (o.errors.empty()) o.errors.push_back(e.number());
    o.firstError = e.partial().errors.empty() ? e.message() : e.partial().errors.front().text;
  }
  return o;
}

class LockingTest : public ::testing::Test {
 protected:
  std::shared_ptr<Database> db = Database::create();

  void SetUp() override {
    Session s(db);
    s.execute(
        "CREATE TABLE t (k INT PRIMARY KEY, v INT) INSERT t VALUES (1, 10), (2, 20) "
        "CREATE TABLE u (k INT PRIMARY KEY, v INT) INSERT u VALUES (1, 100) "
        "CREATE VIEW tv AS SELECT k, v FROM t");
  }
  bool someoneWaits(size_t n = 1) { return db->impl().locks().awaitWaiting(n, kBound); }
  Rows read(const std::string& sql) {
    Session s(db);
    return rowsOf(s.execute(sql));
  }
};

// A holds an open transaction; B runs a batch on another thread, which
// waits for A's locks (or does not), then A ends.
struct Blocking {
  const char* what;
  const char* open;  // A's work after BEGIN TRAN
  const char* end;   // COMMIT or ROLLBACK
  const char* other;
  bool waits;
  Rows otherSees;
  std::vector<int> otherErrors;
  const char* check;  // read after both ended
  Rows left;
};

TEST_F(LockingTest, AStatementWaitsForAnotherTransactionsLocksAndReadsWhatItLeft) {
  const Blocking cases[] = {
      {"read committed after an uncommitted update and insert, rolled back",
       "UPDATE t SET v = 99 WHERE k = 1 INSERT t VALUES (3, 30)",
       "ROLLBACK",
       "SELECT k, v FROM t ORDER BY k",
       true,
       {"1|10", "2|20"},
       {},
       "SELECT COUNT(*) FROM t",
       {"2"}},
      {"read committed after them, committed",
       "UPDATE t SET v = 99 WHERE k = 1 INSERT t VALUES (3, 30)",
       "COMMIT",
       "SELECT k, v FROM t ORDER BY k",
       true,
       {"1|99", "2|20", "3|30"},
       {},
       "SELECT COUNT(*) FROM t",
       {"3"}},
      {"read uncommitted reads the change at once",
       "UPDATE t SET v = 99 WHERE k = 1",
       "ROLLBACK",
       "SET TRANSACTION ISOLATION LEVEL READ UNCOMMITTED SELECT v FROM t WHERE k = 1",
       false,
       {"99"},
       {},
       "SELECT v FROM t WHERE k = 1",
       {"10"}},
      {"the increment waits for the rollback and ends at 11",
       "UPDATE t SET v = 99 WHERE k = 1",
       "ROLLBACK",
       "UPDATE t SET v = v + 1 WHERE k = 1 SELECT v FROM t WHERE k = 1",
       true,
       {"11"},
       {},
       "SELECT v FROM t WHERE k = 1",
       {"11"}},
      {"a delete of an uncommitted insert finds nothing after the rollback",
       "INSERT t VALUES (3, 30)",
       "ROLLBACK",
       "DELETE t WHERE k = 3 SELECT @@ROWCOUNT",
       true,
       {"0"},
       {},
       "SELECT COUNT(*) FROM t",
       {"2"}},
      {"a read through a view waits as its table's does",
       "UPDATE t SET v = 99 WHERE k = 2",
       "ROLLBACK",
       "SELECT v FROM tv WHERE k = 2",
       true,
       {"20"},
       {},
       "SELECT v FROM t WHERE k = 2",
       {"20"}},
      {"another table is free",
       "UPDATE t SET v = 99 WHERE k = 1",
       "ROLLBACK",
       "UPDATE u SET v = v + 1 SELECT v FROM u",
       false,
       {"101"},
       {},
       "SELECT v FROM u",
       {"101"}},
      {"read committed lets its shared lock go at the statement's end",
       "SELECT COUNT(*) FROM t",
       "COMMIT",
       "UPDATE t SET v = 0 WHERE k = 1 SELECT v FROM t WHERE k = 1",
       false,
       {"0"},
       {},
       "SELECT v FROM t WHERE k = 1",
       {"0"}},
      {"repeatable read keeps it to the transaction's end",
       "SET TRANSACTION ISOLATION LEVEL REPEATABLE READ SELECT COUNT(*) FROM t",
       "COMMIT",
       "UPDATE t SET v = 0 WHERE k = 1 SELECT v FROM t WHERE k = 1",
       true,
       {"0"},
       {},
       "SELECT v FROM t WHERE k = 1",
       {"0"}},
      {"serializable too",
       "SET TRANSACTION ISOLATION LEVEL SERIALIZABLE SELECT COUNT(*) FROM t",
       "COMMIT",
       "INSERT t VALUES (5, 50) SELECT COUNT(*) FROM t",
       true,
       {"3"},
       {},
       "SELECT COUNT(*) FROM t",
       {"3"}},
      {"an insert waits for ALTER TABLE, whose rollback keeps it",
       "ALTER TABLE t ADD w INT NULL",
       "ROLLBACK",
       "INSERT t VALUES (4, 40) SELECT COUNT(*) FROM t",
       true,
       {"3"},
       {},
       "SELECT k FROM t ORDER BY k",
       {"1", "2", "4"}},
      {"an insert waits for TRUNCATE, whose rollback keeps it",
       "TRUNCATE TABLE t",
       "ROLLBACK",
       "INSERT t VALUES (4, 40) SELECT COUNT(*) FROM t",
       true,
       {"3"},
       {},
       "SELECT k FROM t ORDER BY k",
       {"1", "2", "4"}},
      {"after a committed TRUNCATE the insert stands alone",
       "TRUNCATE TABLE t",
       "COMMIT",
       "INSERT t VALUES (4, 40) SELECT COUNT(*) FROM t",
       true,
       {"1"},
       {},
       "SELECT k FROM t",
       {"4"}},
      {"even a read uncommitted waits for DDL",
       "ALTER TABLE t ADD w INT NULL",
       "COMMIT",
       "SET TRANSACTION ISOLATION LEVEL READ UNCOMMITTED SELECT COUNT(*) FROM t",
       true,
       {"2"},
       {},
       "SELECT COUNT(w) FROM t",
       {"0"}},
      {"an insert waits for DROP TABLE, whose rollback keeps it",
       "DROP TABLE t",
       "ROLLBACK",
       "INSERT t VALUES (4, 40) SELECT COUNT(*) FROM t",
       true,
       {"3"},
       {},
       "SELECT COUNT(*) FROM t",
       {"3"}},
      {"a committed DROP TABLE leaves the name unknown",
       "DROP VIEW tv DROP TABLE t",
       "COMMIT",
       "SELECT COUNT(*) FROM t",
       true,
       {},
       {208},
       "SELECT COUNT(*) FROM sysobjects WHERE name = 't'",
       {"0"}},
      {"a view created in the transaction waits its end, and is gone after the rollback",
       "CREATE VIEW fresh AS SELECT k FROM t",
       "ROLLBACK",
       "SELECT COUNT(*) FROM fresh",
       true,
       {},
       {208},
       "SELECT COUNT(*) FROM t",
       {"2"}},
      {"a dropped view waits too, and reads its table after the rollback",
       "DROP VIEW tv",
       "ROLLBACK",
       "SELECT COUNT(*) FROM tv",
       true,
       {"2"},
       {},
       "SELECT COUNT(*) FROM INFORMATION_SCHEMA.TABLES WHERE "
       "TABLE_TYPE = 'VIEW'",
       {"1"}},
      {"a second UPDLOCK waits for the first's transaction",
       "SELECT COUNT(*) FROM t WITH (UPDLOCK) UPDATE t SET v = 11 WHERE k = 1",
       "COMMIT",
       "SELECT v FROM t WITH (UPDLOCK) WHERE k = 1",
       true,
       {"11"},
       {},
       "SELECT v FROM t WHERE k = 1",
       {"11"}},
      {"a change waits for an UPDLOCK held to the transaction's end",
       "SELECT COUNT(*) FROM t WITH (UPDLOCK)",
       "ROLLBACK",
       "DELETE t WHERE k = 1 SELECT COUNT(*) FROM t",
       true,
       {"1"},
       {},
       "SELECT k FROM t",
       {"2"}},
      {"a view's table takes rows while the view is made and taken back",
       "CREATE VIEW fresh AS SELECT k FROM u",
       "ROLLBACK",
       "INSERT u VALUES (2, 200) SELECT COUNT(*) FROM u",
       false,
       {"2"},
       {},
       "SELECT COUNT(*) FROM u",
       {"2"}},
  };
  for (const Blocking& c : cases) {
    db = Database::create();  // a fresh database for each case
    SetUp();
    Session a(db), b(db);
    b.execute(kBoundedWait);
    a.execute(std::string("BEGIN TRAN ") + c.open);
    Outcome seen;
    std::thread other([&] { seen = run(b, c.other); });
    if (c.waits) {
      EXPECT_TRUE(someoneWaits()) << c.what;
      a.execute(c.end);
      other.join();
    } else {
      other.join();
      a.execute(c.end);
    }
    EXPECT_EQ(seen.rows, c.otherSees) << c.what;
    EXPECT_EQ(seen.errors, c.otherErrors) << c.what;
    EXPECT_EQ(read(c.check), c.left) << c.what;
  }
}

// Several readers wait for one writer; each sees the committed rows.
TEST_F(LockingTest, ReadersWaitingForOneWriterAllSeeItsCommit) {
  Session a(db), b(db), c(db);
  b.execute(kBoundedWait);
  c.execute(kBoundedWait);
  a.execute("BEGIN TRAN UPDATE t SET v = v + 1 UPDATE u SET v = v + 1");
  Outcome seenB, seenC;
  std::thread tb([&] { seenB = run(b, "SELECT SUM(v) FROM t"); });
  std::thread tc([&] { seenC = run(c, "SELECT SUM(t.v), MAX(u.v) FROM t CROSS JOIN u"); });
  EXPECT_TRUE(someoneWaits(2));
  a.execute("COMMIT");
  tb.join();
  tc.join();
  EXPECT_EQ(seenB.rows, Rows{"32"});
  EXPECT_EQ(seenC.rows, Rows{"32|101"});
}

// LOCK_TIMEOUT: 0 does not wait, n waits n ms; either ends the statement
// with 1222, the transaction and the batch going on.
TEST_F(LockingTest, ALockTimeOutEndsTheStatementOnly) {
  Session a(db);
  a.execute("BEGIN TRAN UPDATE t SET v = 99 WHERE k = 1");
  for (const char* timeout : {"0", "50"}) {
    Session b(db);
    Outcome seen;
    std::thread other([&] {
      seen = run(b, std::string("SET LOCK_TIMEOUT ") + timeout +
                        " BEGIN TRAN UPDATE u SET v = 7 "
                        "SELECT v FROM t WHERE k = 1 "
                        "SELECT @@ERROR, @@TRANCOUNT, v FROM u");
    });
    other.join();
    EXPECT_EQ(seen.errors, std::vector<int>{1222}) << timeout;
    EXPECT_EQ(seen.rows, Rows{"1222|1|7"}) << timeout;
    b.execute("ROLLBACK");
  }
  EXPECT_EQ(testing::raised([&] {
              Session b(db);
              b.execute("SET LOCK_TIMEOUT 0 SELECT v FROM t");
            }).message(),
            "Lock request time out period exceeded.");
  a.execute("ROLLBACK");
  EXPECT_EQ(read("SELECT v FROM u"), Rows{"100"});
}

// Two updaters each holding what the other wants: the second to wait is the
// victim (1205, its transaction rolled back), the first goes on and commits.
// Three sessions in a ring end the same way.
TEST_F(LockingTest, ADeadlockEndsOneVictimAndTheOthersCommit) {
  for (int sessions : {2, 3}) {
    db = Database::create();
    Session setup(db);
    setup.execute(
        "CREATE TABLE c1 (v INT) INSERT c1 VALUES (0) CREATE TABLE c2 (v INT) INSERT c2 VALUES (0) "
        "CREATE TABLE c3 (v INT) INSERT c3 VALUES (0)");
    std::vector<std::unique_ptr<Session>> s;
    for (int i = 0; i < sessions; ++i) {
      s.push_back(std::make_unique<Session>(db));
      s[i]->execute(kBoundedWait);
      s[i]->execute("BEGIN TRAN UPDATE c" + std::to_string(i + 1) + " SET v = v + 1");
    }
    std::vector<Outcome> seen(sessions);
    std::vector<std::thread> threads;
    for (int i = 0; i < sessions; ++i) {
      // Each wants the next one's table; the last one closes the ring.
      const std::string next = std::to_string((i + 1) % sessions + 1);
      threads.emplace_back([&, i, next] {
        seen[i] = run(*s[i], "UPDATE c" + next + " SET v = v + 10 COMMIT SELECT @@TRANCOUNT");
      });
      if (i + 1 < sessions) {
        EXPECT_TRUE(someoneWaits(i + 1)) << sessions;
      }
    }
    for (std::thread& t : threads)
      t.join();
    for (int i = 0; i + 1 < sessions; ++i) {
      EXPECT_TRUE(seen[i].errors.empty()) << sessions << " session " << i;
      EXPECT_EQ(seen[i].rows, Rows{"0"}) << sessions << " session " << i;
    }
    EXPECT_EQ(seen[sessions - 1].errors, std::vector<int>{1205}) << sessions;
    // The message names the victim as its own @@SPID does, and every
    // session has an id of its own.
    Rows spids;
    for (auto& session : s)
      spids.push_back(rowsOf(session->execute("SELECT @@SPID")).at(0));
    EXPECT_EQ(std::set<std::string>(spids.begin(), spids.end()).size(), spids.size()) << sessions;
    EXPECT_NE(seen[sessions - 1].firstError.find("(Process ID " + spids.back() + ")"), std::string::npos)
        << seen[sessions - 1].firstError;
    EXPECT_EQ(rowsOf(s[sessions - 1]->execute("SELECT @@TRANCOUNT")), Rows{"0"}) << sessions;
    // The victim's first update is gone; every other update stands.
    Rows expected = sessions == 2 ? Rows{"1|10|0"} : Rows{"1|11|10"};
    EXPECT_EQ(read("SELECT c1.v, c2.v, c3.v FROM c1, c2, c3"), expected) << sessions;
  }
}

// Two connections of one thread: the second waiting for the first could
// never end, so it is refused at once as a deadlock rather than hanging;
// READ UNCOMMITTED reads through, and a connection holding no conflicting
// lock is not held up.
TEST_F(LockingTest, ASecondConnectionOfTheSameThreadNeverHangs) {
  Session a(db), b(db);
  a.execute("BEGIN TRAN UPDATE t SET v = 99 WHERE k = 1");
  EXPECT_EQ(testing::errorOf(b, "SELECT v FROM t"), 1205);
  EXPECT_EQ(rowsOf(b.execute("SET TRANSACTION ISOLATION LEVEL READ UNCOMMITTED SELECT v FROM t WHERE k = 1")),
            Rows{"99"});
  EXPECT_EQ(rowsOf(b.execute("SELECT v FROM u")), Rows{"100"});
  a.execute("ROLLBACK");
  EXPECT_EQ(rowsOf(b.execute("SET TRANSACTION ISOLATION LEVEL READ COMMITTED SELECT v FROM t WHERE k = 1")),
            Rows{"10"});
}

}  // namespace
}  // namespace mls::tsql

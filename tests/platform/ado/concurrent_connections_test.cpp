// Two and three ADO connections to one embedded Data Source, on threads of
// their own: a READ COMMITTED read waits for another's uncommitted change, a
// READ UNCOMMITTED one reads it, an increment waits for a rollback, and a
// deadlock or a lock time-out fails with its number in the Errors collection.
#ifdef MLS_ADO_EMBEDDED

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "platform/ado/embedded/embedded_provider.h"
#include "platform/ado/recordset.h"
#include "platform/tsql/exec/session_impl.h"
#include "support/com_errors.h"

namespace mls::ado {
namespace {

using com::Variant;
using mls::testing::raisedBy;

class ConcurrentConnectionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> n{0};
    source_ = "adolocks" + std::to_string(++n);
    connect()->execute(
        "CREATE TABLE t (k INT PRIMARY KEY, v INT) INSERT t VALUES (1, 10) "
        "CREATE TABLE u (k INT PRIMARY KEY, v INT) INSERT u VALUES (1, 100)");
  }
  // A connection; its lock waits end within 30 s however the test goes.
  com::Ref<Connection> connect(const char* isolation = "READ COMMITTED") {
    auto cn = com::makeObject<Connection>();
    cn->open("Provider=Marlstone.Embedded;Data Source=" + source_);
    cn->execute(std::string("SET LOCK_TIMEOUT 30000 SET TRANSACTION ISOLATION LEVEL ") + isolation);
    return cn;
  }
  bool someoneWaits(size_t n = 1) {
    return embedded::inMemoryDatabase(source_)->impl().locks().awaitWaiting(n, std::chrono::seconds(30));
  }
  static int32_t value(Connection& cn, const std::string& sql) { return cn.execute(sql)->value(0L).toLong(); }
  // The native number of the first entry of the connection's Errors collection.
  static int32_t nativeError(Connection& cn) {
    Variant errors = com::getProperty(cn, "Errors");
    if (com::getProperty(*errors.toObject(), "Count").toLong() == 0) return 0;
    Variant first = com::getProperty(*errors.toObject(), "Item", Variant(0));
    return com::getProperty(*first.toObject(), "NativeError").toLong();
  }

  std::string source_;
};

TEST_F(ConcurrentConnectionsTest, ReadCommittedWaitsWhereReadUncommittedReadsTheChange) {
  auto writer = connect(), reader = connect(), dirty = connect("READ UNCOMMITTED");
  writer->execute("BEGIN TRAN UPDATE t SET v = 99 WHERE k = 1");
  int32_t committed = 0;
  std::thread waiting([&] { committed = value(*reader, "SELECT v FROM t WHERE k = 1"); });
  EXPECT_TRUE(someoneWaits());
  EXPECT_EQ(value(*dirty, "SELECT v FROM t WHERE k = 1"), 99);
  writer->execute("ROLLBACK");
  waiting.join();
  EXPECT_EQ(committed, 10);
}

TEST_F(ConcurrentConnectionsTest, AnIncrementWaitsForTheRollbackAndEndsAtEleven) {
  auto a = connect(), b = connect();
  a->execute("BEGIN TRAN UPDATE t SET v = 99 WHERE k = 1");
  std::thread increment([&] { b->execute("UPDATE t SET v = v + 1 WHERE k = 1"); });
  EXPECT_TRUE(someoneWaits());
  a->execute("ROLLBACK");
  increment.join();
  EXPECT_EQ(value(*a, "SELECT v FROM t WHERE k = 1"), 11);
}

TEST_F(ConcurrentConnectionsTest, ADeadlockVictimFailsWith1205AndTheOtherCommits) {
  auto a = connect(), b = connect();
  a->execute("BEGIN TRAN UPDATE t SET v = v + 1");
  b->execute("BEGIN TRAN UPDATE u SET v = v + 1");
  std::thread first([&] { a->execute("UPDATE u SET v = v + 10 COMMIT"); });
  EXPECT_TRUE(someoneWaits());
  com::ComError e(0, "", "");
  std::thread second([&] { e = raisedBy([&] { b->execute("UPDATE t SET v = v + 10 COMMIT"); }); });
  second.join();
  first.join();
  EXPECT_EQ(nativeError(*b), 1205);
  EXPECT_TRUE(e.description().starts_with("Transaction (Process ID ")) << e.description();
  EXPECT_EQ(value(*b, "SELECT @@TRANCOUNT"), 0);
  EXPECT_EQ(value(*b, "SELECT v FROM t"), 11);
  EXPECT_EQ(value(*b, "SELECT v FROM u"), 110);
}

TEST_F(ConcurrentConnectionsTest, ALockTimeOutFailsWith1222AndKeepsTheTransaction) {
  auto a = connect(), b = connect();
  a->execute("BEGIN TRAN UPDATE t SET v = 99 WHERE k = 1");
  com::ComError e(0, "", "");
  std::thread waiting([&] {
    b->execute("SET LOCK_TIMEOUT 20 BEGIN TRAN UPDATE u SET v = 0");
    e = raisedBy([&] { b->execute("SELECT v FROM t"); });
  });
  waiting.join();
  EXPECT_EQ(e.description(), "Lock request time out period exceeded.");
  EXPECT_EQ(nativeError(*b), 1222);
  EXPECT_EQ(value(*b, "SELECT @@TRANCOUNT"), 1);
  b->execute("ROLLBACK");
  a->execute("ROLLBACK");
  EXPECT_EQ(value(*a, "SELECT v FROM t") * 1000 + value(*a, "SELECT v FROM u"), 10100);
}

}  // namespace
}  // namespace mls::ado

#endif

// Several threads on one embedded database through the public classes: each
// writer repeats ConcludeUpdate.UpdateBatch with one transaction that
// increments a shared counter and logs the increment, while readers ask, in
// one statement at READ COMMITTED, for the counter and the log's count.  No
// increment may be lost and no reader may ever see a batch half done.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "classes/library.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/com/dispatch.h"
#include "support/test_database.h"

namespace mls::testing {
namespace {

using com::Variant;

constexpr int kWriters = 4;
constexpr int kBatches = 40;  // each
constexpr int kReaders = 2;

TEST(ConcurrentBatchesTest, EveryIncrementStaysAndNoReaderSeesHalfABatch) {
  classes::registerInProcess();
  TestDatabase db;
  db.run(
      "CREATE TABLE t_Counter (FCount INT NOT NULL) INSERT INTO t_Counter (FCount) VALUES (0) "
      "CREATE TABLE t_CounterLog (FWriter INT NOT NULL, FSeq INT NOT NULL)");

  std::atomic<int> failures{0}, writersLeft{kWriters};
  std::atomic<int> halfSeen{0}, reads{0};
  std::vector<std::thread> threads;
  for (int w = 0; w < kWriters; ++w) {
    threads.emplace_back([&, w] {
      com::Ref<com::Dispatch> update = com::createObject("Marlstone.ConcludeUpdate");
      for (int i = 0; i < kBatches; ++i) {
        // A wait that a fault made endless ends the call (1222) within 30 s.
        Variant batch =
            com::SafeArray::vector({Variant("SET LOCK_TIMEOUT 30000\r\n"), Variant("BEGIN TRAN\r\n"),
                                    Variant("UPDATE t_Counter SET FCount = FCount + 1\r\n"),
                                    Variant("INSERT INTO t_CounterLog (FWriter, FSeq) VALUES (" +
                                            std::to_string(w) + ", " + std::to_string(i) + ")\r\n"),
                                    Variant("COMMIT TRAN\r\n")});
        try {
          com::callByName(*update, "UpdateBatch", db.props(), batch);
        } catch (const com::ComError& e) {
          ADD_FAILURE() << "writer " << w << ": " << e.description();
          ++failures;
        }
      }
      --writersLeft;
    });
  }
  for (int r = 0; r < kReaders; ++r) {
    threads.emplace_back([&] {
      com::Ref<ado::Connection> cn = com::makeObject<ado::Connection>();
      cn->open(db.connectString());
      cn->execute("SET LOCK_TIMEOUT 30000");
      // At least one read after the writers are done; at most a bounded number.
      for (int i = 0; i < 2000; ++i) {
        const bool last = writersLeft == 0;
        com::Ref<ado::Recordset> rs =
            cn->execute("SELECT c.FCount, (SELECT COUNT(*) FROM t_CounterLog) AS FLogged FROM t_Counter c");
        ++reads;
        if (rs->value(0L).toLong() != rs->value(1L).toLong()) ++halfSeen;
        if (last) break;
      }
      cn->close();
    });
  }
  for (std::thread& t : threads)
    t.join();

  EXPECT_EQ(failures, 0);
  EXPECT_EQ(halfSeen, 0) << "of " << reads << " reads";
  EXPECT_GT(reads, 0);
  EXPECT_EQ(db.run("SELECT FCount FROM t_Counter")[0][0].toLong(), kWriters * kBatches);
  EXPECT_EQ(db.run("SELECT COUNT(*) FROM t_CounterLog")[0][0].toLong(), kWriters * kBatches);
  // Each writer's batches all stayed, once each.
  EXPECT_EQ(db.run("SELECT COUNT(*) FROM (SELECT DISTINCT FWriter, FSeq FROM t_CounterLog) d")[0][0].toLong(),
            kWriters * kBatches);
}

}  // namespace
}  // namespace mls::testing

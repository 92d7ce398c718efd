// ConcludeUpdate.GetICStockBillDataForCB on a recorded connection while
// another holds uncommitted bills (which bills reach the snapshot, how they
// are copied, the keys afterwards and the errors are in cases/snapshot.calls).
#include "calc_fixture.h"

namespace mls::testing {
namespace {

using com::Vote;

using SnapshotTest = CalcTest;

TEST_F(SnapshotTest, ReadsUncommittedRowsOnAReadUncommittedConnectionInThreeBatches) {
  com::VoteRecorder votes;
  auto recording = whileUncommitted(
      "INSERT INTO ICStockBill (FInterID, FTranType, FDate, FStatus, FCancellation, FPurposeID) VALUES (40, "
      "2, "
      "'2024-03-02', 0, 0, 0)",
      [&] {
        callWith(recordingProps(), "GetICStockBillDataForCB", {2024, 3});
      });
  EXPECT_EQ(rows("SELECT FInterID FROM cb_ICStockBill"), (Rows{{"40"}}));
  EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Complete});
  // The method's own connection (the period component opens others): the
  // isolation, then the tables, the copy and the work tables.
  const std::vector<std::string>* batches = sessionOf(*recording, "cb_ICStockBill");
  ASSERT_TRUE(batches);
  ASSERT_EQ(batches->size(), 4u);
  EXPECT_EQ((*batches)[0], "SET TRANSACTION ISOLATION LEVEL READ UnCOMMITTED");
  EXPECT_TRUE((*batches)[1].starts_with("IF OBJECT_ID('cb_ICStockBillPeriod') IS NULL"));
}

}  // namespace
}  // namespace mls::testing

// ConcludeUpdate.GetICStockBillDataForCB: which live bills reach the snapshot,
// how they are copied, the keys and work tables afterwards, and its frame.
#include "calc_fixture.h"
#include "frame/sql_literal.h"

namespace mls::testing {
namespace {

using com::Vote;

class SnapshotTest : public CalcTest {
 protected:
  Rows snapshotBills() const { return rows("SELECT FInterID FROM cb_ICStockBill ORDER BY FInterID"); }
  Rows snapshotLines() const {
    return rows("SELECT FInterID, FEntryID FROM cb_ICStockBillEntry ORDER BY FInterID, FEntryID");
  }
  // One bill with one line per date, numbered from 1.
  void billsOn(const std::vector<std::string>& dates) const {
    for (size_t i = 0; i < dates.size(); ++i) {
      bill({.id = static_cast<int>(i + 1), .date = dates[i]});
      line(static_cast<int>(i + 1), 1, 500, 1.0);
    }
  }
};

// The window takes its first day and leaves the next period's first day;
// period 12 and any beyond it roll into the next year.
TEST_F(SnapshotTest, TheWindowOfThePeriod) {
  billsOn({"2024-02-29 23:59:59", "2024-03-01", "2024-03-31 23:59:59", "2024-04-01", "2024-11-30",
           "2024-12-01", "2024-12-31", "2025-01-01"});
  const std::pair<int, Rows> cases[] = {{3, {{"2"}, {"3"}}}, {12, {{"6"}, {"7"}}}, {13, {{"6"}, {"7"}}}};
  for (const auto& [period, bills] : cases) {
    snapshot(2024, period);
    EXPECT_EQ(snapshotBills(), bills) << period;
    EXPECT_EQ(snapshotLines().size(), bills.size()) << period;
  }
  // Periods starting on the 26th.
  std::vector<std::string> days{"2023-12-26"};
  for (int m = 1; m < 12; ++m)
    days.push_back("2024-" + std::string(m < 10 ? "0" : "") + std::to_string(m) + "-26");
  db_.setCalendar(2024, days);
  exec("DELETE FROM ICStockBillEntry DELETE FROM ICStockBill");
  billsOn({"2024-02-25", "2024-02-26", "2024-03-25", "2024-03-26", "2024-03-01"});
  snapshot(2024, 3);
  EXPECT_EQ(snapshotBills(), (Rows{{"2"}, {"3"}, {"5"}}));
}

TEST_F(SnapshotTest, BillsAreCopiedColumnByColumnWithTheirNullsReplaced) {
  // Receipt 2 is hooked to an invoice (group 78), receipt 3 is not.
  exec(
      "INSERT INTO ICStockBill (FInterID, FBillNo, FTranType, FDate, FDeptID, FHookInterID, FVchInterID, "
      "FROB, FCheckerID, FStatus, FCancellation, FPurposeID) VALUES (1, NULL, 24, '2024-03-05', NULL, 77, "
      "NULL, NULL, NULL, 0, 1, 12001), (2, N'SOUT2', 2, '2024-03-06', 4, 78, 55, -1, 16, 2, 0, 0), (3, "
      "N'SOUT3', 2, '2024-03-07', 4, NULL, 0, 1, 16, 1, 0, 0) INSERT INTO ICStockBillEntry (FInterID, "
      "FEntryID, FItemID, FQty, FPrice, FBatchNo, FAmount, FUnitID, FPlanPrice, FPlanAmount, FCostCenterID, "
      "FICMOInterID, FCostObjGroupID, FCostOBJID, FReProduceType) VALUES (2, 2, 3, 4.5, 5.25, 'L6', 7.75, 8, "
      "9.5, 10.5, 11, 12, 13, 14, 1058)");
  snapshot(2024, 3);
  EXPECT_EQ(rows("SELECT FInterID, FTranType, FDate, FBillNo, FDeptID, FHookInterID, FVchInterID, FROB, "
                 "FCheckerID, FStatus, FCancellation, FPurposeID FROM cb_ICStockBill ORDER BY FInterID"),
            (Rows{{"1", "24", "2024-03-05", "", "0", "77", "0", "0", "0", "0", "1", "12001"},
                  {"2", "2", "2024-03-06", "SOUT2", "4", "78", "55", "-1", "16", "2", "0", "0"},
                  {"3", "2", "2024-03-07", "SOUT3", "4", "0", "0", "1", "16", "1", "0", "0"}}));
  EXPECT_EQ(rows("SELECT FInterID, FEntryID, FItemID, FQty, FPrice, FBatchNo, FAmount, FUnitID, FPlanPrice, "
                 "FPlanAmount, FCostCenterID, FICMOInterID, FCostObjGroupID, FCostOBJID, FReProduceType "
                 "FROM cb_ICStockBillEntry"),
            (Rows{{"2", "2", "3", "4.5", "5.25", "L6", "7.75", "8", "9.5", "10.5", "11", "12", "13", "14",
                   "1058"}}));
}

TEST_F(SnapshotTest, ThreeTypesInEveryStateAndNoOtherType) {
  int id = 0;
  for (int type : {24, 2, 5, 1, 21}) {
    bill({.id = ++id, .type = type});
    line(id, 1, 500, 1.0);
  }
  bill({.id = ++id, .cancellation = 1});
  bill({.id = ++id, .status = 0});
  exec("UPDATE ICStockBill SET FCheckerID = NULL WHERE FInterID = 7");
  bill({.id = ++id, .type = 5, .purpose = 12002});
  snapshot(2024, 3);
  EXPECT_EQ(snapshotBills(), (Rows{{"1"}, {"2"}, {"3"}, {"6"}, {"7"}, {"8"}}));
  EXPECT_EQ(snapshotLines(), (Rows{{"1", "1"}, {"2", "1"}, {"3", "1"}}));
}

TEST_F(SnapshotTest, KeysAndIndexesStandAfterwards) {
  snapshot(2024, 3);
  EXPECT_EQ(rows("SELECT name FROM sysobjects WHERE xtype = 'PK' AND parent_obj IN "
                 "(OBJECT_ID('cb_ICStockBill'), OBJECT_ID('cb_ICStockBillEntry')) ORDER BY name"),
            (Rows{{"pk_cb_ICStockBill"}, {"pk_cb_ICStockBillEntry"}}));
  EXPECT_EQ(
      rows("SELECT name, indid FROM sysindexes WHERE id = OBJECT_ID('cb_ICStockBill') ORDER BY indid, name"),
      (Rows{{"pk_cb_ICStockBill", "1"},
            {"idx_cb_ICStockBill_FDate", "2"},
            {"idx_cb_ICStockBill_FHookInterID", "3"},
            {"idx_cb_ICStockBill_FVchInterID", "4"}}));
  EXPECT_EQ(
      rows("SELECT name, indid FROM sysindexes WHERE id = OBJECT_ID('cb_ICStockBillEntry') ORDER BY indid"),
      (Rows{{"pk_cb_ICStockBillEntry", "1"}, {"idx_cb_ICStockBillEntry_FItemID", "2"}}));
  // The work tables' clustered indexes are plain indexes, not keys.
  EXPECT_EQ(
      rows("SELECT name, indid FROM sysindexes WHERE id = OBJECT_ID('CBCalInfo_CurData') ORDER BY indid"),
      (Rows{{"PK_CBCalInfo_CurData", "1"}, {"IDX_CBCalInfo_CurData_FYearPeriod", "2"}}));
  EXPECT_EQ(rows("SELECT name, indid FROM sysindexes WHERE id = OBJECT_ID('CBCalInfoDetail_CurData')"),
            (Rows{{"PK_CBCalInfoDetail_CurData", "1"}}));
  EXPECT_EQ(count("sysobjects", "parent_obj = OBJECT_ID('CBCalInfo_CurData') AND xtype IN ('PK', 'UQ')"), 0);
  // The keys are enforced from now on.
  EXPECT_THROW(exec("INSERT INTO cb_ICStockBill (FInterID) VALUES (1) INSERT INTO cb_ICStockBill (FInterID) "
                    "VALUES (1)"),
               com::ComError);
}

TEST_F(SnapshotTest, EachCallReplacesTheSnapshotAndEmptiesTheWorkTablesOfEveryPeriod) {
  billsOn({"2024-03-10", "2024-04-10"});
  snapshot(2024, 3);
  exec(
      "INSERT INTO CBCalInfo_CurData (FYear, FPeriod, FDeptID) VALUES (2023, 1, 1), (2024, 3, 1), (2025, 7, "
      "1) INSERT INTO CBCalInfoDetail_CurData (FYear, FPeriod, FDeptID) VALUES (2023, 1, 1), (2024, 3, 1)");
  snapshot(2024, 3);
  EXPECT_EQ(snapshotBills(), (Rows{{"1"}}));
  EXPECT_EQ(count("CBCalInfo_CurData"), 0);
  EXPECT_EQ(count("CBCalInfoDetail_CurData"), 0);

  snapshot(2024, 4);
  EXPECT_EQ(snapshotBills(), (Rows{{"2"}}));
  EXPECT_EQ(count("cb_ICStockBill", "FDate < '2024-04-01'"), 0);
}

TEST_F(SnapshotTest, ReadsUncommittedRowsOnAReadUncommittedConnectionInThreeBatches) {
  com::VoteRecorder votes;
  auto recording = whileUncommitted(
      "INSERT INTO ICStockBill (FInterID, FTranType, FDate, FStatus, FCancellation, FPurposeID) VALUES (40, "
      "2, "
      "'2024-03-02', 0, 0, 0)",
      [&] {
        callWith(recordingProps(), "GetICStockBillDataForCB", {2024, 3});
      });
  EXPECT_EQ(snapshotBills(), (Rows{{"40"}}));
  EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Complete});
  // The method's own connection (the period component opens others): the
  // isolation, then the tables, the copy and the work tables.
  const std::vector<std::string>* batches = sessionOf(*recording, "cb_ICStockBill");
  ASSERT_TRUE(batches);
  ASSERT_EQ(batches->size(), 4u);
  EXPECT_EQ((*batches)[0], "SET TRANSACTION ISOLATION LEVEL READ UnCOMMITTED");
  EXPECT_TRUE((*batches)[1].starts_with("IF OBJECT_ID('cb_ICStockBillPeriod') IS NULL"));
}

TEST_F(SnapshotTest, AFailurePassesUnchangedWithoutAVoteAndKeepsTheEarlierBatches) {
  snapshot(2024, 3);
  exec(
      "INSERT INTO ICStockBill (FInterID, FTranType, FDate, FStatus, FCancellation, FPurposeID) VALUES "
      "(1, 24, '2024-03-02', NULL, 0, 12000)");
  const com::ExcepInfo direct =
      directError("CREATE TABLE probe (a INT NOT NULL) INSERT INTO probe VALUES (NULL)");
  com::VoteRecorder votes;
  com::ExcepInfo e = failure("GetICStockBillDataForCB", {2024, 3});
  EXPECT_EQ(e.number, direct.number);
  EXPECT_EQ(e.source, direct.source);
  EXPECT_TRUE(votes.votes().empty());
  // Batch 2 created the tables and stopped at the header insert: the empty
  // snapshot records no period, so the reset refuses it.
  EXPECT_EQ(count("cb_ICStockBill"), 0);
  EXPECT_EQ(count("sysobjects", "name = 'pk_cb_ICStockBill'"), 0);
  EXPECT_EQ(count("cb_ICStockBillPeriod"), 0);
  EXPECT_EQ(failure("DeleteCalInfo", {2024, 3}).number, -1);
}

TEST_F(SnapshotTest, AWindowTheDatabaseCannotHoldFailsBeforeTheOldSnapshotGoes) {
  billsOn({"2024-03-10"});
  snapshot(2024, 3);
  com::ExcepInfo e = failure("GetICStockBillDataForCB", {1752, 3});
  EXPECT_EQ(e.number, com::err::kInvalidCall);
  EXPECT_NE(e.description.find("1753-01-01 to 9999-12-31"), std::string::npos) << e.description;
  EXPECT_EQ(snapshotBills(), (Rows{{"1"}}));
  EXPECT_EQ(rows("SELECT FYear, FPeriod FROM cb_ICStockBillPeriod"), (Rows{{"2024", "3"}}));
}

}  // namespace
}  // namespace mls::testing

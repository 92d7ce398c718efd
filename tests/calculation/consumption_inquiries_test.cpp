// CalInfo.GetSpendMaterielSum and GetICMOMaterielQtyToCostItem: what cost
// object 5 consumed in March 2024, over work in process and distributions,
// and through its production orders still open at the period's end.
#include "cal_info_inquiry_fixture.h"

namespace mls::testing {
namespace {

class ConsumptionTest : public CalInfoInquiryTest {
 protected:
  void SetUp() override {
    CalInfoInquiryTest::SetUp();
    snapshot(2024, 3);
  }
};

TEST_F(ConsumptionTest, SpentQuantitiesAddWorkInProcessAndEveryDistribution) {
  // Issue 1 of department 1: item 10 in batches L1 and L2, item 11; issue 2
  // of department 2: item 10.  Distribution (bill, line, cost object, cost
  // item, quantity): batches L1 and L2 add up; bill 9 is not in the snapshot.
  exec(
      "INSERT INTO cb_ICStockBill (FInterID, FTranType, FDeptID) VALUES (1, 24, 1), (2, 24, 2) INSERT INTO "
      "cb_ICStockBillEntry (FInterID, FEntryID, FItemID, FBatchNo) VALUES (1, 1, 10, 'L1'), (1, 2, 10, "
      "'L2'), (1, 3, 11, ''), (2, 1, 10, 'L1') INSERT INTO cbCostObjDetail (FYear, FPeriod, FDepID, "
      "FCostObjID, FCostItemID, FMaterielID, FBatchNo, FQty) VALUES (2024, 3, 1, 5, 1, 10, 'L1', 2), (2024, "
      "3, 1, 6, 1, 10, 'L1', 50), (2024, 2, 1, 5, 1, 10, 'L1', 60) INSERT INTO cbMaterielInfo (FYear, "
      "FPeriod, FInterID, FEntryID, FCostObjID, FCostItemID, FQty) VALUES (2024, 3, 1, 1, 5, 1, 3), (2024, "
      "3, 1, 2, 5, 1, 4), (2024, 3, 1, 3, 5, 2, 1), (2024, 3, 2, 1, 5, 1, 7), (2024, 3, 9, 1, 5, 1, 70), "
      "(2024, 2, 1, 1, 5, 1, 80), (2024, 3, 1, 1, 0, 1, 9) INSERT INTO cbWMaterielInfo (FYear, FPeriod, "
      "FInterID, FEntryID, FCostObjID, FCostItemID, FQty) VALUES (2024, 3, 1, 1, 5, 1, 0.5) INSERT INTO "
      "CBWBMaterielInfo (FYear, FPeriod, FInterID, FEntryID, FCostObjID, FCostItemID, FQty) VALUES (2024, 3, "
      "1, 1, 5, 1, -1), (2024, 3, 1, 1, 5, 1, -1)");
  const Rows costObject5{
      {"1", "5", "1", "10", "7.5"}, {"1", "5", "2", "11", "1"}, {"2", "5", "1", "10", "7"}};
  com::Variant answer = call("GetSpendMaterielSum", {2024, 3, 1, 5});
  EXPECT_EQ(columnsOf(answer),
            (std::vector<std::string>{"FDeptID", "FCostObjID", "FCostItemID", "FMaterielID", "FSumQty"}));
  EXPECT_EQ(rowsOf(answer), costObject5);
  EXPECT_EQ(rowsOf(call("GetSpendMaterielSum", {2024, 3, 2, 5})), costObject5);  // every department
  EXPECT_EQ(rowsOf(call("GetSpendMaterielSum", {2024, 3})),
            (Rows{{"1", "0", "1", "10", "9"}}));  // cost object 0
}

// Orders: 100 open, 101 closed in March, 102 closed on April 1st, 103 of
// status 0, 104 of cost object 6, 105 not a production order (type 86).
// Item 10 is batch-tracked without a cost item of its own, 11 has cost item
// 7, 12 neither.  Bills 2 (unchecked), 3 (cancelled) and 4 (a receipt) carry
// lines that would count otherwise.
class OrderIssueTest : public ConsumptionTest {
 protected:
  void SetUp() override {
    ConsumptionTest::SetUp();
    exec(
        "INSERT INTO t_ICItem (FItemID, FTrack, FCostProject) VALUES (10, 80, 0), (11, 0, 7), (12, 0, 0) "
        "INSERT INTO cbCostItem (FItemID, FTypeID) VALUES (3, 901), (2, 901), (4, 902) INSERT INTO ICMO "
        "(FInterID, FTranType, FCostObjID, FStatus, FCloseDate) VALUES (100, 85, 5, 1, NULL), (101, 85, 5, "
        "3, '2024-03-31'), (102, 85, 5, 3, '2024-04-01'), (103, 85, 5, 0, NULL), (104, 85, 6, 2, NULL), "
        "(105, 86, 5, 2, NULL) INSERT INTO cb_ICStockBill (FInterID, FTranType, FDeptID, FCheckerID, "
        "FCancellation) VALUES (1, 24, 1, 9, 0), (2, 24, 1, 0, 0), (3, 24, 1, 9, 1), (4, 2, 1, 9, 0) INSERT "
        "INTO cb_ICStockBillEntry (FInterID, FEntryID, FItemID, FBatchNo, FQty, FICMOInterID, FCostOBJID) "
        "VALUES (1, 1, 10, 'L1', 2, 100, 5), (1, 2, 10, 'L2', 3, 100, 5), (1, 3, 11, 'X1', 4, 100, 5), (1, "
        "4, 11, 'X2', 5, 102, 5), (1, 5, 12, '', 1.5, 100, 5), (1, 6, 12, '', 1, 101, 5), (1, 7, 12, '', 1, "
        "103, 5), (1, 8, 12, '', 1, 104, 5), (1, 9, 10, '', 1, 105, 5), (1, 10, 12, '', 1, 104, 6), (2, 1, "
        "12, '', 1, 100, 5), (3, 1, 12, '', 1, 100, 5), (4, 1, 12, '', 1, 100, 5)");
  }
  Rows issues(int costObj, int period) {
    return rowsOf(call("GetICMOMaterielQtyToCostItem", {1, costObj, 2024, period}));
  }
};

TEST_F(OrderIssueTest, IssuesToOpenOrdersByCostItemAndBatch) {
  EXPECT_EQ(
      columnsOf(call("GetICMOMaterielQtyToCostItem", {2, 5, 2024, 3})),
      (std::vector<std::string>{"FDeptID", "FCostObjID", "FCostItemID", "FMaterielID", "FBatchNo", "FQty"}));
  // Batches kept for item 10 only; the first material cost item (2) for 10
  // and 12.  Order 102 counts in March, not in April.
  Rows march{{"1", "5", "2", "10", "L1", "2"},
             {"1", "5", "2", "10", "L2", "3"},
             {"1", "5", "2", "12", "", "1.5"},
             {"1", "5", "7", "11", "", "9"}};
  EXPECT_EQ(issues(5, 3), march);
  march[3][5] = "4";
  EXPECT_EQ(issues(5, 4), march);
  EXPECT_EQ(issues(6, 3), (Rows{{"1", "6", "2", "12", "", "1"}}));
  // Without a material cost item: cost item 0.
  exec("DELETE FROM cbCostItem WHERE FTypeID = 901");
  EXPECT_EQ(issues(6, 3), (Rows{{"1", "6", "0", "12", "", "1"}}));
}

}  // namespace
}  // namespace mls::testing

// CalInfo.GetSpendMaterielSum and GetICMOMaterielQtyToCostItem: what one cost
// object consumed in March 2024, over work in process and distributions, and
// through its production orders still open at the period's end.
#include "cal_info_inquiry_fixture.h"
#include "frame/sql_literal.h"

namespace mls::testing {
namespace {

using frame::sqlNumber;
using frame::sqlText;

struct IssueLine {
  int interId = 1;
  int entryId = 1;
  int item = 10;
  std::string batch = "";
  double qty = 1;
  int icmo = 0;
  int costObj = 5;
};

class ConsumptionTest : public CalInfoInquiryTest {
 protected:
  void SetUp() override {
    CalInfoInquiryTest::SetUp();
    snapshot(2024, 3);
  }
  // Issue bill headers of the snapshot.
  void header(int id, int dept, int checker = 9, int cancellation = 0, int type = 24) const {
    exec(
        "INSERT INTO cb_ICStockBill (FInterID, FTranType, FDeptID, FCheckerID, FStatus, FCancellation) "
        "VALUES (" +
        sqlNumber(id) + ", " + sqlNumber(type) + ", " + sqlNumber(dept) + ", " + sqlNumber(checker) +
        ", 1, " + sqlNumber(cancellation) + ")");
  }
  void issueLine(const IssueLine& l) const {
    exec(
        "INSERT INTO cb_ICStockBillEntry (FInterID, FEntryID, FItemID, FBatchNo, FQty, FICMOInterID, "
        "FCostOBJID) "
        "VALUES (" +
        sqlNumber(l.interId) + ", " + sqlNumber(l.entryId) + ", " + sqlNumber(l.item) + ", " +
        sqlText(l.batch) + ", " + sqlNumber(l.qty) + ", " + sqlNumber(l.icmo) + ", " + sqlNumber(l.costObj) +
        ")");
  }
  void distribute(const char* table, int interId, int entryId, int costObj, int costItem, double qty,
                  int period = 3) const {
    exec(std::string("INSERT INTO ") + table +
         " (FYear, FPeriod, FInterID, FEntryID, FCostObjID, FCostItemID, FQty) VALUES (2024, " +
         sqlNumber(period) + ", " + sqlNumber(interId) + ", " + sqlNumber(entryId) + ", " +
         sqlNumber(costObj) + ", " + sqlNumber(costItem) + ", " + sqlNumber(qty) + ")");
  }
};

TEST_F(ConsumptionTest, SpentQuantitiesAddWorkInProcessAndEveryDistribution) {
  header(1, 1);
  header(2, 2);
  issueLine({.entryId = 1, .batch = "L1"});
  issueLine({.entryId = 2, .batch = "L2"});
  issueLine({.entryId = 3, .item = 11});
  issueLine({.interId = 2, .entryId = 1, .batch = "L1"});
  exec(
      "INSERT INTO cbCostObjDetail (FYear, FPeriod, FDepID, FCostObjID, FCostItemID, FMaterielID, FBatchNo, "
      "FQty) "
      "VALUES (2024, 3, 1, 5, 1, 10, 'L1', 2), (2024, 3, 1, 6, 1, 10, 'L1', 50), (2024, 2, 1, 5, 1, 10, "
      "'L1', 60)");
  distribute("cbMaterielInfo", 1, 1, 5, 1, 3);
  distribute("cbMaterielInfo", 1, 2, 5, 1, 4);  // another batch, the same row
  distribute("cbMaterielInfo", 1, 3, 5, 2, 1);
  distribute("cbMaterielInfo", 2, 1, 5, 1, 7);   // department 2
  distribute("cbMaterielInfo", 9, 1, 5, 1, 70);  // its line is not in the snapshot
  distribute("cbMaterielInfo", 1, 1, 5, 1, 80, 2);
  distribute("cbMaterielInfo", 1, 1, 0, 1, 9);
  distribute("cbWMaterielInfo", 1, 1, 5, 1, 0.5);
  distribute("CBWBMaterielInfo", 1, 1, 5, 1, -1);
  distribute("CBWBMaterielInfo", 1, 1, 5, 1, -1);
  const Rows costObject5{
      {"1", "5", "1", "10", "7.5"}, {"1", "5", "2", "11", "1"}, {"2", "5", "1", "10", "7"}};
  com::Variant answer = ask("GetSpendMaterielSum", {2024, 3, 1, 5});
  EXPECT_EQ(columnsOf(answer),
            (std::vector<std::string>{"FDeptID", "FCostObjID", "FCostItemID", "FMaterielID", "FSumQty"}));
  EXPECT_EQ(rowsOf(answer), costObject5);
  EXPECT_EQ(rowsOf(ask("GetSpendMaterielSum", {2024, 3, 2, 5})), costObject5);  // every department
  // Without a cost object: cost object 0.
  EXPECT_EQ(rowsOf(ask("GetSpendMaterielSum", {2024, 3})), (Rows{{"1", "0", "1", "10", "9"}}));
  EXPECT_TRUE(rowsOf(ask("GetSpendMaterielSum", {2024, 4, 0, 5})).empty());
}

// Cost object 5's orders: 100 open, 101 closed in March, 102 closed on the
// next period's first day, 103 of status 0, 104 of cost object 6, 105 not a
// production order (type 86).  Item 10 is batch-tracked without a cost item
// of its own, 11 has cost item 7, 12 neither.
class OrderIssueTest : public ConsumptionTest {
 protected:
  void SetUp() override {
    ConsumptionTest::SetUp();
    item(10, std::nullopt, 80);
    item(11);
    item(12);
    exec("UPDATE t_ICItem SET FCostProject = 7 WHERE FItemID = 11");
    exec(
        "INSERT INTO cbCostItem (FItemID, FNumber, FName, FTypeID) VALUES (3, '03', 'Material B', 901), "
        "(2, '02', 'Material A', 901), (4, '04', 'Labour', 902)");
    exec(
        "INSERT INTO ICMO (FInterID, FTranType, FCostObjID, FStatus, FCloseDate) VALUES (100, 85, 5, 1, "
        "NULL), "
        "(101, 85, 5, 3, '2024-03-31'), (102, 85, 5, 3, '2024-04-01'), (103, 85, 5, 0, NULL), "
        "(104, 85, 6, 2, NULL), (105, 86, 5, 2, NULL)");
    header(1, 1);
    header(2, 1, 0);     // unchecked
    header(3, 1, 9, 1);  // cancelled
    header(4, 1, 9, 0, 2);
    const IssueLine lines[] = {
        {.entryId = 1, .batch = "L1", .qty = 2, .icmo = 100},
        {.entryId = 2, .batch = "L2", .qty = 3, .icmo = 100},
        {.entryId = 3, .item = 11, .batch = "X1", .qty = 4, .icmo = 100},
        {.entryId = 4, .item = 11, .batch = "X2", .qty = 5, .icmo = 102},
        {.entryId = 5, .item = 12, .qty = 1.5, .icmo = 100},
        {.entryId = 6, .item = 12, .icmo = 101},
        {.entryId = 7, .item = 12, .icmo = 103},
        {.entryId = 8, .item = 12, .icmo = 104},
        {.entryId = 9, .icmo = 105},
        {.entryId = 10, .item = 12, .icmo = 104, .costObj = 6},
        {.interId = 2, .item = 12, .icmo = 100},
        {.interId = 3, .item = 12, .icmo = 100},
        {.interId = 4, .item = 12, .icmo = 100},
    };
    for (const IssueLine& l : lines)
      issueLine(l);
  }
};

TEST_F(OrderIssueTest, IssuesToOpenOrdersByCostItemAndBatch) {
  com::Variant answer = ask("GetICMOMaterielQtyToCostItem", {1, 5, 2024, 3});
  EXPECT_EQ(columnsOf(answer), (std::vector<std::string>{"FDeptID", "FCostObjID", "FCostItemID",
                                                         "FMaterielID", "FBatchNo", "FQty"}));
  // Batches kept for item 10 only; the first material cost item for 10 and 12.
  const Rows expected{{"1", "5", "2", "10", "L1", "2"},
                      {"1", "5", "2", "10", "L2", "3"},
                      {"1", "5", "2", "12", "", "1.5"},
                      {"1", "5", "7", "11", "", "9"}};
  EXPECT_EQ(rowsOf(answer), expected);
  EXPECT_EQ(rowsOf(ask("GetICMOMaterielQtyToCostItem", {2, 5, 2024, 3})), expected);  // every department
  // Order 102 closed on April 1st is not open at the end of April.
  EXPECT_EQ(rowsOf(ask("GetICMOMaterielQtyToCostItem", {1, 5, 2024, 4})),
            (Rows{{"1", "5", "2", "10", "L1", "2"},
                  {"1", "5", "2", "10", "L2", "3"},
                  {"1", "5", "2", "12", "", "1.5"},
                  {"1", "5", "7", "11", "", "4"}}));
  // Cost object 6's line of its own order counts for 6.
  EXPECT_EQ(rowsOf(ask("GetICMOMaterielQtyToCostItem", {1, 6, 2024, 3})),
            (Rows{{"1", "6", "2", "12", "", "1"}}));
}

TEST_F(OrderIssueTest, WithoutAMaterialCostItemTheCostItemIs0) {
  exec("DELETE FROM cbCostItem WHERE FTypeID = 901");
  EXPECT_EQ(rowsOf(ask("GetICMOMaterielQtyToCostItem", {1, 5, 2024, 3})),
            (Rows{{"1", "5", "0", "10", "L1", "2"},
                  {"1", "5", "0", "10", "L2", "3"},
                  {"1", "5", "0", "12", "", "1.5"},
                  {"1", "5", "7", "11", "", "9"}}));
}

}  // namespace
}  // namespace mls::testing

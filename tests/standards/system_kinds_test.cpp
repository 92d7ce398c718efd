// The system standard kinds executed against #OnlineCostObj: the source and
// filter of each kind, the match to the receivers, and rows without data
// keeping their value.
#include "standards/system_standard_sql.h"
#include "standards_fixture.h"

namespace mls::testing {
namespace {

class SystemKindsTest : public StandardsTest {
 protected:
  std::string text(int kind, bool byCostItem = false, int itemID = -1, const std::string& column = "FQty") {
    return standards::buildSystemStandardQtySql(kind, kYear, kPeriod, begin(), next(), column, byCostItem,
                                                itemID);
  }
  void fill(int kind, bool byCostItem = false) { execute(text(kind, byCostItem)); }
};

// Balances, input and counted quantities of the period, each summed per
// department and cost object.
TEST_F(SystemKindsTest, PeriodQuantitiesSumPerDepartmentAndCostObject) {
  exec(
      "INSERT INTO cbBalance (FYear, FPeriod, FDepID, FProductID, FQty, FAdjustQty) VALUES (2024, 3, 1, 1, "
      "5, 0.5), (2024, 3, 1, 1, 3, 0.25), (2024, 2, 1, 1, 100, 100), (2024, 3, 2, 2, 4, 1)");
  periodRow("CBInQty", 1, 1, 2);
  periodRow("CBInQty", 1, 1, 3);
  periodRow("CBInQty", 1, 1, 50, 4);
  periodRow("cbCostObjCheck", 1, 1, 6);
  periodRow("cbCostObjCheck", 2, 1, 9);
  const int a = receiver({.costObj = 1, .dept = 1});
  const int otherDept = receiver({.costObj = 1, .dept = 2});
  const int b = receiver({.costObj = 2, .dept = 2});
  const struct {
    int kind;
    double a, otherDept, b;
  } cases[] = {{1, 8, 7, 4}, {70011, 0.75, 7, 1}, {2, 5, 7, 7}, {4, 6, 9, 7}};
  for (const auto& c : cases) {
    exec("UPDATE #OnlineCostObj SET FQty = 7");
    fill(c.kind);
    EXPECT_EQ(qty(a), c.a) << c.kind;
    EXPECT_EQ(qty(otherDept), c.otherDept) << c.kind;
    EXPECT_EQ(qty(b), c.b) << c.kind;
  }
}

// Man-hours of purposes 0/1 and types 0/1 weigh 1, 2, 4 and 8, so each kind's
// filter shows in its sum.
TEST_F(SystemKindsTest, ManHourKindsFilterByPurposeAndType) {
  exec(
      "INSERT INTO cbManHourInfo (FYear, FPeriod, FDeptID, FCostObjID, FPurposeID, FType, FQty) VALUES "
      "(2024, 3, 1, 1, 0, 0, 1), (2024, 3, 1, 1, 0, 1, 2), (2024, 3, 1, 1, 1, 0, 4), (2024, 3, 1, 1, 1, 1, "
      "8), (2024, 2, 1, 1, 0, 0, 100), (2024, 3, 2, 1, 0, 0, 16)");
  const int a = receiver({.costObj = 1, .dept = 1});
  const int none = receiver({.costObj = 3, .dept = 1});
  const std::pair<int, double> expected[] = {{7, 15}, {70003, 3}, {70004, 12}, {70007, 5}, {70008, 10}};
  for (const auto& [kind, value] : expected) {
    fill(kind);
    EXPECT_EQ(qty(a), value) << "kind " << kind;
    EXPECT_EQ(qty(none), 7) << "kind " << kind;
  }
}

TEST_F(SystemKindsTest, RationKindReadsStandardMinusOneByCostItemOrItemZero) {
  exec(
      "INSERT INTO CBRationStandardInfo (FYear, FPeriod, FStandardID, FDeptID, FCostObjID, FCostItemID, FQty)"
      " VALUES (2024, 3, -1, 1, 1, 0, 10), (2024, 3, -1, 1, 1, 5, 20), (2024, 3, 4, 1, 1, 0, 30),"
      " (2024, 2, -1, 1, 2, 0, 40)");
  const int item0 = receiver({.costObj = 1, .dept = 1, .costItem = 0});
  const int item5 = receiver({.costObj = 1, .dept = 1, .costItem = 5});
  const int item6 = receiver({.costObj = 1, .dept = 1, .costItem = 6});
  const int otherPeriod = receiver({.costObj = 2, .dept = 1});
  fill(5, false);
  EXPECT_EQ(qty(item0), 10);
  EXPECT_EQ(qty(item5), 10);
  EXPECT_EQ(qty(item6), 10);
  EXPECT_EQ(qty(otherPeriod), 7);
  exec("UPDATE #OnlineCostObj SET FQty = 7");
  fill(5, true);
  EXPECT_EQ(qty(item0), 10);
  EXPECT_EQ(qty(item5), 20);
  EXPECT_EQ(qty(item6), 7);
}

TEST_F(SystemKindsTest, StandardManHoursOfTheStandardProductInEveryDepartment) {
  item({.id = 1, .standardManHour = 2.5});
  item(2);  // no standard man-hours
  costObject(1, 906, 1);
  costObject(2, 906, 2);
  const int a1 = receiver({.costObj = 1, .dept = 1});
  const int a2 = receiver({.costObj = 1, .dept = 9});
  const int unset = receiver({.costObj = 2, .dept = 1});
  const int unknown = receiver({.costObj = 3, .dept = 1});
  fill(8);
  EXPECT_EQ(qty(a1), 2.5);
  EXPECT_EQ(qty(a2), 2.5);
  EXPECT_EQ(qty(unset), 7);
  EXPECT_EQ(qty(unknown), 7);
}

TEST_F(SystemKindsTest, WasteOutputByTypeIgnoresTheDepartment) {
  costObject(1, 906, 1);
  // Cost object 2 has no cbCostObj row.
  exec(
      "INSERT INTO CBWasterCostObjInfo (FYear, FPeriod, FDeptID, FCostObjID, FWasterTypeID, FQty) VALUES "
      "(2024, 3, 5, 1, 0, 3), (2024, 3, 5, 1, 1, 4), (2024, 3, 5, 2, 0, 9)");
  const int a1 = receiver({.costObj = 1, .dept = 1});
  const int a2 = receiver({.costObj = 1, .dept = 2});
  const int noObject = receiver({.costObj = 2, .dept = 5});
  fill(70001);
  EXPECT_EQ(qty(a1), 3);
  EXPECT_EQ(qty(a2), 3);
  EXPECT_EQ(qty(noObject), 7);
  fill(70002);
  EXPECT_EQ(qty(a1), 4);
  EXPECT_EQ(qty(a2), 4);
}

TEST_F(SystemKindsTest, ProductQuantityOfMainProductsOnly) {
  exec(
      "INSERT INTO cbProductQty (FYear, FPeriod, FDeptID, FCostObjID, FProductID, FQty) VALUES"
      " (2024, 3, 1, 1, 11, 6), (2024, 3, 1, 1, 12, 2), (2024, 2, 1, 1, 13, 5)");
  const int main = receiver({.costObj = 1, .dept = 1, .product = 11});
  const int deputy = receiver({.costObj = 1, .dept = 1, .product = 12, .deputy = 1});
  const int otherPeriod = receiver({.costObj = 1, .dept = 1, .product = 13});
  fill(70005);
  EXPECT_EQ(qty(main), 6);
  EXPECT_EQ(qty(deputy), 7);
  EXPECT_EQ(qty(otherPeriod), 7);
}

TEST_F(SystemKindsTest, SortKindReadsTheJointProductStandardByItsCode) {
  exec(
      "INSERT INTO CBSortStandardInfo (FYear, FPeriod, FStandardID, FDeptID, FCostObjID, FProductID, "
      "FCostItemID, FQty) VALUES (2024, 3, 8, 1, 1, 11, 0, 5), (2024, 3, 8, 1, 1, 11, 3, 6), (2024, 3, 9, 1, "
      "1, 12, 0, 7.5), (2024, 3, 8, 1, 1, 12, 0, 4)");
  const int item0 = receiver({.costObj = 1, .dept = 1, .costItem = 0, .product = 11});
  const int item3 = receiver({.costObj = 1, .dept = 1, .costItem = 3, .product = 11});
  const int deputy = receiver({.costObj = 1, .dept = 1, .product = 12, .deputy = 1});
  fill(70006);  // no standard carries the code yet
  EXPECT_EQ(qty(item0), 7);
  EXPECT_EQ(qty(item3), 7);
  exec("INSERT INTO cb_BmStandard (FNum, FID, FName) VALUES (8, 'FLFJQFPBZ', N'sort')");
  fill(70006);
  EXPECT_EQ(qty(item0), 5);
  EXPECT_EQ(qty(item3), 6);
  EXPECT_EQ(qty(deputy), 7);
}

// Rework issues: bill 1 counts; bill 2 is no rework purpose, 3 unchecked, 4
// cancelled, 5 dated on the next period's first day, 6 a receipt.
TEST_F(SystemKindsTest, ReworkIssuesOfTheWindowPerDepartmentCostObjectAndProduct) {
  costObject(1, 906, 1);
  exec(
      "INSERT INTO t_SubMessage (FInterID, FTypeID, FID) VALUES (1, 244, 'Y'), (2, 244, 'N'), (3, 245, 'Y')");
  liveBill(1, 24, 12001, "2024-03-01");
  liveBill(2, 24, 12000, "2024-03-05");
  liveBill(3, 24, 12001, "2024-03-05", 1, 0);
  liveBill(4, 24, 12001, "2024-03-05", 1, 1, 1);
  liveBill(5, 24, 12001, "2024-04-01");
  liveBill(6, 2, 12001, "2024-03-05");
  liveBill(7, 24, 12001, "2024-03-31", 2);
  liveLine({.bill = 1, .item = 21, .qty = 2, .costObj = 1, .reproduceType = 1});
  liveLine({.bill = 1, .item = 21, .qty = 3, .costObj = 1, .reproduceType = 1});
  liveLine({.bill = 1, .item = 22, .qty = 4, .costObj = 1, .reproduceType = 1});
  liveLine({.bill = 1, .item = 21, .qty = 50, .costObj = 1, .reproduceType = 2});
  liveLine({.bill = 1, .item = 21, .qty = 50, .costObj = 1, .reproduceType = 3});
  liveLine({.bill = 1, .item = 21, .qty = 50, .costObj = 9, .reproduceType = 1});
  for (int bill = 2; bill <= 6; ++bill)
    liveLine({.bill = bill, .item = 21, .qty = 100, .costObj = 1, .reproduceType = 1});
  liveLine({.bill = 7, .item = 21, .qty = 8, .costObj = 1, .reproduceType = 1});
  const int dept1 = receiver({.costObj = 1, .dept = 1, .product = 21});
  const int dept1Other = receiver({.costObj = 1, .dept = 1, .product = 23});
  const int dept2 = receiver({.costObj = 1, .dept = 2, .product = 21});
  const int dept3 = receiver({.costObj = 1, .dept = 3, .product = 21});
  fill(70009);
  EXPECT_EQ(qty(dept1), 9);
  EXPECT_EQ(qty(dept1Other), 9);
  EXPECT_EQ(qty(dept2), 8);
  EXPECT_EQ(qty(dept3), 7);
  exec("UPDATE #OnlineCostObj SET FQty = 7");
  fill(70010);
  EXPECT_EQ(qty(dept1), 5);
  EXPECT_EQ(qty(dept1Other), 7);
  EXPECT_EQ(qty(dept2), 8);
  EXPECT_EQ(qty(dept3), 7);
}

TEST_F(SystemKindsTest, KindsWithoutASourceGiveNoText) {
  for (int kind : {6, 0, 9, 70000, 70013, 80000, -1, -70001})
    EXPECT_EQ(text(kind), "") << "kind " << kind;
}

TEST_F(SystemKindsTest, TextsFillOnlyTheNamedColumn) {
  periodRow("CBInQty", 1, 1, 5);
  const int a = receiver({.costObj = 1, .dept = 1});
  execute(text(2, false, -1, "FQty70012"));
  EXPECT_EQ(qty(a, "FQty70012"), 5);
  EXPECT_EQ(qty(a, "FQty"), 7);
}

TEST_F(SystemKindsTest, TextsJoiningProductColumnsFailOnALayoutWithoutThem) {
  exec("DROP TABLE #OnlineCostObj");
  exec("CREATE TABLE #OnlineCostObj (FCostObjID int, FDeptID int, FQty Decimal(28,10) NOT NULL DEFAULT(0))");
  exec("INSERT INTO #OnlineCostObj (FCostObjID, FDeptID) VALUES (1, 1)");
  EXPECT_ANY_THROW(connection_->execute(text(70005)));
  EXPECT_ANY_THROW(connection_->execute(text(70012)));
  EXPECT_NO_THROW(connection_->execute(text(70009)));
}

}  // namespace
}  // namespace mls::testing

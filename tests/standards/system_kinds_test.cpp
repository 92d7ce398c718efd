// The system standard kinds executed against #OnlineCostObj: the source and
// filter of each kind, the match to the receivers, and rows without data
// keeping their value.
#include "platform/ado/errors.h"
#include "standards/system_standard_sql.h"
#include "standards_fixture.h"
#include "support/com_errors.h"

namespace mls::testing {
namespace {

class SystemKindsTest : public StandardsTest {
 protected:
  std::string text(int kind, bool byCostItem = false, int itemID = -1, const std::string& column = "FQty") {
    return standards::buildSystemStandardQtySql(kind, kYear, kPeriod, begin(), next(), column, byCostItem,
                                                itemID);
  }
};

using Values = std::vector<double>;

// Balances, input and counted quantities of the period, each summed per
// department and cost object.
TEST_F(SystemKindsTest, PeriodQuantitiesSumPerDepartmentAndCostObject) {
  exec(
      "INSERT INTO cbBalance (FYear, FPeriod, FDepID, FProductID, FQty, FAdjustQty) VALUES (2024, 3, 1, 1, "
      "5, "
      "0.5), (2024, 3, 1, 1, 3, 0.25), (2024, 2, 1, 1, 100, 100), (2024, 3, 2, 2, 4, 1)");
  periodRow("CBInQty", 1, 1, 2);
  periodRow("CBInQty", 1, 1, 3);
  periodRow("CBInQty", 1, 1, 50, 4);
  periodRow("cbCostObjCheck", 1, 1, 6);
  periodRow("cbCostObjCheck", 2, 1, 9);
  const std::vector<Receiver> receivers{
      {.costObj = 1, .dept = 1}, {.costObj = 1, .dept = 2}, {.costObj = 2, .dept = 2}};
  EXPECT_EQ(values(receivers, text(1)), (Values{8, 7, 4}));
  EXPECT_EQ(values(receivers, text(70011)), (Values{0.75, 7, 1}));
  EXPECT_EQ(values(receivers, text(2)), (Values{5, 7, 7}));
  EXPECT_EQ(values(receivers, text(4)), (Values{6, 9, 7}));
}

// Man-hours of purposes 0/1 and types 0/1 weigh 1, 2, 4 and 8, so each kind's
// filter shows in its sum.
TEST_F(SystemKindsTest, ManHourKindsFilterByPurposeAndType) {
  exec(
      "INSERT INTO cbManHourInfo (FYear, FPeriod, FDeptID, FCostObjID, FPurposeID, FType, FQty) VALUES "
      "(2024, 3, 1, 1, 0, 0, 1), (2024, 3, 1, 1, 0, 1, 2), (2024, 3, 1, 1, 1, 0, 4), (2024, 3, 1, 1, 1, 1, "
      "8), "
      "(2024, 2, 1, 1, 0, 0, 100), (2024, 3, 2, 1, 0, 0, 16)");
  const std::pair<int, double> expected[] = {{7, 15}, {70003, 3}, {70004, 12}, {70007, 5}, {70008, 10}};
  for (const auto& [kind, value] : expected)
    EXPECT_EQ(values({{.costObj = 1, .dept = 1}, {.costObj = 3, .dept = 1}}, text(kind)), (Values{value, 7}))
        << "kind " << kind;
}

TEST_F(SystemKindsTest, RationKindReadsStandardMinusOneByCostItemOrItemZero) {
  exec(
      "INSERT INTO CBRationStandardInfo (FYear, FPeriod, FStandardID, FDeptID, FCostObjID, FCostItemID, FQty)"
      " VALUES (2024, 3, -1, 1, 1, 0, 10), (2024, 3, -1, 1, 1, 5, 20), (2024, 3, 4, 1, 1, 0, 30),"
      " (2024, 2, -1, 1, 2, 0, 40)");
  // Cost items 0, 5 and 6 of cost object 1, then cost object 2 (of February).
  const std::vector<Receiver> receivers{{.costObj = 1, .dept = 1, .costItem = 0},
                                        {.costObj = 1, .dept = 1, .costItem = 5},
                                        {.costObj = 1, .dept = 1, .costItem = 6},
                                        {.costObj = 2, .dept = 1}};
  EXPECT_EQ(values(receivers, text(5, false)), (Values{10, 10, 10, 7}));
  EXPECT_EQ(values(receivers, text(5, true)), (Values{10, 20, 7, 7}));
}

TEST_F(SystemKindsTest, StandardManHoursOfTheStandardProductInEveryDepartment) {
  item({.id = 1, .standardManHour = 2.5});
  item(2);  // no standard man-hours
  costObject(1, 906, 1);
  costObject(2, 906, 2);
  // Cost object 3 is unknown.
  EXPECT_EQ(values({{.costObj = 1, .dept = 1},
                    {.costObj = 1, .dept = 9},
                    {.costObj = 2, .dept = 1},
                    {.costObj = 3, .dept = 1}},
                   text(8)),
            (Values{2.5, 2.5, 7, 7}));
}

TEST_F(SystemKindsTest, WasteOutputByTypeIgnoresTheDepartment) {
  costObject(1, 906, 1);
  // Cost object 2 has no cbCostObj row.
  exec(
      "INSERT INTO CBWasterCostObjInfo (FYear, FPeriod, FDeptID, FCostObjID, FWasterTypeID, FQty) VALUES "
      "(2024, 3, 5, 1, 0, 3), (2024, 3, 5, 1, 1, 4), (2024, 3, 5, 2, 0, 9)");
  const std::vector<Receiver> receivers{
      {.costObj = 1, .dept = 1}, {.costObj = 1, .dept = 2}, {.costObj = 2, .dept = 5}};
  EXPECT_EQ(values(receivers, text(70001)), (Values{3, 3, 7}));
  EXPECT_EQ(values(receivers, text(70002)), (Values{4, 4, 7}));
}

TEST_F(SystemKindsTest, ProductQuantityOfMainProductsOnly) {
  exec(
      "INSERT INTO cbProductQty (FYear, FPeriod, FDeptID, FCostObjID, FProductID, FQty) VALUES"
      " (2024, 3, 1, 1, 11, 6), (2024, 3, 1, 1, 12, 2), (2024, 2, 1, 1, 13, 5)");
  // The main product, a by-product, a product of February only.
  EXPECT_EQ(values({{.costObj = 1, .dept = 1, .product = 11},
                    {.costObj = 1, .dept = 1, .product = 12, .deputy = 1},
                    {.costObj = 1, .dept = 1, .product = 13}},
                   text(70005)),
            (Values{6, 7, 7}));
}

TEST_F(SystemKindsTest, SortKindReadsTheJointProductStandardByItsCode) {
  exec(
      "INSERT INTO CBSortStandardInfo (FYear, FPeriod, FStandardID, FDeptID, FCostObjID, FProductID, "
      "FCostItemID, FQty) VALUES (2024, 3, 8, 1, 1, 11, 0, 5), (2024, 3, 8, 1, 1, 11, 3, 6), (2024, 3, 9, 1, "
      "1, 12, 0, 7.5), (2024, 3, 8, 1, 1, 12, 0, 4)");
  const std::vector<Receiver> receivers{{.costObj = 1, .dept = 1, .costItem = 0, .product = 11},
                                        {.costObj = 1, .dept = 1, .costItem = 3, .product = 11},
                                        {.costObj = 1, .dept = 1, .product = 12, .deputy = 1}};
  EXPECT_EQ(values(receivers, text(70006)), (Values{7, 7, 7})) << "no standard carries the code yet";
  exec("INSERT INTO cb_BmStandard (FNum, FID, FName) VALUES (8, 'FLFJQFPBZ', N'sort')");
  EXPECT_EQ(values(receivers, text(70006)), (Values{5, 6, 7}));
}

// Rework issues: bill 1 counts; bill 2 is no rework purpose, 3 unchecked, 4
// cancelled, 5 dated on the next period's first day, 6 a receipt; bill 7 is
// of department 2.
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
  // Product 21 and 23 in department 1, 21 in departments 2 and 3.
  const std::vector<Receiver> receivers{{.costObj = 1, .dept = 1, .product = 21},
                                        {.costObj = 1, .dept = 1, .product = 23},
                                        {.costObj = 1, .dept = 2, .product = 21},
                                        {.costObj = 1, .dept = 3, .product = 21}};
  EXPECT_EQ(values(receivers, text(70009)), (Values{9, 9, 8, 7}));
  EXPECT_EQ(values(receivers, text(70010)), (Values{5, 7, 8, 7}));
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
  // The missing column, not any failure (a text that does not parse fails too).
  const struct {
    int kind;
    const char* says;
  } cases[] = {{70005, "Invalid column name 'FIsDeputy'."}, {70012, "Invalid column name 'FItemID'."}};
  for (const auto& c : cases) {
    const com::ComError e = raisedBy([&] { connection_->execute(text(c.kind)); });
    EXPECT_EQ(e.number(), ado::err::kCommandFailed) << "kind " << c.kind;
    EXPECT_EQ(e.description(), c.says) << "kind " << c.kind;
  }
  EXPECT_NO_THROW(connection_->execute(text(70009)));
}

}  // namespace
}  // namespace mls::testing

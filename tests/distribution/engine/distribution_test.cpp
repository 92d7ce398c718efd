// AutoDis.AutoDisMaterielExp: the split of shared lines by weights with the
// rounding difference placed, the re-split of distributed lines, the lines a
// run selects, their valuation and cost items, and the runs that must change
// nothing.
#include "engine_fixture.h"
#include "support/com_errors.h"

namespace mls::testing {
namespace {

struct Split {
  const char* name;
  std::map<int, double> weights;
  double qty;
  int producer;  // the cost object making material 100, 0: none
  Rows expected;
};

class SplitTest : public EngineTest, public ::testing::WithParamInterface<Split> {};

TEST_P(SplitTest, EveryCentIsPlaced) {
  const Split& s = GetParam();
  weights(1, s.weights);
  if (s.producer != 0) coProduct(s.producer, 100, 1);
  issue({.qty = s.qty, .amount = 100});
  snapshot();
  EXPECT_TRUE(distribute({}).toBool());
  EXPECT_EQ(rowsOf(1), s.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Weights, SplitTest,
    ::testing::Values(Split{"EqualWeights",
                            {{3, 1}, {5, 1}, {7, 1}},
                            10,
                            0,
                            {{"3", "3.33", "33.33"}, {"5", "3.33", "33.33"}, {"7", "3.34", "33.34"}}},
                      // The cent goes to the largest weight, among equal ones the largest id.
                      Split{"LargestWeightThenId",
                            {{7, 5}, {9, 5}, {3, 1}},
                            1,
                            0,
                            {{"3", "0.09", "9.09"}, {"7", "0.45", "45.45"}, {"9", "0.46", "45.46"}}},
                      // The producer's quarter is spread over the others.
                      Split{"ProducerExcluded",
                            {{3, 1}, {5, 1}, {7, 2}},
                            10,
                            5,
                            {{"3", "3.33", "33.33"}, {"7", "6.67", "66.67"}}}),
    [](const ::testing::TestParamInfo<Split>& i) { return std::string(i.param.name); });

TEST_F(EngineTest, ARowsPriceIsItsAmountOverItsQuantity) {
  weights(1, {{3, 1}, {5, 1}, {7, 1}});
  issue({.qty = 10, .amount = 100});
  snapshot();
  distribute({});
  EXPECT_EQ(rows("SELECT CAST(FPrice AS DECIMAL(18,8)) FROM cbMaterielInfo WHERE FCostObjID = 7"),
            (Rows{{"9.98203593"}}));
}

// A distributed line keeps its rows' proportions, standard, cost items and
// standard values whatever the weights say now, run after run.
TEST_F(EngineTest, ASecondResplitKeepsTheSavedProportions) {
  weights(1, {{3, 1}, {5, 1}, {7, 1}, {9, 1}});
  issue({.qty = 10, .amount = 100});
  savedRow(1, 1, 3, 2, 10, 2);
  savedRow(1, 1, 5, 3, 15, 2);
  snapshot();
  for (int run = 0; run < 2; ++run) {
    distribute({});
    EXPECT_EQ(rowsOf(1), (Rows{{"3", "4", "40"}, {"5", "6", "60"}})) << "run " << run;
  }
  EXPECT_EQ(
      rows("SELECT FStdID, FCostItemID, CAST(FStandardData AS DECIMAL(9,2)) FROM cbMaterielInfo ORDER BY "
           "FCostObjID"),
      (Rows{{"9", "2", "2"}, {"9", "2", "3"}}));
}

struct ZeroStandards {
  const char* name;
  std::vector<std::tuple<int, double, double>> saved;  // cost object, quantity, amount; standard 0
  Rows expected;                                       // cost object, quantity, amount
  Rows standards;                                      // cost object, standard value
};

class ZeroStandardsTest : public EngineTest, public ::testing::WithParamInterface<ZeroStandards> {};

// A distributed line whose saved rows all carry standard value 0 keeps rows:
// split again by its saved amounts, else its saved quantities, else afresh by
// the weights (1, 1, 2), and the rows' standard values give the same split on
// the next run.
TEST_P(ZeroStandardsTest, ALineWithoutStandardValuesKeepsItsRows) {
  const ZeroStandards& z = GetParam();
  weights(1, {{3, 1}, {5, 1}, {7, 2}});
  issue({.qty = 10, .amount = 100});
  for (const auto& [costObj, qty, amount] : z.saved)
    savedRow(1, 1, costObj, 0, amount, 1, qty);
  snapshot();
  for (int run = 0; run < 2; ++run) {
    EXPECT_TRUE(distribute({}).toBool());
    EXPECT_EQ(rowsOf(1), z.expected) << "run " << run;
  }
  EXPECT_EQ(rows("SELECT FCostObjID, CAST(FStandardData AS DECIMAL(9,2)) FROM cbMaterielInfo ORDER BY "
                 "FCostObjID"),
            z.standards);
}

INSTANTIATE_TEST_SUITE_P(
    SavedRows, ZeroStandardsTest,
    ::testing::Values(ZeroStandards{"ByAmounts",
                                    {{3, 1, 10}, {5, 1, 30}},
                                    {{"3", "2.5", "25"}, {"5", "7.5", "75"}},
                                    {{"3", "10"}, {"5", "30"}}},
                      ZeroStandards{"ByQuantities",
                                    {{3, 1, 0}, {5, 3, 0}},
                                    {{"3", "2.5", "25"}, {"5", "7.5", "75"}},
                                    {{"3", "1"}, {"5", "3"}}},
                      ZeroStandards{"AfreshByWeights",
                                    {{3, 0, 0}, {9, 0, 0}},
                                    {{"3", "2.5", "25"}, {"5", "2.5", "25"}, {"7", "5", "50"}},
                                    {{"3", "1"}, {"5", "1"}, {"7", "2"}}}),
    [](const ::testing::TestParamInfo<ZeroStandards>& i) { return std::string(i.param.name); });

struct LargeAmount {
  const char* name;
  double amount;
  std::map<int, double> weights;
  int producer;  // the cost object making material 100, 0: none
  bool saved;    // the line has rows of equal standard values already
  Rows expected;
};

class LargeAmountTest : public EngineTest, public ::testing::WithParamInterface<LargeAmount> {};

// Large amounts split as evenly as small ones, afresh (with a producer's
// share spread over the others) and again by saved standard values: each
// row's part is taken before rounding, the cent rule placing what is left.
TEST_P(LargeAmountTest, EqualWeightsTakeEqualParts) {
  const LargeAmount& l = GetParam();
  weights(1, l.weights);
  if (l.producer != 0) coProduct(l.producer, 100, 1);
  issue({.qty = 3, .amount = l.amount});
  if (l.saved) {
    for (int costObj : {3, 5, 7})
      savedRow(1, 1, costObj, 4, 1);
  }
  snapshot();
  EXPECT_TRUE(distribute({}).toBool());
  EXPECT_EQ(rows("SELECT FCostObjID, CAST(FAmount AS DECIMAL(20,2)) FROM cbMaterielInfo ORDER BY FCostObjID"),
            l.expected);
}

const std::map<int, double> kThreeEqual{{3, 1}, {5, 1}, {7, 1}};
const Rows kThirdsOf3E8{{"3", "100000000"}, {"5", "100000000"}, {"7", "100000000"}};

INSTANTIATE_TEST_SUITE_P(
    Amounts, LargeAmountTest,
    ::testing::Values(
        LargeAmount{"Afresh", 300000000, kThreeEqual, 0, false, kThirdsOf3E8},
        LargeAmount{"ProducerExcluded", 300000000, {{3, 1}, {5, 1}, {7, 1}, {9, 1}}, 9, false, kThirdsOf3E8},
        LargeAmount{"Resplit", 300000000, {{3, 1}, {9, 1}}, 0, true, kThirdsOf3E8},
        LargeAmount{"TenToTheTwelfth",
                    1e12,
                    kThreeEqual,
                    0,
                    false,
                    {{"3", "333333333333.33"}, {"5", "333333333333.33"}, {"7", "333333333333.34"}}}),
    [](const ::testing::TestParamInfo<LargeAmount>& i) { return std::string(i.param.name); });

// Which lines a run of department 1 picks, by date, state, marker cost
// object, group, department and purpose.
TEST_F(EngineTest, ARunPicksTheSharedIssuesOfItsDepartmentGroupAndPurpose) {
  weights(1, {{3, 1}, {5, 1}});
  exec(
      "INSERT INTO cbCostObj (FItemID, FNumber) VALUES (90, 'MaterielShareID'), (91, 'MaterielMakeID')\r\n"
      "INSERT INTO cbCostObjGroup (FItemID, FNumber) VALUES (4, 'G4')\r\n"
      "INSERT INTO CB_CostObjGroup_Detail (FCostObjGroupID, FCostObjID) VALUES (4, 3), (4, 5)\r\n"
      "INSERT INTO CBWasterCostObjInfo (FYear, FPeriod, FDeptID, FCostObjID, FWasterTypeID, FQty) "
      "VALUES (2024, 3, 1, 7, 0, 1)\r\n"
      "INSERT INTO CBRationStandardInfo (FYear, FPeriod, FStandardID, FDeptID, FCostObjID, FQty) "
      "VALUES (2024, 3, 1, 1, 7, 1)");
  issue({.bill = 1});
  issue({.bill = 2}, {.date = "2024-03-01"});
  issue({.bill = 3}, {.date = "2024-04-01"});
  issue({.bill = 4}, {.cancellation = 1});
  issue({.bill = 5}, {.status = 0});
  issue({.bill = 6, .costObj = 90});
  issue({.bill = 7, .costObj = 91});
  issue({.bill = 8, .costObj = 3});
  issue({.bill = 9, .group = 4});
  issue({.bill = 10, .group = 99});
  issue({.bill = 11}, {.dept = 2});
  issue({.bill = 12}, {.purpose = 12001});
  issue({.bill = 13});
  savedRow(13, 1, 9, 1, 5);
  snapshot();
  auto distributed = [&](const char* table) {
    return rows(std::string("SELECT DISTINCT FInterID FROM ") + table + " ORDER BY FInterID");
  };
  distribute({.noDis = true});
  EXPECT_EQ(distributed("cbMaterielInfo"), (Rows{{"1"}, {"2"}, {"6"}, {"10"}, {"13"}}));
  EXPECT_EQ(rowsOf(13), (Rows{{"9", "1", "5"}})) << "a distributed line is left alone";
  distribute({.group = 4});
  EXPECT_EQ(rowsOf(9), (Rows{{"3", "5", "50"}, {"5", "5", "50"}}));
  distribute({.type = 1});
  EXPECT_EQ(distributed("cbWMaterielInfo"), (Rows{{"12"}}));
  EXPECT_EQ(rowsOf(12, 1, "cbWMaterielInfo"), (Rows{{"7", "10", "100"}}));
}

struct Valuation {
  const char* name;
  const char* style;  // nullptr: no MatCalStyle row
  const char* amount;
};

class ValuationTest : public EngineTest, public ::testing::WithParamInterface<Valuation> {};

// Plan-price items (FTrack 81) count at Round(FQty x FPlanPrice, 2) under
// style 1 only.
TEST_P(ValuationTest, PlanPriceItemsAreValuedByTheStyle) {
  if (GetParam().style) db_.setProfile("CB", "MatCalStyle", GetParam().style);
  item(101, 2, 81);
  weights(1, {{3, 1}});
  issue({.item = 101, .qty = 3, .amount = 12, .planPrice = 3.333});
  snapshot();
  distribute({});
  EXPECT_EQ(rowsOf(1), (Rows{{"3", "3", GetParam().amount}}));
}

INSTANTIATE_TEST_SUITE_P(Styles, ValuationTest,
                         ::testing::Values(Valuation{"PlanPrice", "1", "10"},
                                           Valuation{"None", nullptr, "12"}),
                         [](const ::testing::TestParamInfo<Valuation>& i) {
                           return std::string(i.param.name);
                         });

struct CostItemCase {
  const char* name;
  const char* costProject;  // the item's own cost item
  const char* expense;      // the cost item of expense '5001'
  const char* forced;       // strCostItem
  const char* expected;
};

class CostItemTest : public EngineTest, public ::testing::WithParamInterface<CostItemCase> {};

TEST_P(CostItemTest, ARowTakesTheFirstCostItemFound) {
  const CostItemCase& c = GetParam();
  exec(std::string("UPDATE t_ICItem SET FCostProject = ") + c.costProject + " WHERE FItemID = 100");
  if (*c.expense)
    exec(std::string("INSERT INTO cbExpense (FItemID, FNumber, FCostItemID) VALUES (1, '5001', ") +
         c.expense + ")");
  weights(1, {{3, 1}});
  issue({});
  snapshot();
  distribute({.costItem = c.forced});
  EXPECT_EQ(rows("SELECT FCostItemID FROM cbMaterielInfo"), (Rows{{c.expected}}));
}

INSTANTIATE_TEST_SUITE_P(Sources, CostItemTest,
                         ::testing::Values(CostItemCase{"TheItems", "2", "", "", "2"},
                                           CostItemCase{"TheMaterialExpenses", "0", "2", "", "2"},
                                           CostItemCase{"TheFirstMaterialItem", "0", "0", "", "1"},
                                           CostItemCase{"Forced", "1", "", "02", "2"}),
                         [](const ::testing::TestParamInfo<CostItemCase>& i) {
                           return std::string(i.param.name);
                         });

struct Refusal {
  const char* name;
  const char* seed;  // SQL run before the snapshot
  Runs run;
  int32_t number;  // 0: any error
};

class RefusalTest : public EngineTest, public ::testing::WithParamInterface<Refusal> {};

// A run that fails leaves the saved rows of its lines as they were.
TEST_P(RefusalTest, ARefusedRunChangesNothing) {
  const Refusal& r = GetParam();
  weights(1, {{3, 1}, {5, 1}});
  issue({});
  issue({.bill = 2}, {.dept = 2});
  savedRow(1, 1, 9, 1, 5);
  if (*r.seed) exec(r.seed);
  snapshot();
  const int32_t number = errorOf([&] { distribute(r.run); });
  EXPECT_NE(number, 0);
  if (r.number != 0) {
    EXPECT_EQ(number, r.number);
  }
  EXPECT_EQ(rows("SELECT FCostObjID, CAST(FAmount AS DECIMAL(9,2)) FROM cbMaterielInfo"), (Rows{{"9", "5"}}));
}

INSTANTIATE_TEST_SUITE_P(
    Runs, RefusalTest,
    ::testing::Values(Refusal{"UnknownCostItem", "", {.costItem = "x' OR '1'='1"}, -1},
                      Refusal{"AmbiguousCostItem",
                              "INSERT INTO cbCostItem (FItemID, FNumber) VALUES (3, '03'), (4, '03')",
                              {.costItem = "03"},
                              -1},
                      Refusal{"NotACostBomTable", "", {.table = "cbMaterielInfo"}, -1},
                      Refusal{"ProducerHoldsTheWholeWeight",
                              "INSERT INTO cb_CostObj_Product (FCostObjID, FProductID) VALUES (5, 100)\r\n"
                              "DELETE FROM CBRationStandardInfo WHERE FCostObjID = 3\r\n"
                              "INSERT INTO ICStockBill (FInterID, FTranType, FDate, FDeptID, FStatus, "
                              "FCancellation, FPurposeID)"
                              " VALUES (3, 24, '2024-03-10', 1, 1, 0, 12000)\r\n"
                              "INSERT INTO ICStockBillEntry (FInterID, FEntryID, FItemID, FQty, FAmount) "
                              "VALUES (3, 1, 100, 1, 1)",
                              {},
                              -1},
                      Refusal{"NoReceiver", "", {.dept = 2}, 5},
                      Refusal{"ZeroWeights", "UPDATE CBRationStandardInfo SET FQty = 0", {}, 5},
                      // The delete of the old rows is taken back when the insert fails (a
                      // price beyond the column).
                      Refusal{"FailedInsert",
                              "UPDATE ICStockBillEntry SET FQty = 0.0000000001, FPrice = 0, FAmount = "
                              "100000000 WHERE FInterID = 1",
                              {},
                              0}),
    [](const ::testing::TestParamInfo<Refusal>& i) { return std::string(i.param.name); });

// The client's condition ends its own line: a trailing comment leaves the
// material condition standing.
TEST_F(EngineTest, TheClientsFilterCannotSwallowTheMaterialCondition) {
  item(101, 2);
  weights(1, {{3, 1}});
  issue({.entry = 1});
  issue({.entry = 2, .item = 101});
  snapshot();
  distribute({.item = 101, .filter = " AND v1.FQty > 0 -- the client's note"});
  EXPECT_EQ(rows("SELECT FEntryID FROM cbMaterielInfo"), (Rows{{"2"}}));
}

// The client's condition comes with or without its AND and may hold a
// subquery; what is not one condition is refused in
// tests/distribution/inquiry/client_filter_test.cpp.
TEST_F(EngineTest, TheClientsConditionPicksTheLinesWithOrWithoutItsAnd) {
  item(101, 3);
  weights(1, {{3, 1}, {5, 1}});
  issue({.entry = 1});
  issue({.entry = 2, .item = 101});
  snapshot();
  const struct {
    const char* filter;
    Rows entries;
  } cases[] = {
      {" AND v1.FItemID=101", {{"2"}}},
      {"v1.FItemID=100", {{"1"}}},
      {"v1.FItemID IN (SELECT FItemID FROM t_ICItem WHERE FQtyDecimal = 3)", {{"2"}}},
      {" OR v1.FEntryID=1", {{"1"}, {"2"}}},
  };
  for (const auto& c : cases) {
    exec("DELETE FROM cbMaterielInfo");
    distribute({.filter = c.filter});
    EXPECT_EQ(rows("SELECT DISTINCT FEntryID FROM cbMaterielInfo ORDER BY FEntryID"), c.entries) << c.filter;
  }
}

}  // namespace
}  // namespace mls::testing

// ConcludeUpdate's plan prices on distribution rows, the pricing of rework
// requisitions with the rows that follow them, and the residual-value rows
// of a period.
#include "writers_fixture.h"

namespace mls::testing {
namespace {

class RepricingTest : public WritersTest {
 protected:
  void SetUp() override {
    setUpFor("Marlstone.ConcludeUpdate");
    exec("INSERT INTO cbCostItem (FItemID, FNumber, FName, FTypeID) VALUES (5, '05', 'Material', 901)");
  }
};

// Rows of 3.333 a unit: 3.33 and 6.67 fall a cent short of the plan amount
// 10.01, which the row of the larger standard takes; rows of standard 0 and
// amount 0 still take their line's difference; the period before and an
// item at its bill price stay.
TEST_F(RepricingTest, PlanPriceRowsAddUpToThePlanAmount) {
  issue({.id = 1}, {{.entry = 1, .item = 502, .qty = 3, .amount = 12},
                    {.entry = 2, .item = 502, .qty = 2, .amount = 12},
                    {.entry = 3, .qty = 1, .amount = 4}});
  exec(
      "UPDATE t_ICItem SET FPlanPrice = 3.333 WHERE FItemID = 502\r\n"
      "UPDATE ICStockBillEntry SET FPlanAmount = CASE FEntryID WHEN 1 THEN 10.01 ELSE 6.67 END");
  snapshot();
  row("cbMaterielInfo", {.costObj = 101, .standard = 1, .qty = 1, .amount = 4});
  row("cbMaterielInfo", {.costObj = 102, .standard = 2, .qty = 2, .amount = 8});
  row("cbMaterielInfo", {.costObj = 101, .standard = 1, .qty = 5, .amount = 1, .period = 2});
  row("cbWMaterielInfo", {.entry = 2, .costObj = 103, .amount = 6});
  row("cbWMaterielInfo", {.entry = 2, .costObj = 102, .amount = 6});
  row("cbMaterielInfo", {.entry = 3, .qty = 1, .amount = 1});
  call("UpdateToPlanPrice", {2024, 3});
  EXPECT_EQ(rowsOf("cbMaterielInfo", 1, 1, true),
            (Rows{{"101", "1", "3.33", "3.333"}, {"102", "2", "6.68", "3.333"}}));
  EXPECT_EQ(rowsOf("cbMaterielInfo", 1, 1, false, 2), (Rows{{"101", "5", "1"}}));
  EXPECT_EQ(rowsOf("cbWMaterielInfo", 1, 2), (Rows{{"102", "0", "6.67"}, {"103", "0", "0"}}));
  EXPECT_EQ(rowsOf("cbMaterielInfo", 1, 3), (Rows{{"101", "1", "1"}}));
}

struct Rule {
  const char* name;
  const char* rule;  // ReproducePrice, "" none
  Rows line;         // FPrice, FAmount, FAuxPrice of the requisition
  Rows rows;         // its rows: cost object, quantity, amount, price
};

class ReworkTest : public RepricingTest, public ::testing::WithParamInterface<Rule> {};

// A requisition of 3 units of material 500 without an amount, its auxiliary
// quantity 0, distributed as 1 and 2 units; receipts of 500 at 3.3333 before
// the period and at 9 in it; an opening balance of 10.00 for 4 units.
TEST_P(ReworkTest, PricesTheRequisitionAndSharesItsAmountByQuantity) {
  issue({.id = 1}, {{.qty = 3, .amount = 0}});
  issue({.id = 2, .type = 2, .date = "2024-02-10"}, {{.qty = 3, .amount = 9.9999}});
  issue({.id = 3, .type = 2, .date = "2024-03-05"}, {{.qty = 1, .amount = 9}});
  exec(
      "UPDATE ICStockBillEntry SET FPrice = 2, FReProduceType = 1058, FAuxQty = 0 WHERE FInterID = 1\r\n"
      "INSERT INTO icbal (FItemID, FYear, FPeriod, FBegBal, FBegQty) VALUES (500, 2024, 3, 10, 4), (500, "
      "2024, 2, 99, 1)");
  if (*GetParam().rule) db_.setProfile("IC", "ReproducePrice", GetParam().rule);
  row("cbMaterielInfo", {.costObj = 101, .qty = 1, .amount = 1});
  row("cbMaterielInfo", {.costObj = 102, .qty = 2, .amount = 1});
  EXPECT_TRUE(call("UpdateReWorkPrice").toBool());
  EXPECT_EQ(db_.texts("SELECT " + num("FPrice") + ", " + num("FAmount") + ", " + num("FAuxPrice") +
                      " FROM ICStockBillEntry WHERE FInterID = 1"),
            GetParam().line);
  EXPECT_EQ(rowsOf("cbMaterielInfo", 1, 1, true), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ReworkTest,
    ::testing::Values(
        Rule{"LastReceipt",
             "0",
             {{"3.3333", "9.9999", "0"}},
             {{"101", "1", "3.33", "3.3333"}, {"102", "2", "6.6699", "3.3333"}}},
        Rule{"OpeningAverage",
             "1",
             {{"2.5", "7.5", "0"}},
             {{"101", "1", "2.5", "2.5"}, {"102", "2", "5", "2.5"}}},
        Rule{"OwnPrice", "7", {{"2", "6", "0"}}, {{"101", "1", "2", "2"}, {"102", "2", "4", "2"}}},
        Rule{"NoPricing", "2", {{"2", "0", "0"}}, {{"101", "1", "1", "0"}, {"102", "2", "1", "0"}}},
        Rule{"NoRule", "", {{"2", "0", "0"}}, {{"101", "1", "1", "0"}, {"102", "2", "1", "0"}}}),
    [](const auto& i) { return std::string(i.param.name); });

// Direct residual-value returns of cost-accounting departments, each with
// its item's cost item or the first material cost item; the period's old
// rows go, those of the period before stay.
TEST_F(RepricingTest, ResidualRowsAreRebuiltFromTheSnapshot) {
  exec("UPDATE t_ICItem SET FCostProject = 3 WHERE FItemID = 500");
  issue({.id = 1, .purpose = 12002}, {{.entry = 1, .qty = 2, .amount = 5, .costObj = 101},
                                      {.entry = 2, .item = 501, .qty = 1, .amount = 4, .costObj = 102},
                                      {.entry = 3, .qty = 1, .amount = 4, .costObj = 90},
                                      {.entry = 4, .qty = 1, .amount = 4},
                                      {.entry = 5, .qty = 1, .amount = 4, .costObj = 999}});
  issue({.id = 2, .dept = 3, .purpose = 12002}, {{.qty = 1, .amount = 4, .costObj = 101}});
  snapshot();
  row("CBWBMaterielInfo", {.interId = 7, .qty = 1, .amount = 1});
  row("CBWBMaterielInfo", {.interId = 7, .qty = 1, .amount = 1, .costItem = 0, .period = 2});
  const com::Variant result = call("InsertBadData", {2024, 3});
  EXPECT_TRUE(result.isObject() && result.toObject());
  EXPECT_EQ(db_.texts("SELECT FPeriod, FInterID, FEntryID, FCostObjID, FCostItemID, " + num("FAmount") +
                      " FROM CBWBMaterielInfo ORDER BY FPeriod, FInterID, FEntryID"),
            (Rows{{"2", "7", "1", "101", "0", "1"},
                  {"3", "1", "1", "101", "3", "5"},
                  {"3", "1", "2", "102", "5", "4"}}));
}

}  // namespace
}  // namespace mls::testing

// ConcludeUpdate.DistributeTaxCost: the split of a classification cost
// object's amount over its products, through CalInfo's sort and by-product
// data, and its invariant on demo plants.
#include <string>
#include <vector>

#include "calc_fixture.h"
#include "platform/com/object_context.h"
#include "platform/com/registry.h"
#include "schema/demoplant/client_calculation.h"
#include "schema/demoplant/plant.h"

namespace mls::testing {
namespace {

using com::Vote;

struct SplitArgs {
  int costObj = 70;
  double amount = 0;
  int standard = 0;
  int proCount = 0;
};

class SplitTest : public CalcTest {
 protected:
  // DistributeTaxCost for department 1, cost item 1, level 2; answers
  // lDataQty and records the votes.
  int split(const SplitArgs& a, std::vector<Vote>* votes = nullptr) {
    com::Variant dataQty(-1);
    std::vector<com::Variant> args{
        com::Variant(db_.props("en")), 2024,      3, 1, a.costObj, 1, 2, a.amount, a.standard,
        com::Variant::byRef(&dataQty), a.proCount};
    com::VoteRecorder recorder;
    com::Variant answer = com::invokeByName(*object_, "DistributeTaxCost", com::kMethodOrGet, args);
    EXPECT_TRUE(answer.isEmpty());
    if (votes) *votes = recorder.votes();
    return dataQty.toLong();
  }
  // "product amount" per written row, in product order.
  std::vector<std::string> amounts() const {
    std::vector<std::string> out;
    for (const auto& r : rows("SELECT FProductID, FAmount FROM cbProductCalInfo ORDER BY FProductID"))
      out.push_back(r[0] + " " + r[1]);
    return out;
  }
};

// Classification cost object 70 of department 1 makes 701 (coefficient 1),
// 702 (0.5) and 703 (0.2, a by-product unless a case says otherwise), with
// 10, 3 and 5 of output; 10 of 701 and 3 of 702 were received.  Cost object
// 74 shares product 701, with its own output.  Sort standard 20.
class WorkedSplitTest : public SplitTest {
 protected:
  void SetUp() override {
    SplitTest::SetUp();
    department(1, 361);
    item(701, 2);
    costObject(70, 909, 701);
    costObject(74, 909, 701);
    coProduct(70, 701, 1);
    coProduct(70, 702, 0.5);
    coProduct(70, 703, 0.2, 1);
    coProduct(74, 701, 1);
    exec(
        "INSERT INTO cbProductQty (FYear, FPeriod, FDeptID, FCostObjID, FProductID, FQty) VALUES"
        " (2024, 3, 1, 70, 701, 10), (2024, 3, 1, 70, 702, 3), (2024, 3, 1, 70, 703, 5), (2024, 3, 1, 74, "
        "701, 9)"
        " INSERT INTO cb_BmStandard (FNum, FName) VALUES (20, 'Sort')");
    bill({.id = 1, .type = 2});
    line(1, 1, 701, 10);
    line(1, 2, 702, 3);
    bill({.id = 2, .type = 2, .dept = 2});
    line(2, 1, 702, 8);
    snapshot(2024, 3);
  }
};

TEST_F(WorkedSplitTest, ByProductsFirstThenTheRestByStandardWithTheCentOnTheFirstMainProduct) {
  const struct {
    const char* what;
    std::vector<int> data;  // sort data of 701, 702, 703; none: no rows
    bool deputy;            // 703 a by-product, valued 20 a unit
    SplitArgs args;
    std::vector<std::string> amounts;
    int dataQty;
  } cases[] = {
      {"by shares", {1, 2, 0}, true, {.amount = 1000, .standard = 20}, {"701 300", "702 600", "703 100"}, 1},
      {"thirds",
       {1, 1, 1},
       false,
       {.amount = 100, .standard = 20},
       {"701 33.34", "702 33.33", "703 33.33"},
       1},
      {"standard data of 0", {0, 0, 0}, true, {.amount = 500, .standard = 20}, {}, 0},
      {"standard data and amount of 0",
       {0, 0, 0},
       true,
       {.standard = 20},
       {"701 -100", "702 0", "703 100"},
       1},
      {"a by-product's data in the sum",
       {1, 2, 1},
       true,
       {.amount = 1000, .standard = 20},
       {"701 450", "702 450", "703 100"},
       1},
      {"no standard", {}, true, {.amount = 1000}, {"701 900", "702 0", "703 100"}, 1},
      {"no standard, every main product",
       {},
       true,
       {.amount = 1000, .proCount = 1},
       {"701 0", "702 900", "703 100"},
       1},
  };
  for (const auto& c : cases) {
    exec("DELETE FROM cbProductCalInfo DELETE FROM CBSortStandardInfo DELETE FROM CBDeputyInfo");
    exec(
        "UPDATE cb_CostObj_Product SET FIsDeputy = " + std::to_string(c.deputy ? 1 : 0) +
        " WHERE FProductID = 703 INSERT INTO CBDeputyInfo (FYear, FPeriod, FProductID, FCostItemID, FAmount) "
        "VALUES (2024, 3, 703, 1, 20), (2024, 3, 703, 2, 1000)");
    for (size_t i = 0; i < c.data.size(); ++i) {
      exec(
          "INSERT INTO CBSortStandardInfo (FYear, FPeriod, FStandardID, FDeptID, FCostObjID, FProductID, "
          "FCostItemID, FQty) VALUES (2024, 3, 20, 1, 70, " +
          std::to_string(701 + i) + ", 1, " + std::to_string(c.data[i]) + ")");
    }
    std::vector<Vote> votes;
    EXPECT_EQ(split(c.args, &votes), c.dataQty) << c.what;
    EXPECT_EQ(amounts(), c.amounts) << c.what;
    // CalInfo votes at the entry of each member it answers; the split itself
    // only when it writes.
    const size_t calls = (c.args.standard ? 1 : 0) + (c.dataQty ? 2 : 0);
    EXPECT_EQ(votes, std::vector<Vote>(calls, Vote::Complete)) << c.what;
  }
  // The rows of the last case in full: received quantities of the
  // department, converted by the coefficients; none for the by-product.
  EXPECT_EQ(
      rows("SELECT FDeptID, FCostObjID, FCostItemID, FProductID, FBatchNo, FRevertAmount, FLevel, FQty, "
           "FStandardQty, FRevQuo FROM cbProductCalInfo ORDER BY FProductID"),
      (Rows{{"1", "70", "1", "701", "", "0", "2", "10", "10", "1"},
            {"1", "70", "1", "702", "", "0", "2", "3", "1.5", "0.5"},
            {"1", "70", "1", "703", "", "0", "2", "0", "0", "0"}}));
}

// Cost object 72 makes by-product 721 only (5 of output, valued 1 a unit);
// 73 has no output in the department.
TEST_F(SplitTest, AnAmountWithNowhereToGoIsRefusedAndNothingIsWritten) {
  department(1, 361);
  costObject(72, 909, 721);
  costObject(73, 909, 731);
  coProduct(72, 721, 1, 1);
  coProduct(73, 731, 1);
  exec(
      "INSERT INTO cbProductQty (FYear, FPeriod, FDeptID, FCostObjID, FProductID, FQty) VALUES"
      " (2024, 3, 1, 72, 721, 5) INSERT INTO CBDeputyInfo (FYear, FPeriod, FProductID, FCostItemID, FAmount)"
      " VALUES (2024, 3, 721, 1, 1)");
  snapshot(2024, 3);
  const struct {
    SplitArgs args;
    int dataQty;
    std::vector<std::string> amounts;
  } cases[] = {
      {{.costObj = 72, .amount = 50}, 0, {}},
      {{.costObj = 72, .amount = 5}, 1, {"721 5"}},
      {{.costObj = 73, .amount = 10}, 0, {}},
      {{.costObj = 73}, 1, {}},
  };
  for (const auto& c : cases) {
    exec("DELETE FROM cbProductCalInfo");
    EXPECT_EQ(split(c.args), c.dataQty) << c.args.costObj << " " << c.args.amount;
    EXPECT_EQ(amounts(), c.amounts) << c.args.costObj << " " << c.args.amount;
  }
  // CalInfo's error passes unchanged, without a vote.
  std::vector<Vote> votes{Vote::Abort};
  com::ExcepInfo e =
      failureOf("a missing standard", [&] { split({.costObj = 72, .amount = 5, .standard = 99}, &votes); });
  EXPECT_EQ(e.number, -1);
  EXPECT_EQ(e.source, "-1");
  EXPECT_EQ(count("cbProductCalInfo"), 0);
}

// Demo plants of several seeds: the period's quantities, the client's
// calculation, the settings expanded, then every classification cost
// object's amount of each department, cost item and level split by its sort
// standard: its product cost rows add up to the amount exactly.
class PlantSplitTest : public SplitTest, public ::testing::WithParamInterface<uint64_t> {};

TEST_P(PlantSplitTest, ProductCostRowsAddUpToTheSplitAmount) {
  std::string plant;
  for (const std::string& s : demoplant::generatePlant({.seed = GetParam(), .billLines = 1500}).statements)
    plant += s;
  exec(plant);
  for (const char* step : {"GetICStockBillDataForCB", "DeleteCalInfo", "CalCompleteQty", "CalProductQty"})
    call(step, {2024, 3});
  std::string calculation;
  for (const std::string& s : demoplant::clientCalculation(2024, 3))
    calculation += s;
  exec(calculation);
  call("UpdateClassifyCostObjStandardSet", {2024, 3, "COST"});
  com::Ref<com::Dispatch> info = com::createObject("Marlstone.CalInfo");

  const Rows groups = rows(
      "SELECT a.FDeptID, a.FCostObjID, a.FCostItemID, a.FLevel, SUM(a.FOverAmount) FROM CBCalInfo_CurData a "
      "INNER JOIN cbCostObj c ON c.FItemID = a.FCostObjID AND c.FCalculateType = 909 "
      "GROUP BY a.FDeptID, a.FCostObjID, a.FCostItemID, a.FLevel");
  ASSERT_GT(groups.size(), 1u);
  int splits = 0;
  for (const auto& g : groups) {
    const int standard = callOn(*info, db_.props("en"), "GetSortStandardID", {std::stoi(g[1])}).toLong();
    EXPECT_NE(standard, 0) << g[1];
    com::Variant dataQty;
    std::vector<com::Variant> args{com::Variant(db_.props("en")),
                                   2024,
                                   3,
                                   std::stoi(g[0]),
                                   std::stoi(g[1]),
                                   std::stoi(g[2]),
                                   std::stoi(g[3]),
                                   std::stod(g[4]),
                                   standard,
                                   com::Variant::byRef(&dataQty)};
    com::invokeByName(*object_, "DistributeTaxCost", com::kMethodOrGet, args);
    const std::string group =
        "FYear = 2024 AND FPeriod = 3 AND FDeptID = " + g[0] + " AND FCostObjID = " + g[1];
    const std::string written = scalar("SELECT SUM(FAmount) FROM cbProductCalInfo WHERE " + group +
                                       " AND FCostItemID = " + g[2] + " AND FLevel = " + g[3]);
    if (dataQty.toLong() == 1) {
      ++splits;
      EXPECT_EQ(written, g[4]) << g[0] << " " << g[1] << " " << g[2];
    } else {
      // Refused only when the department made none of the main products.
      EXPECT_EQ(written, "NULL") << g[1];
      EXPECT_EQ(count("cbProductQty q INNER JOIN cb_CostObj_Product d ON d.FCostObjID = q.FCostObjID AND "
                      "d.FProductID = q.FProductID",
                      "d.FIsDeputy = 0 AND q.FYear = 2024 AND q.FPeriod = 3 AND q.FDeptID = " + g[0] +
                          " AND q.FCostObjID = " + g[1]),
                0)
          << g[1];
    }
  }
  EXPECT_GT(splits, 1);
  // The by-products took their values.
  EXPECT_GT(count("cbProductCalInfo p INNER JOIN cb_CostObj_Product d ON d.FCostObjID = p.FCostObjID AND "
                  "d.FProductID = p.FProductID",
                  "d.FIsDeputy = 1 AND p.FPeriod = 3 AND p.FAmount > 0"),
            0);
}

INSTANTIATE_TEST_SUITE_P(Seeds, PlantSplitTest, ::testing::Values(3, 11, 2024));

}  // namespace
}  // namespace mls::testing

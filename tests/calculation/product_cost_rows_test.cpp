// ConcludeUpdate.UpdateProduct, UpdateCalType and AdjustAmountDiff on the work
// tables the client fills, and CalInfo.GetTaxCost on classification-method
// cost objects.
#include "cal_info_inquiry_fixture.h"
#include "frame/sql_literal.h"
#include "platform/com/object_context.h"

namespace mls::testing {
namespace {

using com::Vote;
using frame::sqlNumber;

struct Header {
  int level, dept, costObj, costItem;
  double over, online = 0, revert = 0;
  int period = 3;
};
struct Detail {
  int dept, costObj, costItem, material, spendCostObj;
  double over, online;
};

class ProductCostTest : public CalInfoInquiryTest {
 protected:
  void SetUp() override {
    CalInfoInquiryTest::SetUp();
    department(1, 361);
    snapshot(2024, 3);
  }
  void header(const Header& h) const {
    exec(
        "INSERT INTO CBCalInfo_CurData (FYear, FPeriod, FLevel, FDeptID, FCostObjID, FCostItemID, "
        "FOverAmount, FOnlineAmount, FRevertAmount) VALUES (2024, " +
        sqlNumber(h.period) + ", " + sqlNumber(h.level) + ", " + sqlNumber(h.dept) + ", " +
        sqlNumber(h.costObj) + ", " + sqlNumber(h.costItem) + ", " + sqlNumber(h.over) + ", " +
        sqlNumber(h.online) + ", " + sqlNumber(h.revert) + ")");
  }
  void detail(const Detail& d) const {
    exec(
        "INSERT INTO CBCalInfoDetail_CurData (FYear, FPeriod, FLevel, FDeptID, FCostObjID, FCostItemID, "
        "FMaterielID, FSpendCostObjID, FOverAmount, FOnlineAmount) VALUES (2024, 3, 1, " +
        sqlNumber(d.dept) + ", " + sqlNumber(d.costObj) + ", " + sqlNumber(d.costItem) + ", " +
        sqlNumber(d.material) + ", " + sqlNumber(d.spendCostObj) + ", " + sqlNumber(d.over) + ", " +
        sqlNumber(d.online) + ")");
  }
};

TEST_F(ProductCostTest, ProductRowsOfALevel) {
  costObject(1, 906, 11);
  costObject(2, 908, 12, "B1");
  costObject(3, 909, 13);
  costObject(4, 907, 14);
  exec("UPDATE cbCostObj SET FCalculateType = NULL WHERE FItemID = 4");
  exec("INSERT INTO cbCompleteQty (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (2024, 3, 1, 1, 4)");
  header({.level = 1, .dept = 1, .costObj = 1, .costItem = 1, .over = 10, .online = 5, .revert = 2});
  header({.level = 1, .dept = 1, .costObj = 1, .costItem = 1, .over = 1.5, .revert = 1});
  header({.level = 1, .dept = 1, .costObj = 1, .costItem = 2, .over = 3});
  header({.level = 1, .dept = 1, .costObj = 2, .costItem = 1, .over = 7});
  header({.level = 1, .dept = 1, .costObj = 3, .costItem = 1, .over = 9});
  header({.level = 1, .dept = 1, .costObj = 4, .costItem = 1, .over = 8});
  header({.level = 2, .dept = 1, .costObj = 2, .costItem = 1, .over = 6});
  header({.level = 1, .dept = 1, .costObj = 2, .costItem = 1, .over = 5, .period = 2});
  const std::string query =
      "SELECT FDeptID, FCostObjID, FCostItemID, FProductID, FBatchNo, FAmount, FRevertAmount, FLevel, FQty, "
      "FStandardQty FROM cbProductCalInfo ORDER BY FCostObjID, FCostItemID";
  // Without a completed quantity FQty is 0; a cost object without a type is
  // ordinary; classification objects get none.
  const Rows level1{{"1", "1", "1", "11", "", "11.5", "3", "1", "4", "0"},
                    {"1", "1", "2", "11", "", "3", "0", "1", "4", "0"},
                    {"1", "2", "1", "12", "B1", "7", "0", "1", "0", "0"},
                    {"1", "4", "1", "14", "", "8", "0", "1", "0", "0"}};
  com::VoteRecorder votes;
  EXPECT_TRUE(call("UpdateProduct", {1, 2024, 3}).isEmpty());
  EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Complete});
  EXPECT_EQ(rows(query), level1);
  call("UpdateProduct", {3, 2024, 3});
  EXPECT_EQ(count("cbProductCalInfo"), 4);
  // A second run appends.
  call("UpdateProduct", {1, 2024, 3});
  EXPECT_EQ(count("cbProductCalInfo"), 8);
}

TEST_F(ProductCostTest, CalculationTypesFollowTheLevels) {
  struct Case {
    int type;
    std::vector<int> levels;  // header rows of March
    int expected;
  };
  const std::vector<Case> cases{{906, {2}, 907}, {907, {1}, 906}, {906, {1, 2}, 907}, {907, {1, 3}, 907},
                                {908, {2}, 908}, {909, {1}, 909}, {907, {}, 907}};
  for (size_t i = 0; i < cases.size(); ++i) {
    costObject(static_cast<int>(i) + 1, cases[i].type, 1);
    for (int level : cases[i].levels)
      header({.level = level, .dept = 1, .costObj = static_cast<int>(i) + 1, .costItem = 1, .over = 1});
  }
  // A row of another period changes nothing.
  header({.level = 1, .dept = 1, .costObj = 7, .costItem = 1, .over = 1, .period = 2});
  com::VoteRecorder votes;
  call("UpdateCalType", {2024, 3});
  EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Complete});
  for (size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(scalar("SELECT FCalculateType FROM cbCostObj WHERE FItemID = " + std::to_string(i + 1)),
              std::to_string(cases[i].expected))
        << "case " << i;
}

TEST_F(ProductCostTest, AmountDifferencesSettleOnOneDetailRow) {
  // Group 1: header 100.01 / 50.00 against detail 100.00 / 50.01; the row
  // whose completed amount plus 0.01 is greatest takes +0.01 and -0.01.
  header({.level = 1, .dept = 1, .costObj = 1, .costItem = 1, .over = 100.01, .online = 50});
  detail({1, 1, 1, 5, 0, 60, 30});
  detail({1, 1, 1, 6, 0, 40, 20.01});
  // Group 2: two rows differing only in the producing cost object; the one
  // whose adjusted work-in-process amount -0.01 is greater as text is chosen,
  // and only that one is written.
  header({.level = 1, .dept = 1, .costObj = 2, .costItem = 1, .over = 10.01});
  detail({1, 2, 1, 5, 7, 5, 0.01});
  detail({1, 2, 1, 5, 8, 5, 0});
  // Group 3: totals differ; group 4: the split agrees; group 5: no header.
  header({.level = 1, .dept = 1, .costObj = 3, .costItem = 1, .over = 10});
  detail({1, 3, 1, 5, 0, 9, 0});
  header({.level = 1, .dept = 1, .costObj = 4, .costItem = 1, .over = 4, .online = 1});
  detail({1, 4, 1, 5, 0, 4, 1});
  detail({1, 5, 1, 5, 0, 3, 3});
  com::VoteRecorder votes;
  call("AdjustAmountDiff", {2024, 3, 1});
  EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Complete});
  EXPECT_EQ(rows("SELECT FCostObjID, FMaterielID, FSpendCostObjID, CONVERT(DECIMAL(20,2), FOverAmount), "
                 "CONVERT(DECIMAL(20,2), FOnlineAmount) FROM CBCalInfoDetail_CurData ORDER BY FCostObjID, "
                 "FMaterielID, FSpendCostObjID"),
            (Rows{{"1", "5", "0", "60.01", "29.99"},
                  {"1", "6", "0", "40", "20.01"},
                  {"2", "5", "7", "5", "0.01"},
                  {"2", "5", "8", "5.01", "-0.01"},
                  {"3", "5", "0", "9", "0"},
                  {"4", "5", "0", "4", "1"},
                  {"5", "5", "0", "3", "3"}}));
}

TEST_F(ProductCostTest, FailuresAbortAndTheSettlementNamesItself) {
  exec("DROP TABLE cbCompleteQty DROP TABLE CBCalInfoDetail_CurData");
  for (const char* method : {"UpdateProduct", "AdjustAmountDiff"}) {
    com::VoteRecorder votes;
    com::ExcepInfo e = failure(method, {1, 2024, 3});
    EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Abort}) << method;
    EXPECT_EQ(e.source.starts_with("Marlstone.ConcludeUpdate.AdjustAmountDiff\r\n"),
              std::string(method) == "AdjustAmountDiff")
        << e.source;
  }
}

// Classification object 10 (main product 30 in whole units, by-product 31 of
// coefficient 0.5, 8 received, completed 10): amount 60 + 40 at level 1, so
// the main products carry 100 - 8 x value over 10 - 4 = 6.  Object 11: the
// same products, no completed quantity (main quantity -4).  Object 12:
// amounts of 0 and no by-products.  Object 13: by-products only, no rows at
// the level.
class TaxCostTest : public ProductCostTest {
 protected:
  void SetUp() override {
    ProductCostTest::SetUp();
    item(30, 0);
    exec("INSERT INTO cbCostItem (FItemID, FName) VALUES (1, 'Material'), (2, 'Labour')");
    for (int id = 10; id <= 13; ++id) {
      costObject(id, 909, 30);
      coProduct(id, 30, 1);
      coProduct(id, 31, 0.5, 1);
      exec(
          "INSERT INTO cbProductQty (FYear, FPeriod, FDeptID, FCostObjID, FProductID, FQty) VALUES (2024, 3, "
          "1, " +
          sqlNumber(id) + ", 31, " + (id == 12 ? "0" : "8") + ")");
    }
    exec("INSERT INTO cbCompleteQty (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (2024, 3, 1, 10, 10)");
    for (int id : {10, 11}) {
      header({.level = 1, .dept = 1, .costObj = id, .costItem = 1, .over = 60});
      header({.level = 1, .dept = 1, .costObj = id, .costItem = 2, .over = 40});
    }
    header({.level = 1, .dept = 1, .costObj = 12, .costItem = 1, .over = 0});
    costObject(14, 906, 30);
    header({.level = 2, .dept = 1, .costObj = 14, .costItem = 1, .over = 5});
  }
  void deputyValue(double value) const {
    exec(
        "DELETE FROM CBDeputyInfo INSERT INTO CBDeputyInfo (FYear, FPeriod, FProductID, FAmount) VALUES "
        "(2024, 3, 31, " +
        sqlNumber(value) + ")");
  }
};

TEST_F(TaxCostTest, FailingAndPassingCostObjects) {
  struct Case {
    double value;                       // per unit of the by-product
    std::vector<int> failing, passing;  // cost objects
  };
  const std::vector<Case> cases{
      {3.75, {11}, {10, 12}},  // 70 over 6 passes, over -4 fails
      {15, {10}, {11, 12}},    // -20 over 6 fails, over -4 passes
      {12.5, {10, 11}, {12}},  // 0 over 6 and -4 fail; no amounts pass
  };
  for (const Case& c : cases) {
    deputyValue(c.value);
    com::VoteRecorder votes;
    Rows failing;
    for (int id : c.failing)
      failing.push_back({"1", std::to_string(id), "Cost object", "Dept 1"});
    EXPECT_EQ(rowsOf(ask("GetTaxCost", {2024, 3, 1, 0})), failing) << c.value;
    EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Complete});
    Rows passing;
    for (int id : c.passing) {
      if (id == 12) {
        passing.push_back({"1", "12", "1", "Material", "Cost object", "Dept 1", "0"});
        continue;
      }
      passing.push_back({"1", std::to_string(id), "1", "Material", "Cost object", "Dept 1", "60"});
      passing.push_back({"1", std::to_string(id), "2", "Labour", "Cost object", "Dept 1", "40"});
    }
    std::sort(passing.begin(), passing.end());
    EXPECT_EQ(rowsOf(ask("GetTaxCost", {2024, 3, 1, 1})), passing) << c.value;
  }
  // A level without classification objects: empty, with the columns of its form.
  com::Variant none = ask("GetTaxCost", {2024, 3, 2, 1});
  EXPECT_TRUE(rowsOf(none).empty());
  EXPECT_EQ(columnsOf(none), (std::vector<std::string>{"FDeptID", "FCostObjID", "FCostItemID", "FItemName",
                                                       "FName", "FDeptName", "FAmount"}));
}

}  // namespace
}  // namespace mls::testing

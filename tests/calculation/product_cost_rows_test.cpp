// ConcludeUpdate.UpdateProduct, UpdateCalType and AdjustAmountDiff on the work
// tables the client fills, and CalInfo.GetTaxCost.
#include <set>
#include <tuple>

#include "cal_info_inquiry_fixture.h"
#include "platform/com/object_context.h"
#include "support/com_errors.h"

namespace mls::testing {
namespace {

using com::Vote;

class ProductCostTest : public CalInfoInquiryTest {
 protected:
  void SetUp() override {
    CalInfoInquiryTest::SetUp();
    department(1, 361);
    snapshot(2024, 3);
  }
  // Rows "(period, level, dept, cost object, cost item, over, online, revert), ...".
  void headers(const std::string& values) const {
    exec(
        "INSERT INTO CBCalInfo_CurData (FPeriod, FLevel, FDeptID, FCostObjID, FCostItemID, FOverAmount, "
        "FOnlineAmount, FRevertAmount) VALUES " +
        values + " UPDATE CBCalInfo_CurData SET FYear = 2024");
  }
  // ConcludeUpdate.<member>(props, args...).
  com::Variant update(const std::string& member, std::vector<com::Variant> args) {
    return callOn(*concludeUpdate_, db_.props(), member, std::move(args));
  }
  // The error of a ConcludeUpdate call that must fail.
  com::ExcepInfo updateFailure(const std::string& member, std::vector<com::Variant> args) {
    return failureOf(member, [&] { update(member, args); });
  }
  // ConcludeUpdate.<member>, which must vote SetComplete.
  void write(const std::string& member, std::vector<com::Variant> args) {
    com::VoteRecorder votes;
    update(member, std::move(args));
    EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Complete}) << member;
  }
};

TEST_F(ProductCostTest, ProductRowsOfALevel) {
  costObject(1, 906, 11);
  costObject(2, 908, 12, "B1");
  costObject(3, 909, 13);
  costObject(4, 907, 14);
  exec("UPDATE cbCostObj SET FCalculateType = NULL WHERE FItemID = 4");
  exec("INSERT INTO cbCompleteQty (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (2024, 3, 1, 1, 4)");
  headers(
      "(3, 1, 1, 1, 1, 10, 5, 2), (3, 1, 1, 1, 1, 1.5, 0, 1), (3, 1, 1, 1, 2, 3, 0, 0), (3, 1, 1, 2, 1, 7, "
      "0, 0), (3, 1, 1, 3, 1, 9, 0, 0), (3, 1, 1, 4, 1, 8, 0, 0), (3, 2, 1, 2, 1, 6, 0, 0), (2, 1, 1, 2, 1, "
      "5, 0, 0)");
  // Work in process stays out; without a completed quantity FQty is 0; a
  // cost object without a type is ordinary; classification objects get none.
  write("UpdateProduct", {1, 2024, 3});
  const Rows level1{{"1", "1", "1", "11", "", "11.5", "3", "1", "4", "0"},
                    {"1", "1", "2", "11", "", "3", "0", "1", "4", "0"},
                    {"1", "2", "1", "12", "B1", "7", "0", "1", "0", "0"},
                    {"1", "4", "1", "14", "", "8", "0", "1", "0", "0"}};
  EXPECT_EQ(rows("SELECT FDeptID, FCostObjID, FCostItemID, FProductID, FBatchNo, FAmount, FRevertAmount, "
                 "FLevel, FQty, FStandardQty FROM cbProductCalInfo ORDER BY FCostObjID, FCostItemID"),
            level1);
  update("UpdateProduct", {3, 2024, 3});
  update("UpdateProduct", {1, 2024, 3});  // appends
  EXPECT_EQ(count("cbProductCalInfo"), 8);
}

TEST_F(ProductCostTest, CalculationTypesFollowTheLevels) {
  // Cost object, type, March levels, expected type; object 7 has a row of
  // February only.
  const std::vector<std::tuple<int, int, std::vector<int>, int>> cases{
      {1, 906, {2}, 907}, {2, 907, {1}, 906}, {3, 906, {1, 2}, 907}, {4, 907, {1, 3}, 907},
      {5, 908, {2}, 908}, {6, 909, {1}, 909}, {7, 906, {}, 906}};
  headers("(2, 2, 1, 7, 1, 1, 0, 0)");
  for (const auto& [id, type, levels, expected] : cases) {
    costObject(id, type, 1);
    for (int level : levels)
      headers("(3, " + std::to_string(level) + ", 1, " + std::to_string(id) + ", 1, 1, 0, 0)");
  }
  write("UpdateCalType", {2024, 3});
  for (const auto& [id, type, levels, expected] : cases)
    EXPECT_EQ(scalar("SELECT FCalculateType FROM cbCostObj WHERE FItemID = " + std::to_string(id)),
              std::to_string(expected))
        << id;
}

TEST_F(ProductCostTest, AmountDifferencesSettleOnOneDetailRow) {
  // Cost object 1: header 100.01 / 50.00 against detail 100.00 / 50.01; the
  // row whose completed amount plus 0.01 is greatest takes +0.01 and -0.01.
  // 2: two rows differing only in the producing cost object; the one whose
  // adjusted work in process (-0.01) is greater as text takes it all.  3: the
  // totals differ; 4: the split agrees; 5: no header.
  headers(
      "(3, 1, 1, 1, 1, 100.01, 50, 0), (3, 1, 1, 2, 1, 10.01, 0, 0), (3, 1, 1, 3, 1, 10, 0, 0), "
      "(3, 1, 1, 4, 1, 4, 1, 0)");
  exec(
      "INSERT INTO CBCalInfoDetail_CurData (FCostObjID, FMaterielID, FSpendCostObjID, FOverAmount, "
      "FOnlineAmount) VALUES (1, 5, 0, 60, 30), (1, 6, 0, 40, 20.01), (2, 5, 7, 5, 0.01), (2, 5, 8, 5, 0), "
      "(3, 5, 0, 9, 0), (4, 5, 0, 4, 1), (5, 5, 0, 3, 3)");
  exec(
      "UPDATE CBCalInfoDetail_CurData SET FYear = 2024, FPeriod = 3, FLevel = 1, FDeptID = 1, FCostItemID = "
      "1");
  write("AdjustAmountDiff", {2024, 3, 1});
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
  for (const std::string method : {"UpdateProduct", "AdjustAmountDiff"}) {
    com::VoteRecorder votes;
    com::ExcepInfo e = updateFailure(method, {1, 2024, 3});
    EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Abort}) << method;
    EXPECT_EQ(e.source.starts_with("Marlstone.ConcludeUpdate.AdjustAmountDiff\r\n"),
              method == "AdjustAmountDiff");
  }
}

// Classification cost objects 10 to 13 (main product 30 in whole units,
// by-product 31 of coefficient 0.5, 8 received except for 12).  10: 60 + 40
// at level 1, completed 10, so the main products carry 100 - 8 x value over
// 10 - 4.  11: the same without a completed quantity (-4).  12: an amount of
// 0 and no by-products.  13: by-products only, no rows at the level.
TEST_F(ProductCostTest, TaxCostFailingAndPassingCostObjects) {
  item(30, 0);
  exec("INSERT INTO cbCostItem (FItemID, FName) VALUES (1, 'Material'), (2, 'Labour')");
  for (int id = 10; id <= 13; ++id) {
    costObject(id, 909, 30);
    coProduct(id, 30, 1);
    coProduct(id, 31, 0.5, 1);
    exec("INSERT INTO cbProductQty (FYear, FPeriod, FDeptID, FCostObjID, FProductID, FQty) VALUES " +
         ("(2024, 3, 1, " + std::to_string(id) + ", 31, " + (id == 12 ? "0)" : "8)")));
  }
  exec("INSERT INTO cbCompleteQty (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (2024, 3, 1, 10, 10)");
  headers(
      "(3, 1, 1, 10, 1, 60, 0, 0), (3, 1, 1, 10, 2, 40, 0, 0), (3, 1, 1, 11, 1, 60, 0, 0), "
      "(3, 1, 1, 11, 2, 40, 0, 0), (3, 1, 1, 12, 1, 0, 0, 0), (3, 2, 1, 14, 1, 5, 0, 0)");
  costObject(14, 906, 30);
  auto costObjects = [](const Rows& rows) {
    std::set<std::string> ids;
    for (const auto& r : rows)
      ids.insert(r[1]);
    return ids;
  };
  // Value per by-product unit, failing and passing cost objects.
  const std::vector<std::tuple<double, std::set<std::string>, std::set<std::string>>> cases{
      {3.75, {"11"}, {"10", "12"}},  // 70 over 6 passes, over -4 fails
      {15, {"10"}, {"11", "12"}},    // -20 over 6 fails, over -4 passes
      {12.5, {"10", "11"}, {"12"}},  // 0 over 6 and -4 fail; no amounts pass
  };
  for (const auto& [value, failing, passing] : cases) {
    exec("DELETE FROM CBDeputyInfo INSERT INTO CBDeputyInfo (FYear, FPeriod, FProductID, FAmount) VALUES " +
         ("(2024, 3, 31, " + std::to_string(value) + ")"));
    com::VoteRecorder votes;
    Rows fails = rowsOf(call("GetTaxCost", {2024, 3, 1, 0}));
    EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Complete});
    EXPECT_EQ(costObjects(fails), failing) << value;
    EXPECT_EQ(fails[0], (std::vector<std::string>{"1", *failing.begin(), "Cost object", "Dept 1"}));
    Rows passes = rowsOf(call("GetTaxCost", {2024, 3, 1, 1}));
    EXPECT_EQ(costObjects(passes), passing) << value;
    EXPECT_EQ(passes[0], (std::vector<std::string>{"1", *passing.begin(), "1", "Material", "Cost object",
                                                   "Dept 1", *passing.begin() == "12" ? "0" : "60"}));
  }
  // A level without classification objects: empty, with the columns of its form.
  com::Variant none = call("GetTaxCost", {2024, 3, 2, 0});
  EXPECT_TRUE(rowsOf(none).empty());
  EXPECT_EQ(columnsOf(none), (std::vector<std::string>{"FDeptID", "FCostObjID", "FName", "FDeptName"}));
}

}  // namespace
}  // namespace mls::testing

// CalInfo.GetTaxCost on classification cost objects (ConcludeUpdate's product
// rows, calculation types and settlements are in cases/product_cost_rows.calls).
#include <set>
#include <tuple>

#include "cal_info_inquiry_fixture.h"
#include "platform/com/object_context.h"

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
};

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

// The choice of source by ModStandardData's entry points, the ration and sort
// data, the daily and department-wide options and the column check.
#include <functional>
#include <vector>

#include "standards/standard_qty_sql.h"
#include "standards_fixture.h"
#include "support/com_errors.h"

namespace mls::testing {
namespace {

using standards::StandardQtyOptions;

class DispatchTest : public StandardsTest {
 protected:
  void SetUp() override {
    StandardsTest::SetUp();
    // Ration data: standard 4 per cost item, for cost item 0, department-wide
    // (cost object 0), standard -1, and standard 4 of another period.
    exec(
        "INSERT INTO CBRationStandardInfo (FYear, FPeriod, FStandardID, FDeptID, FCostObjID, FCostItemID, "
        "FQty) VALUES (2024, 3, 4, 1, 1, 0, 10), (2024, 3, 4, 1, 1, 5, 20), (2024, 3, 4, 1, 0, 0, 30), "
        "(2024, 3, 4, 1, 0, 5, 35), (2024, 3, -1, 1, 1, 0, 40), (2024, 2, 4, 1, 2, 0, 50)");
    exec(
        "INSERT INTO cbManHourInfo (FYear, FPeriod, FDeptID, FCostObjID, FPurposeID, FType, FQty) VALUES "
        "(2024, 3, 1, 1, 0, 0, 3), (2024, 3, 1, 1, 1, 1, 5)");
    exec("INSERT INTO t_SystemProfile (FCategory, FKey, FValue) VALUES ('CB', 'CB_CALCOMPLETEQTY_OK', '1')");
    exec("INSERT INTO cbCompleteQty (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (2024, 3, 1, 1, 42)");
  }

  std::string text(int kind, int number, bool byCostItem = false, StandardQtyOptions options = {},
                   const std::string& code = "", const std::string& column = "FQty") {
    return standards::buildStandardQtySql(kind, number, kYear, kPeriod, begin(), next(), column, byCostItem,
                                          options, code, -1);
  }
  // The value the text gives receiver (cost object 1, department 1, cost item 0).
  double value(const std::string& sql) { return values({{.costObj = 1, .dept = 1}}, sql)[0]; }
  static com::ExcepInfo failure(const std::function<void()>& f) { return failureOf("the text", f); }
};

TEST_F(DispatchTest, TheKindAndNumberChooseTheSource) {
  const struct {
    int kind, number;
    double value;  // 7: no text or no data
  } cases[] = {
      {0, 2, 42},  // completed quantity
      {0, 3, 8},   // man-hours of every purpose and type
      // Kinds outside the system kinds read the ration data of the number.
      {0, 4, 10},
      {9, 4, 10},
      {70000, 4, 10},
      {-5, 4, 10},
      {5, 4, 40},  // kind 5 reads standard -1 whatever the number
      {0, 6, 7},   // no data of that number
  };
  for (const auto& c : cases)
    EXPECT_EQ(value(text(c.kind, c.number)), c.value) << c.kind << " " << c.number;
  // BOM usage and kinds above 70012 give no text.
  EXPECT_EQ(text(6, 4), "");
  EXPECT_EQ(text(70013, 4, false, {}, "CLDETLD"), "");
}

TEST_F(DispatchTest, RationDataByCostItemAndDepartmentWide) {
  // Cost items 0 and 5 of cost object 1, cost item 5 of cost object 3, and
  // cost object 2 (data of February only).
  const std::vector<Receiver> receivers{{.costObj = 1, .dept = 1, .costItem = 0},
                                        {.costObj = 1, .dept = 1, .costItem = 5},
                                        {.costObj = 3, .dept = 1, .costItem = 5},
                                        {.costObj = 2, .dept = 1}};
  using Values = std::vector<double>;
  EXPECT_EQ(values(receivers, text(0, 4, false)), (Values{10, 10, 7, 7}));
  EXPECT_EQ(values(receivers, text(0, 4, true)), (Values{10, 20, 7, 7}));
  EXPECT_EQ(values(receivers, text(0, 4, true, {.departmentWide = true})), (Values{30, 35, 35, 30}));
  EXPECT_EQ(values(receivers, text(0, 4, false, {.departmentWide = true})), (Values{30, 30, 30, 30}));
}

TEST_F(DispatchTest, DailyCostingSkipsTheQuotaAndRefusesSystemData) {
  EXPECT_EQ(value(text(0, 4, false, {.daily = true}, "CLDETLD")), 10);
  for (int kind : {1, 3, 70012}) {
    const com::ExcepInfo e = failure([&] { text(kind, 4, false, {.daily = true}); });
    EXPECT_EQ(e.number, 5) << kind;
    EXPECT_EQ(e.source, "Marlstone.ModStandardData");
  }
  EXPECT_EQ(failure([&] { text(0, 2, false, {.daily = true}); }).number, 5);
  EXPECT_EQ(text(6, 4, false, {.daily = true}), "");
}

TEST_F(DispatchTest, AColumnThatIsNoIdentifierNeverReachesTheText) {
  for (const std::string& column : std::vector<std::string>{"", "FQty;DROP TABLE t", "1FQty", "FQty'",
                                                            "[FQty]", "F Qty", std::string(129, 'F')}) {
    SCOPED_TRACE(column);
    for (int kind : {0, 1, 3, 6, 70012}) {
      const com::ExcepInfo e = failure([&] { text(kind, 4, false, {}, "", column); });
      EXPECT_EQ(e.number, 5);
      EXPECT_EQ(e.source, "Marlstone.ModStandardData");
      EXPECT_NE(e.description.find("not a valid column name"), std::string::npos) << e.description;
    }
    EXPECT_EQ(failure([&] {
                standards::buildSortStandardQtySql(0, 4, kYear, kPeriod, begin(), next(), column, false);
              }).number,
              5);
  }
  EXPECT_EQ(value(text(0, 4, false, {}, "", "FQty")), 10);
  EXPECT_EQ(text(0, 4, false, {}, "", "_q9").find("t1._q9="), 15u);
}

class SortDispatchTest : public DispatchTest {
 protected:
  std::string sort(int kind, int number) {
    return standards::buildSortStandardQtySql(kind, number, kYear, kPeriod, begin(), next(), "FQty", false);
  }
};

TEST_F(SortDispatchTest, AnyKindButTheJointProductKindsReadsTheSortData) {
  exec(
      "INSERT INTO CBSortStandardInfo (FYear, FPeriod, FStandardID, FDeptID, FCostObjID, FProductID, "
      "FCostItemID, FQty) VALUES (2024, 3, 2, 1, 1, 11, 0, 5), (2024, 3, 2, 1, 1, 12, 0, 6), (2024, 3, 3, 1, "
      "1, 11, 0, 8)");
  exec(
      "INSERT INTO cbProductQty (FYear, FPeriod, FDeptID, FCostObjID, FProductID, FQty) VALUES (2024, 3, 1, "
      "1, 11, 9)");
  // The main product, a by-product (no by-product condition here), and the
  // main product under cost item 3.
  const std::vector<Receiver> receivers{{.costObj = 1, .dept = 1, .product = 11},
                                        {.costObj = 1, .dept = 1, .product = 12, .deputy = 1},
                                        {.costObj = 1, .dept = 1, .costItem = 3, .product = 11}};
  for (int kind : {0, 3, 7, 70001, 70012})
    EXPECT_EQ(values(receivers, sort(kind, 2)), (std::vector<double>{5, 6, 7})) << kind;
  EXPECT_EQ(values(receivers, sort(70005, 2)), (std::vector<double>{9, 7, 9}));
  EXPECT_EQ(sort(6, 2).find("CBSortStandardInfo") != std::string::npos, true);
}

}  // namespace
}  // namespace mls::testing

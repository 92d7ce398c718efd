// CalInfo.GetOnlStdAData, GetOnlStdPData, GetYearBData and GetQtyID: the rows
// each lookup answers and its filters.
#include "cal_info_inquiry_fixture.h"

namespace mls::testing {
namespace {

// Ration data of standard 3 for cost object 10 in March 2024, with rows of
// another standard, cost object, period and year; year-begin balances of cost
// object 10 in 2024 with rows of other periods, types, years and objects;
// standards 1 (plain) and 2 (complex, by quantity).
class StandardLookupsTest : public CalInfoInquiryTest {
 protected:
  void SetUp() override {
    CalInfoInquiryTest::SetUp();
    exec(
        "INSERT INTO CBRationStandardInfo (FStandardID, FCostObjID, FYear, FPeriod, FDeptID, FCostItemID, "
        "FQty) VALUES (3, 10, 2024, 3, 1, 0, 150), (3, 10, 2024, 3, 2, 901, 12.5), (4, 10, 2024, 3, 1, 0, "
        "7), (3, 11, 2024, 3, 1, 0, 8), (3, 10, 2024, 2, 1, 0, 9), (3, 10, 2023, 3, 1, 0, 10)");
    exec(
        "INSERT INTO cbBalance (FYear, FPeriod, FTypeID, FProductID, FDepID, FCostID, FBegBal) VALUES "
        "(2024, 1, 2, 10, 1, 901, 40), (2024, 1, 2, 10, 2, 902, -2.5), (2024, 2, 2, 10, 1, 901, 41), "
        "(2024, 1, 1, 10, 1, 901, 42), (2024, 1, 0, 10, 1, 901, 43), (2023, 1, 2, 10, 1, 901, 44), "
        "(2024, 1, 2, 11, 1, 901, 45)");
    exec(
        "INSERT INTO cb_BmStandard (FNum, FID, FName, FComPlex, FOnQty) VALUES (1, 'S1', 'Plain', 0, 0), "
        "(2, 'S2', 'Complex', 1, 1)");
  }
};

TEST_F(StandardLookupsTest, RationDataAsStoredAndAsAPercentage) {
  const std::vector<std::string> columns{"FDeptID", "FCostObjID", "FCostItemID", "FQty"};
  com::Variant stored = call("GetOnlStdAData", {3, 2024, 3, 10});
  EXPECT_EQ(columnsOf(stored), columns);
  EXPECT_EQ(rowsOf(stored), (Rows{{"1", "10", "0", "150"}, {"2", "10", "901", "12.5"}}));
  com::Variant percent = call("GetOnlStdPData", {3, 2024, 3, 10});
  EXPECT_EQ(columnsOf(percent), columns);
  EXPECT_EQ(rowsOf(percent), (Rows{{"1", "10", "0", "1.5"}, {"2", "10", "901", "0.125"}}));
  // Each argument narrows the rows.
  EXPECT_EQ(rowsOf(call("GetOnlStdAData", {4, 2024, 3, 10})), (Rows{{"1", "10", "0", "7"}}));
  EXPECT_EQ(rowsOf(call("GetOnlStdPData", {3, 2024, 3, 11})), (Rows{{"1", "11", "0", "0.08"}}));
  EXPECT_EQ(rowsOf(call("GetOnlStdAData", {3, 2024, 2, 10})), (Rows{{"1", "10", "0", "9"}}));
  EXPECT_EQ(rowsOf(call("GetOnlStdPData", {3, 2023, 3, 10})), (Rows{{"1", "10", "0", "0.1"}}));
  EXPECT_TRUE(rowsOf(call("GetOnlStdAData", {5, 2024, 3, 10})).empty());
  EXPECT_TRUE(rowsOf(call("GetOnlStdPData", {3, 2024, 4, 10})).empty());
}

TEST_F(StandardLookupsTest, YearBeginBalancesArePeriodOneOfTypeTwo) {
  com::Variant answer = call("GetYearBData", {2024, 10});
  EXPECT_EQ(columnsOf(answer), (std::vector<std::string>{"FDeptID", "FCostObjID", "FCostItemID", "FQty"}));
  EXPECT_EQ(rowsOf(answer), (Rows{{"1", "10", "901", "40"}, {"2", "10", "902", "-2.5"}}));
  EXPECT_EQ(rowsOf(call("GetYearBData", {2023, 10})), (Rows{{"1", "10", "901", "44"}}));
  EXPECT_EQ(rowsOf(call("GetYearBData", {2024, 11})), (Rows{{"1", "11", "901", "45"}}));
  EXPECT_TRUE(rowsOf(call("GetYearBData", {2025, 10})).empty());
}

TEST_F(StandardLookupsTest, TheFlagsOfAStandardAndNoneForAnUnknownNumber) {
  com::Variant answer = call("GetQtyID", {2});
  EXPECT_EQ(columnsOf(answer), (std::vector<std::string>{"FOnQty", "FComplex"}));
  EXPECT_EQ(rowsOf(answer), (Rows{{"1", "1"}}));
  EXPECT_EQ(rowsOf(call("GetQtyID", {1})), (Rows{{"0", "0"}}));
  com::Variant none = call("GetQtyID", {99});
  EXPECT_TRUE(rowsOf(none).empty());
  EXPECT_EQ(columnsOf(none).size(), 2u);
}

}  // namespace
}  // namespace mls::testing

// CalInfo.GetOnOkCostObj with a cost object's longest number and name (the
// inquiries' rows are in cases/calculation_inquiries.calls).
#include "cal_info_inquiry_fixture.h"
#include "frame/sql_literal.h"

namespace mls::testing {
namespace {

TEST_F(CalInfoInquiryTest, ALongNumberAndNameFitTheCaption) {
  const std::string number(80, 'N');
  const std::string name(255, 'x');
  exec("INSERT INTO cbCostObj (FItemID, FNumber, FName) VALUES (8, " + frame::sqlText(number) + ", " +
       frame::sqlText(name) + ")");
  exec("INSERT INTO cbCompleteQty (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (2024, 5, 1, 8, 1)");
  EXPECT_EQ(rowsOf(call("GetOnOkCostObj", {2024, 5})),
            (Rows{{"8", number, name, "(" + number + ")" + name, "1", "0"}}));
}

}  // namespace
}  // namespace mls::testing

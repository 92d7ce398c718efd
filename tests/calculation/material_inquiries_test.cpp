// CalInfo.GetOnlineCostobj's recordset, which the client edits locally (the
// inquiries' rows are in cases/material_inquiries.calls).
#include "cal_info_inquiry_fixture.h"
#include "platform/com/registry.h"

namespace mls::testing {
namespace {

// Cost objects 1 to 8 by their input quantities (CBInQty) and beginning
// balances (cbBalance) of March: 1 an input; 2 a balance row only; 3 no input
// and balances summing to 0; 4 no input and a balance; 5 no input and no
// balance rows; 6 an input now and none in February; 7 and 8 February only.
class OnlineCostObjTest : public CalInfoInquiryTest {
 protected:
  void SetUp() override {
    CalInfoInquiryTest::SetUp();
    for (int id = 1; id <= 8; ++id)
      costObject(id, 906, 100 + id);
    exec(
        "UPDATE cbCostObj SET FBatchNo = 'B1', FCalculateType = 908, FStdID = 3, FStdSubID = 4, "
        "FStdSubItemID = 5 WHERE FItemID = 1 INSERT INTO CBInQty (FYear, FPeriod, FCostObjID, FQty) VALUES "
        "(2024, 3, 1, 5), (2024, 3, 3, 0), (2024, 3, 4, 0), (2024, 3, 5, 0), (2024, 3, 6, 4), (2024, 2, 6, "
        "0), (2024, 2, 7, 1) INSERT INTO cbBalance (FYear, FPeriod, FProductID, FBegBal) VALUES (2024, 3, 2, "
        "0), (2024, 3, 3, 10), (2024, 3, 3, -10), (2024, 3, 4, 7), (2024, 3, 6, 0), (2024, 2, 8, 1)");
  }
  std::vector<std::string> ids(const com::Variant& answer) {
    std::vector<std::string> out;
    for (const std::vector<std::string>& row : rowsOf(answer))
      out.push_back(row[1]);
    return out;
  }
};

TEST_F(OnlineCostObjTest, TheClientEditsTheRecordsetWithoutTouchingTheDatabase) {
  com::Variant answer = call("GetOnlineCostobj", {2024, 3});
  ado::Recordset& rs = recordset(answer);
  EXPECT_EQ(rs.cursorType(), ado::kOpenStatic);
  EXPECT_EQ(rs.cursorLocation(), ado::kUseClient);
  EXPECT_EQ(rs.lockType(), ado::kLockBatchOptimistic);
  // As a client does it, by name: fill FSort, add a row, delete one, filter and sort.
  com::Dispatch& d = *answer.toObject();
  com::callByName(d, "MoveFirst");
  com::letProperty(*com::getProperty(d, "Fields", "FSort").toObject(), "Value", 2);
  com::callByName(d, "AddNew",
                  com::Variant(com::SafeArray::vector({com::Variant("FCostObjID"), com::Variant("FSort")})),
                  com::Variant(com::SafeArray::vector({com::Variant(99), com::Variant(1)})));
  com::callByName(d, "Update");
  com::letProperty(d, "Filter", "FCostObjID = 4");
  com::callByName(d, "Delete");
  com::letProperty(d, "Filter", "");
  com::letProperty(d, "Sort", "FSort DESC, FCostObjID");
  std::vector<std::string> order;
  for (com::callByName(d, "MoveFirst"); !com::getProperty(d, "EOF").toBool(); com::callByName(d, "MoveNext"))
    order.push_back(rs.value("FCostObjID").toString() + ":" + rs.value("FSort").toString());
  EXPECT_EQ(order, (std::vector<std::string>{"1:2", "99:1", "2:0", "5:0", "6:0"}));
  // Nothing reached the database.
  EXPECT_EQ(ids(call("GetOnlineCostobj", {2024, 3})), (std::vector<std::string>{"1", "2", "4", "5", "6"}));
  EXPECT_EQ(count("cbCostObj"), 8);
}

}  // namespace
}  // namespace mls::testing

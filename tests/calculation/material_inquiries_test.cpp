// CalInfo.GetMateriel, GetMaterielBySetLevel, GetProductIn, GetAmountZero and
// GetOnlineCostobj on March 2024, and the recordset the client edits locally.
#include "cal_info_inquiry_fixture.h"
#include "platform/com/registry.h"
#include "support/com_errors.h"

namespace mls::testing {
namespace {

// Issue 1 of the snapshot: line 1 item 10 (no amount), lines 2 and 3 item 11
// in batches B1 and B2, line 4 item 12 (rework), line 5 item 13 (a by-product
// of cost object 9).  The item master gives class 1, the item base table 2.
class MaterielTest : public CalInfoInquiryTest {
 protected:
  void SetUp() override {
    CalInfoInquiryTest::SetUp();
    snapshot(2024, 3);
    exec(
        "INSERT INTO t_ICItem (FItemID, FNumber, FName, FErpClsID) VALUES (10, 'I10', 'Item 10', 1), (11, "
        "'I11', 'Item 11', 1), (12, 'I12', 'Item 12', 1), (13, 'I13', 'Item 13', 1) INSERT INTO t_icitembase "
        "(FItemID, FErpClsID) VALUES (10, 2), (11, 2), (12, 2), (13, 2) INSERT INTO cb_CostObj_Product "
        "(FCostObjID, FProductID, FIsDeputy) VALUES (9, 13, 1) INSERT INTO cb_ICStockBill (FInterID, "
        "FBillNo, FTranType, FDeptID, FStatus) VALUES (1, 'SOUT1', 24, 1, 1) INSERT INTO cb_ICStockBillEntry "
        "(FInterID, FEntryID, FItemID, FBatchNo, FAmount, FReProduceType) VALUES (1, 1, 10, '', 0, 0), (1, "
        "2, 11, 'B1', 4, 0), (1, 3, 11, 'B2', 5, 0), (1, 4, 12, '', 6, 1058), (1, 5, 13, '', 7, 0)");
    // (period, line, cost object, quantity, amount).  Normal use: nothing on
    // line 1 for 5, an amount only for 6, February for 7.  Repairable waste:
    // line 2 for 5 again (one row in the union), an amount only for 8.
    exec(
        "INSERT INTO cbMaterielInfo (FYear, FPeriod, FInterID, FEntryID, FCostObjID, FCostItemID, FQty, "
        "FAmount) VALUES (2024, 3, 1, 1, 5, 1, 0, 0), (2024, 3, 1, 1, 6, 1, 3, 0), (2024, 3, 1, 2, 5, 1, 1, "
        "4), (2024, 3, 1, 3, 5, 1, 1, 5), (2024, 3, 1, 4, 5, 1, 1, 6), (2024, 3, 1, 5, 5, 1, 1, 7), (2024, "
        "2, 1, 1, 7, 1, 1, 1) INSERT INTO cbWMaterielInfo (FYear, FPeriod, FInterID, FEntryID, FCostObjID, "
        "FCostItemID, FQty, FAmount) VALUES (2024, 3, 1, 2, 5, 1, 1, 4), (2024, 3, 1, 1, 8, 1, 0, 2)");
  }
};

TEST_F(MaterielTest, ListsTheDistributedMaterialsOfEachSource) {
  struct Case {
    const char* member;
    int lngCal;
    Rows rows;
  };
  const Case cases[] = {
      {"GetMateriel",
       0,
       {{"5", "11", "1"}, {"5", "12", "1"}, {"5", "13", "1"}, {"6", "10", "1"}, {"8", "10", "1"}}},
      // The item base table's class; the by-product 13 is left out.
      {"GetMateriel", 1, {{"5", "11", "2"}, {"5", "12", "2"}, {"6", "10", "2"}, {"8", "10", "2"}}},
      // One row per batch; the rework line of item 12 is left out.
      {"GetMaterielBySetLevel",
       0,
       {{"5", "11", "B1", "1"},
        {"5", "11", "B2", "1"},
        {"5", "13", "", "1"},
        {"6", "10", "", "1"},
        {"8", "10", "", "1"}}},
      {"GetMaterielBySetLevel",
       1,
       {{"5", "11", "B1", "2"}, {"5", "11", "B2", "2"}, {"6", "10", "", "2"}, {"8", "10", "", "2"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.member) + " " + std::to_string(c.lngCal));
    EXPECT_EQ(rowsOf(call(c.member, {2024, 3, c.lngCal})), c.rows);
  }
  EXPECT_EQ(rowsOf(call("GetMateriel", {2024, 3})), cases[0].rows);  // lngCal defaults to 0
  EXPECT_EQ(columnsOf(call("GetMaterielBySetLevel", {2024, 3})),
            (std::vector<std::string>{"FCostObjID", "FItemID", "FBatchno", "FErpClsID"}));
  EXPECT_EQ(rowsOf(call("GetMateriel", {2024, 2})), (Rows{{"7", "10", "1"}}));
}

TEST_F(MaterielTest, AnUnknownCalculationModeIsRefusedWithTheMembersName) {
  for (const char* member : {"GetMateriel", "GetMaterielBySetLevel"}) {
    for (int lngCal : {2, -1}) {
      SCOPED_TRACE(std::string(member) + " " + std::to_string(lngCal));
      com::ExcepInfo e = failure(member, {2024, 3, lngCal});
      EXPECT_EQ(e.number, 5);
      EXPECT_EQ(e.source, std::string("Marlstone.CalInfo.") + member);
      EXPECT_EQ(e.description,
                "Calculation mode " + std::to_string(lngCal) + " is not valid: it must be 0 or 1.");
    }
  }
  com::ExcepInfo chs = failureOf("chs", [&] { callWith(db_.props("chs"), "GetMateriel", {2024, 3, 2}); });
  EXPECT_EQ(chs.description, "计算方式2无效：只能是0或1。");
}

TEST_F(MaterielTest, ZeroAmountLinesOfOneCostObject) {
  exec(
      "UPDATE cb_ICStockBillEntry SET FAmount = 0 WHERE FEntryID = 3 INSERT INTO cbMaterielInfo (FYear, "
      "FPeriod, FInterID, FEntryID, FCostObjID, FCostItemID, FQty) VALUES (2024, 3, 1, 1, 5, 2, 2)");
  com::Variant answer = call("GetAmountZero", {2024, 3, 5});
  EXPECT_EQ(columnsOf(answer),
            (std::vector<std::string>{"FCostObjID", "FBillNo", "FEntryID", "FNumber", "FName"}));
  // One row per distribution row (line 1 under two cost items); neither
  // repairable waste (8) nor other cost objects count.
  const std::vector<std::string> line1{"5", "SOUT1", "1", "I10", "Item 10"};
  EXPECT_EQ(rowsOf(answer), (Rows{line1, line1, {"5", "SOUT1", "3", "I11", "Item 11"}}));
  EXPECT_TRUE(rowsOf(call("GetAmountZero", {2024, 3, 8})).empty());
  EXPECT_TRUE(rowsOf(call("GetAmountZero", {2024, 2, 5})).empty());
}

// Product 20 is made by cost objects 30 and 33 (as by-product) and by 32,
// whose item is deleted; 21 is batch-tracked and made by 31 in batch B1 only;
// 22 is only ever a by-product; 23 belongs to no cost object.  Department 2 is
// auxiliary.
class ProductInTest : public CalInfoInquiryTest {
 protected:
  void SetUp() override {
    CalInfoInquiryTest::SetUp();
    snapshot(2024, 3);
    department(1, 361);
    department(2, 362);
    exec(
        "INSERT INTO t_ICItem (FItemID, FTrack) VALUES (20, 0), (21, 80), (22, 0), (23, 0) INSERT INTO "
        "cbCostObj (FItemID, FNumber, FName, FBatchNo) VALUES (30, 'C30', 'Shaft', ''), (31, 'C31', 'Gear', "
        "'B1'), (32, 'C32', 'Old', ''), (33, 'C33', 'Joint', '') INSERT INTO cb_CostObj_Product (FCostObjID, "
        "FProductID, FIsDeputy) VALUES (30, 20, 0), (31, 21, 0), (32, 20, 0), (33, 22, 1), (33, 20, 1) "
        "INSERT INTO t_item (FItemID, FDeleted) VALUES (30, 0), (31, 0), (32, 1), (33, 0) "
        // Receipts 1 and 2 on March's edges, then April 1st, February 29th,
        // cancelled, unchecked, auxiliary, an issue.
        "INSERT INTO cb_ICStockBill (FInterID, FTranType, FDate, FDeptID, FStatus, FCancellation) VALUES (1, "
        "2, '2024-03-01', 1, 1, 0), (2, 2, '2024-03-31', 1, 1, 0), (3, 2, '2024-04-01', 1, 1, 0), (4, 2, "
        "'2024-02-29', 1, 1, 0), (5, 2, '2024-03-10', 1, 1, 1), (6, 2, '2024-03-10', 1, 0, 0), (7, 2, "
        "'2024-03-10', 2, 1, 0), (8, 24, '2024-03-10', 1, 1, 0) INSERT INTO cb_ICStockBillEntry (FInterID, "
        "FEntryID, FItemID, FBatchNo) VALUES (1, 1, 20, 'B1'), (1, 2, 20, 'B2'), (1, 3, 21, 'B1'), (1, 4, "
        "21, 'B2'), (1, 5, 22, ''), (1, 6, 23, ''), (2, 1, 20, 'L'), (3, 1, 21, 'B1'), (4, 1, 20, 'N'), (5, "
        "1, 20, 'N'), (6, 1, 20, 'N'), (7, 1, 20, 'N'), (8, 1, 20, 'N')");
  }
};

TEST_F(ProductInTest, ListsTheCostObjectsOfEachReceivedProductAndBatch) {
  com::Variant answer = call("GetProductIn", {2024, 3});
  EXPECT_EQ(columnsOf(answer), (std::vector<std::string>{"FProductID", "FBatchno", "FCostObjID", "FTName"}));
  EXPECT_EQ(rowsOf(answer), (Rows{{"20", "B1", "30", "(C30)Shaft"},
                                  {"20", "B1", "33", "(C33)Joint"},
                                  {"20", "B2", "30", "(C30)Shaft"},
                                  {"20", "B2", "33", "(C33)Joint"},
                                  {"20", "L", "30", "(C30)Shaft"},
                                  {"20", "L", "33", "(C33)Joint"},
                                  {"21", "B1", "31", "(C31)Gear"}}));
  // The client's window, when flagged: April 1st is in, March 1st out.
  EXPECT_EQ(rowsOf(call("GetProductIn", {2024, 3, clientDates(1, "2024-03-02", "2024-04-02")})),
            (Rows{{"20", "L", "30", "(C30)Shaft"},
                  {"20", "L", "33", "(C33)Joint"},
                  {"21", "B1", "31", "(C31)Gear"}}));
}

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

TEST_F(OnlineCostObjTest, ListsTheCostObjectsInProductionInThePeriod) {
  com::Variant answer = call("GetOnlineCostobj", {2024, 3});
  EXPECT_EQ(columnsOf(answer),
            (std::vector<std::string>{"FTName", "FCostObjID", "FCostObjNumber", "FCostObjName", "FBatchNo",
                                      "FProductID", "FCalculateType", "FStdID", "FStdSubID", "FStdSubItemID",
                                      "FSort"}));
  // 6 stays: February's zero input does not take it out of March.
  EXPECT_EQ(ids(answer), (std::vector<std::string>{"1", "2", "4", "5", "6"}));
  EXPECT_EQ(rowsOf(answer).front(), (std::vector<std::string>{"(C1)Cost object", "1", "C1", "Cost object",
                                                              "B1", "101", "908", "3", "4", "5", "0"}));
  EXPECT_EQ(ids(call("GetOnlineCostobj", {2024, 2})), (std::vector<std::string>{"6", "7", "8"}));
}

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

// CalInfo.GetMateriel, GetMaterielBySetLevel, GetProductIn, GetAmountZero and
// GetOnlineCostobj: which distributed materials, receipts, zero-amount lines
// and cost objects in production each lists, and the recordset of cost
// objects the client edits locally.
#include "cal_info_inquiry_fixture.h"
#include "frame/sql_literal.h"
#include "platform/com/registry.h"

namespace mls::testing {
namespace {

using frame::sqlNumber;
using frame::sqlText;

// The snapshot of March 2024 holds issue 1 with lines 1 (item 10), 2 and 3
// (item 11 in batches B1 and B2), 4 (item 12, rework) and 5 (item 13, a
// by-product of cost object 9).  The item master gives class 1, the item base
// table class 2.
class MaterielTest : public CalInfoInquiryTest {
 protected:
  void SetUp() override {
    CalInfoInquiryTest::SetUp();
    snapshot(2024, 3);
    for (int id : {10, 11, 12, 13}) {
      exec("INSERT INTO t_ICItem (FItemID, FNumber, FName, FErpClsID) VALUES (" + sqlNumber(id) + ", " +
           sqlText("I" + std::to_string(id)) + ", " + sqlText("Item " + std::to_string(id)) + ", 1)");
      exec("INSERT INTO t_icitembase (FItemID, FErpClsID) VALUES (" + sqlNumber(id) + ", 2)");
    }
    coProduct(9, 13, 0.2, 1);
    exec(
        "INSERT INTO cb_ICStockBill (FInterID, FBillNo, FTranType, FDate, FDeptID, FStatus) VALUES "
        "(1, 'SOUT1', 24, '2024-03-10', 1, 1)");
    exec(
        "INSERT INTO cb_ICStockBillEntry (FInterID, FEntryID, FItemID, FBatchNo, FAmount, FReProduceType) "
        "VALUES (1, 1, 10, '', 0, 0), (1, 2, 11, 'B1', 4, 0), (1, 3, 11, 'B2', 5, 0), (1, 4, 12, '', 6, "
        "1058), "
        "(1, 5, 13, '', 7, 0)");
    // Normal use: nothing on line 1 for cost object 5, amount only for 6;
    // line 1 again for 5 under two cost items; February's row for 7.
    distribute("cbMaterielInfo", 3, 1, 5, 0, 0);
    distribute("cbMaterielInfo", 3, 1, 6, 3, 0);
    distribute("cbMaterielInfo", 3, 2, 5, 1, 4);
    distribute("cbMaterielInfo", 3, 3, 5, 1, 5);
    distribute("cbMaterielInfo", 3, 4, 5, 1, 6);
    distribute("cbMaterielInfo", 3, 5, 5, 1, 7);
    distribute("cbMaterielInfo", 2, 1, 7, 1, 1);
    // Repairable waste: line 2 again for 5 (one row in the union), line 1 for
    // 8 with an amount only.
    distribute("cbWMaterielInfo", 3, 2, 5, 1, 4);
    distribute("cbWMaterielInfo", 3, 1, 8, 0, 2);
  }

  void distribute(const char* table, int period, int entry, int costObj, double qty, double amount,
                  int costItem = 1) const {
    exec(std::string("INSERT INTO ") + table +
         " (FYear, FPeriod, FInterID, FEntryID, FCostObjID, FCostItemID, FQty, FAmount) VALUES (2024, " +
         sqlNumber(period) + ", 1, " + sqlNumber(entry) + ", " + sqlNumber(costObj) + ", " +
         sqlNumber(costItem) + ", " + sqlNumber(qty) + ", " + sqlNumber(amount) + ")");
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
    EXPECT_EQ(rowsOf(ask(c.member, {2024, 3, c.lngCal})), c.rows);
  }
  EXPECT_EQ(rowsOf(ask("GetMateriel", {2024, 3})), cases[0].rows);  // lngCal defaults to 0
  EXPECT_EQ(columnsOf(ask("GetMaterielBySetLevel", {2024, 3})),
            (std::vector<std::string>{"FCostObjID", "FItemID", "FBatchno", "FErpClsID"}));
  EXPECT_EQ(rowsOf(ask("GetMateriel", {2024, 2})), (Rows{{"7", "10", "1"}}));
}

TEST_F(MaterielTest, AnUnknownCalculationModeIsRefusedWithTheMembersName) {
  for (const char* member : {"GetMateriel", "GetMaterielBySetLevel"}) {
    for (int lngCal : {2, -1}) {
      SCOPED_TRACE(std::string(member) + " " + std::to_string(lngCal));
      com::ExcepInfo e = askFailure(member, {2024, 3, lngCal});
      EXPECT_EQ(e.number, 5);
      EXPECT_EQ(e.source, std::string("Marlstone.CalInfo.") + member);
      EXPECT_EQ(e.description,
                "Calculation mode " + std::to_string(lngCal) + " is not valid: it must be 0 or 1.");
    }
  }
  com::ExcepInfo chs = errorOf("chs", [&] { askWith(db_.props("chs"), "GetMateriel", {2024, 3, 2}); });
  EXPECT_EQ(chs.description, "计算方式2无效：只能是0或1。");
}

TEST_F(MaterielTest, ZeroAmountLinesOfOneCostObject) {
  exec("UPDATE cb_ICStockBillEntry SET FAmount = 0 WHERE FEntryID = 3");
  distribute("cbMaterielInfo", 3, 1, 5, 2, 0, 2);  // line 1 for 5 under a second cost item
  com::Variant answer = ask("GetAmountZero", {2024, 3, 5});
  EXPECT_EQ(columnsOf(answer),
            (std::vector<std::string>{"FCostObjID", "FBillNo", "FEntryID", "FNumber", "FName"}));
  // One row per distribution row; repairable-waste rows (8) and other cost
  // objects (6) do not count.
  EXPECT_EQ(rowsOf(answer), (Rows{{"5", "SOUT1", "1", "I10", "Item 10"},
                                  {"5", "SOUT1", "1", "I10", "Item 10"},
                                  {"5", "SOUT1", "3", "I11", "Item 11"}}));
  EXPECT_EQ(rowsOf(ask("GetAmountZero", {2024, 3, 6})), (Rows{{"6", "SOUT1", "1", "I10", "Item 10"}}));
  EXPECT_TRUE(rowsOf(ask("GetAmountZero", {2024, 3, 8})).empty());
  EXPECT_TRUE(rowsOf(ask("GetAmountZero", {2024, 2, 5})).empty());
}

// Receipts of March 2024.  Product 20 is made by cost objects 30 (main) and
// 33 (as by-product) and by 32, whose item is deleted; 21 is batch-tracked
// and made by 31 in batch B1 only; 22 is only ever a by-product; 23 belongs
// to no cost object.
class ProductInTest : public CalInfoInquiryTest {
 protected:
  void SetUp() override {
    CalInfoInquiryTest::SetUp();
    snapshot(2024, 3);
    department(1, 361);
    department(2, 362);
    for (int id : {20, 22, 23})
      item(id);
    item(21, std::nullopt, 80);
    costObject(30, 906, 20);
    costObject(31, 908, 21, "B1");
    costObject(32, 906, 20);
    costObject(33, 909, 22);
    coProduct(30, 20, 1);
    coProduct(31, 21, 1);
    coProduct(32, 20, 1);
    coProduct(33, 22, 1, 1);
    coProduct(33, 20, 0.5, 1);
    exec("INSERT INTO t_item (FItemID, FDeleted) VALUES (30, 0), (31, 0), (32, 1), (33, 0)");
  }

  struct Receipt {
    std::string date = "2024-03-10";
    int dept = 1;
    int type = 2;
    int status = 1;
    int cancellation = 0;
  };
  void receipt(int id, const Receipt& r, const std::vector<std::pair<int, std::string>>& lines) const {
    exec("INSERT INTO cb_ICStockBill (FInterID, FTranType, FDate, FDeptID, FStatus, FCancellation) VALUES (" +
         sqlNumber(id) + ", " + sqlNumber(r.type) + ", " + sqlText(r.date) + ", " + sqlNumber(r.dept) + ", " +
         sqlNumber(r.status) + ", " + sqlNumber(r.cancellation) + ")");
    int entry = 0;
    for (const auto& [product, batch] : lines) {
      exec("INSERT INTO cb_ICStockBillEntry (FInterID, FEntryID, FItemID, FBatchNo) VALUES (" +
           sqlNumber(id) + ", " + sqlNumber(++entry) + ", " + sqlNumber(product) + ", " + sqlText(batch) +
           ")");
    }
  }
};

TEST_F(ProductInTest, ListsTheCostObjectsOfEachReceivedProductAndBatch) {
  receipt(1, {.date = "2024-03-01"}, {{20, "B1"}, {20, "B2"}, {21, "B1"}, {21, "B2"}, {22, ""}, {23, ""}});
  receipt(2, {.date = "2024-03-31"}, {{20, "L"}});
  receipt(3, {.date = "2024-04-01"}, {{20, "N1"}});
  receipt(4, {.date = "2024-02-29"}, {{20, "N2"}});
  receipt(5, {.cancellation = 1}, {{20, "N3"}});
  receipt(6, {.status = 0}, {{20, "N4"}});
  receipt(7, {.dept = 2}, {{20, "N5"}});
  receipt(8, {.type = 24}, {{20, "N6"}});
  com::Variant answer = ask("GetProductIn", {2024, 3});
  EXPECT_EQ(columnsOf(answer), (std::vector<std::string>{"FProductID", "FBatchno", "FCostObjID", "FTName"}));
  EXPECT_EQ(rowsOf(answer), (Rows{{"20", "B1", "30", "(C30)Cost object"},
                                  {"20", "B1", "33", "(C33)Cost object"},
                                  {"20", "B2", "30", "(C30)Cost object"},
                                  {"20", "B2", "33", "(C33)Cost object"},
                                  {"20", "L", "30", "(C30)Cost object"},
                                  {"20", "L", "33", "(C33)Cost object"},
                                  {"21", "B1", "31", "(C31)Cost object"}}));
}

TEST_F(ProductInTest, TheClientsPeriodDatesReplaceTheWindowWhenFlagged) {
  receipt(1, {.date = "2024-03-01"}, {{21, "B1"}});
  receipt(2, {.date = "2024-04-01"}, {{20, ""}});
  auto dates = [](int flag) {
    com::Ref<com::Dispatch> d = com::createObject("Halvern.Dictionary");
    com::letProperty(*d, "Item", "lngISFindCurDate", flag);
    com::letProperty(*d, "Item", "datPeriodBeginDate", com::Variant("2024-03-02"));
    com::letProperty(*d, "Item", "datCurPeriodEndDate", com::Variant("2024-04-02"));
    return com::Variant(d);
  };
  const Rows march{{"21", "B1", "31", "(C31)Cost object"}};
  EXPECT_EQ(rowsOf(ask("GetProductIn", {2024, 3, dates(1)})),
            (Rows{{"20", "", "30", "(C30)Cost object"}, {"20", "", "33", "(C33)Cost object"}}));
  EXPECT_EQ(rowsOf(ask("GetProductIn", {2024, 3, dates(0)})), march);
}

// Cost objects of March 2024 by their input quantities (CBInQty) and
// beginning balances (cbBalance).
class OnlineCostObjTest : public CalInfoInquiryTest {
 protected:
  void SetUp() override {
    CalInfoInquiryTest::SetUp();
    for (int id = 1; id <= 8; ++id)
      costObject(id, 906, 100 + id);
    exec(
        "UPDATE cbCostObj SET FBatchNo = 'B1', FCalculateType = 908, FStdID = 3, FStdSubID = 4, "
        "FStdSubItemID = 5 "
        "WHERE FItemID = 1");
    inQty(2024, 3, 1, 5);
    balance(2024, 3, 2, 0);  // a balance row only
    inQty(2024, 3, 3, 0);    // no input, balances summing to 0
    balance(2024, 3, 3, 10);
    balance(2024, 3, 3, -10);
    inQty(2024, 3, 4, 0);  // no input, a balance
    balance(2024, 3, 4, 7);
    inQty(2024, 3, 5, 0);  // no input, no balance rows
    inQty(2024, 3, 6, 4);  // an input now, none in February
    inQty(2024, 2, 6, 0);
    balance(2024, 3, 6, 0);
    inQty(2024, 2, 7, 1);  // February only
    balance(2024, 2, 8, 1);
  }
  void inQty(int year, int period, int costObj, double qty) const {
    exec("INSERT INTO CBInQty (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (" + sqlNumber(year) + ", " +
         sqlNumber(period) + ", 1, " + sqlNumber(costObj) + ", " + sqlNumber(qty) + ")");
  }
  void balance(int year, int period, int costObj, double amount) const {
    exec("INSERT INTO cbBalance (FYear, FPeriod, FDepID, FProductID, FCostID, FBegBal) VALUES (" +
         sqlNumber(year) + ", " + sqlNumber(period) + ", 1, " + sqlNumber(costObj) + ", 1, " +
         sqlNumber(amount) + ")");
  }
  std::vector<std::string> ids(const com::Variant& answer) {
    std::vector<std::string> out;
    for (const std::vector<std::string>& row : rowsOf(answer))
      out.push_back(row[1]);
    return out;
  }
};

TEST_F(OnlineCostObjTest, ListsTheCostObjectsInProductionInThePeriod) {
  com::Variant answer = ask("GetOnlineCostobj", {2024, 3});
  EXPECT_EQ(columnsOf(answer),
            (std::vector<std::string>{"FTName", "FCostObjID", "FCostObjNumber", "FCostObjName", "FBatchNo",
                                      "FProductID", "FCalculateType", "FStdID", "FStdSubID", "FStdSubItemID",
                                      "FSort"}));
  // 6 stays: February's zero input does not take it out of March.
  EXPECT_EQ(ids(answer), (std::vector<std::string>{"1", "2", "4", "5", "6"}));
  EXPECT_EQ(rowsOf(answer).front(), (std::vector<std::string>{"(C1)Cost object", "1", "C1", "Cost object",
                                                              "B1", "101", "908", "3", "4", "5", "0"}));
  EXPECT_EQ(ids(ask("GetOnlineCostobj", {2024, 2})), (std::vector<std::string>{"6", "7", "8"}));
  EXPECT_TRUE(rowsOf(ask("GetOnlineCostobj", {2024, 4})).empty());
}

TEST_F(OnlineCostObjTest, TheClientEditsTheRecordsetWithoutTouchingTheDatabase) {
  com::Variant answer = ask("GetOnlineCostobj", {2024, 3});
  ado::Recordset& rs = recordset(answer);
  EXPECT_EQ(rs.cursorType(), ado::kOpenStatic);
  EXPECT_EQ(rs.cursorLocation(), ado::kUseClient);
  EXPECT_EQ(rs.lockType(), ado::kLockBatchOptimistic);
  // As a client does it, by name: fill FSort, add a row, delete one, sort
  // and filter.
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

  EXPECT_EQ(ids(ask("GetOnlineCostobj", {2024, 3})), (std::vector<std::string>{"1", "2", "4", "5", "6"}));
  EXPECT_EQ(count("cbCostObj"), 8);
}

}  // namespace
}  // namespace mls::testing

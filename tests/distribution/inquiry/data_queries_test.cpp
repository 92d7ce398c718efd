// AutoDisInfo's re-spread lists of shared issue lines on the snapshot of
// (2024, 3), for the cost objects a client lists in a recordset (its other
// data queries are in cases/data_queries.calls).
#include "lines_fixture.h"
#include "platform/ado/connection.h"

namespace mls::testing {
namespace {

using Rows = std::vector<std::string>;

// Department 1 (production): bill 900 of normal use with shared lines of 500
// (ungrouped), 501 (through the marker, group 7) and 502 (group 8, which does
// not exist), a direct line of 500 and an excluded one; bill 901 of waste use
// (a shared line of 501 in group 7, a direct line); bill 902 a residual-value
// return of 502.  Department 3 (auxiliary) has a shared and a direct line,
// department 2 a direct line only.
class DataQueriesTest : public LinesTest {
 protected:
  void SetUp() override {
    setUpFor("Marlstone.AutoDisInfo");
    issue({.id = 900}, {{.entry = 1, .qty = 1, .amount = 1},
                        {.entry = 2, .item = 501, .qty = 1, .amount = 1, .costObj = 90, .group = 7},
                        {.entry = 3, .qty = 1, .amount = 1, .costObj = 101},
                        {.entry = 4, .item = 502, .qty = 1, .amount = 1, .costObj = 91},
                        {.entry = 5, .item = 502, .qty = 1, .amount = 1, .group = 8}});
    issue({.id = 901, .purpose = 12001}, {{.entry = 1, .item = 501, .qty = 1, .amount = 1, .group = 7},
                                          {.entry = 2, .qty = 1, .amount = 1, .costObj = 102}});
    issue({.id = 902, .purpose = 12002}, {{.item = 502, .qty = 1, .amount = 1}});
    issue({.id = 903, .dept = 3},
          {{.entry = 1, .qty = 1, .amount = 1}, {.entry = 2, .qty = 1, .amount = 1, .costObj = 103}});
    issue({.id = 904, .dept = 2}, {{.item = 501, .qty = 1, .amount = 1, .costObj = 103}});
    exec("INSERT INTO cbCostObjGroup (FItemID, FNumber) VALUES (7, 'G7')");
    snapshot();
  }

  Rows lines(const std::string& member, std::vector<com::Variant> args) {
    return rows(call(member, std::move(args)), {"FInterID", "FEntryID"});
  }
  // A client's recordset of cost objects, detached.
  com::Variant costObjs(const std::string& select) const {
    com::Ref<ado::Connection> c = com::makeObject<ado::Connection>();
    c->open(db_.connectString());
    com::Ref<ado::Recordset> rs = c->execute(select, nullptr, -1);
    rs->setActiveConnection(nullptr);
    c->close();
    return com::Variant(com::Ref<com::Dispatch>(rs));
  }
};

// Purchase receipts of (2024, 3): 950 of 500 neither posted nor hooked; 951 of
// 501 hooked to an expense invoice of the period not posted; 952 of 502 posted;
// 953 of 502 hooked to a posted purchase invoice; 954 of 502 unchecked.
class ReceiptModeTest : public DataQueriesTest {
 protected:
  void SetUp() override {
    DataQueriesTest::SetUp();
    issue({.id = 950, .type = 5}, {{.qty = 1, .amount = 1}});
    issue({.id = 951, .type = 5}, {{.item = 501, .qty = 1, .amount = 1}});
    issue({.id = 952, .type = 5}, {{.item = 502, .qty = 1, .amount = 1}});
    issue({.id = 953, .type = 5}, {{.item = 502, .qty = 1, .amount = 1}});
    issue({.id = 954, .type = 5}, {{.item = 502, .qty = 1, .amount = 1}});
    exec(
        "UPDATE ICStockBill SET FHookInterID = 40 WHERE FInterID = 951"
        " UPDATE ICStockBill SET FVchInterID = 5 WHERE FInterID = 952"
        " UPDATE ICStockBill SET FHookInterID = 41 WHERE FInterID = 953"
        " UPDATE ICStockBill SET FCheckerID = 0 WHERE FInterID = 954"
        " INSERT INTO ICHookRelations (FGroupNo, FIBTag, FHookType, FYear, FPeriod) VALUES (40, 2, 5, 2024, "
        "3), "
        "(41, 0, 5, 2024, 3)"
        " INSERT INTO ICExpenses (FInterID, FHookInterID, FVchInterID) VALUES (1, 40, NULL)"
        " INSERT INTO ICPurchase (FInterID, FHookInterID, FVchInterID) VALUES (1, 41, 9)");
    snapshot();
    distributed("cbMaterielInfo", 900, 1, 101);
    distributed("cbMaterielInfo", 900, 2, 102);
    distributed("cbMaterielInfo", 900, 5, 101);
    distributed("cbMaterielInfo", 900, 3, 101);
    distributed("cbWMaterielInfo", 901, 1, 102);
  }
  Rows receiptLines(int type, const com::Variant& costObjs) {
    return lines("GetShareMaterielBillByLeave", {2024, 3, type, std::string("--Reference Code"), costObjs});
  }
};

TEST_F(ReceiptModeTest, SharedLinesOfListedCostObjectsWithUnpostedReceipts) {
  const com::Variant both = costObjs("SELECT 101 AS FCostObjID UNION ALL SELECT 102");
  EXPECT_EQ(receiptLines(0, both), (Rows{"900 1", "900 2"}));
  EXPECT_EQ(receiptLines(0, costObjs("SELECT 102 AS FCostObjID")), (Rows{"900 2"}));
  EXPECT_EQ(receiptLines(1, both), (Rows{"901 1"})) << "the waste rows";
  exec("UPDATE ICExpenses SET FVchInterID = 3 UPDATE ICPurchase SET FVchInterID = 0");
  EXPECT_EQ(receiptLines(0, both), (Rows{"900 1", "900 5"})) << "the invoices' postings decide";
}

TEST_F(ReceiptModeTest, NoListedCostObjectAnswersNothing) {
  EXPECT_TRUE(
      call("GetShareMaterielBillByLeave", {2024, 3, 0, std::string("--Reference Code")}).toObject().get() ==
      nullptr);
  EXPECT_EQ(receiptLines(0, costObjs("SELECT 101 AS FCostObjID WHERE 1=0")), Rows{});
  com::ExcepInfo e = failure("GetShareMaterielBillByLeave", {2024, 3, 0, std::string("--Reference Code"),
                                                             costObjs("SELECT 'x' AS FCostObjID")});
  EXPECT_EQ(e.number, 13);
}

}  // namespace
}  // namespace mls::testing

// AutoDisInfo's distribution data queries on the snapshot of (2024, 3): the
// materials, standards, direct lines, groups and re-spread lists of shared
// issue lines, by purpose.
#include "lines_fixture.h"
#include "platform/ado/connection.h"
#include "platform/halvern/dictionary.h"

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

  static com::Variant filter(bool noDis = false) {
    com::Ref<halvern::Dictionary> d = com::makeObject<halvern::Dictionary>();
    d->setItem("Year", 2024);
    d->setItem("Period", 3);
    if (noDis) d->setItem("bNoDis", true);
    return com::Variant(com::Ref<com::Dispatch>(d));
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

TEST_F(DataQueriesTest, MaterialQuotaStandards) {
  exec(
      "INSERT INTO cb_BmStandard (FNum, FName, FFormula) VALUES (10, N'定额', N'~#材料定额~@*2'), (11, "
      "N'投料', "
      "N'~#材料定额（投料单）~@')");
  const struct {
    int standard;
    bool ration;
  } cases[] = {{10, true}, {11, false}, {12, false}};
  for (const auto& c : cases)
    EXPECT_EQ(call("IsMaterielRation", {c.standard}).toBool(), c.ration) << c.standard;
}

TEST_F(DataQueriesTest, SharedMaterialsOfADepartment) {
  distributed("cbMaterielInfo", 900, 1, 101);
  const struct {
    const char* what;
    int type;
    com::Variant filter;
    const char* sFilter;
    Rows items;
  } cases[] = {
      {"normal use", 0, filter(), "", {"500", "501", "502"}},
      {"waste use", 1, filter(), "", {"501"}},
      {"any other type is waste use", 2, filter(), "", {"501"}},
      {"undistributed only", 0, filter(true), "", {"501", "502"}},
      {"the client's condition", 0, filter(), " AND t4.FNumber='I501'", {"501"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(rows(call("GetMaterieExpItemByDept", {1, c.type, c.filter, std::string(c.sFilter)})), c.items)
        << c.what;
  }
  EXPECT_EQ(rows(call("GetMaterieExpItemByDept", {2, 0, filter()})), Rows{}) << "direct lines only";
}

TEST_F(DataQueriesTest, EachMaterialsOwnStandard) {
  exec(
      "INSERT INTO cb_BmStandard (FNum, FName, FFormula) VALUES (10, N'定额', N'~#材料定额~@'), (11, "
      "N'产量', "
      "N'~#产量~@')"
      " UPDATE t_ICItem SET FCBBMStandardID = CASE FItemID WHEN 500 THEN 10 WHEN 501 THEN 99 ELSE 11 END");
  EXPECT_EQ(rows(call("GetItemStandardByDept", {1, 0, filter()})),
            (Rows{"500 10 I500 Item 500 1 定额", "501 99 I501 Item 501 0 ", "502 11 I502 Item 502 0 产量"}));
  EXPECT_EQ(rows(call("GetItemStandardByDept", {1, 0, filter(), std::string(" AND v1.FItemID=502")})),
            Rows{"502 11 I502 Item 502 0 产量"});
}

TEST_F(DataQueriesTest, SharedLinesOfALevelsProducts) {
  exec(
      "INSERT INTO cbProductCalInfo (FYear, FPeriod, FLevel, FProductID) VALUES (2024, 3, 1, 500), (2024, 3, "
      "2, 502)");
  const struct {
    int type, level;
    Rows lines;
  } cases[] = {{0, 1, {"900 1"}}, {1, 1, {}}, {0, 2, {"900 5"}}, {2, 2, {"902 1"}}};
  for (const auto& c : cases) {
    EXPECT_EQ(lines("GetShareMaterielBillByLevel", {2024, 3, c.type, c.level}), c.lines)
        << c.type << " " << c.level;
    EXPECT_EQ(lines("GetShareMaterielBillByLeave", {2024, 3, c.type, "t5.FLevel=" + std::to_string(c.level)}),
              c.lines)
        << "by product " << c.type << " " << c.level;
  }
  EXPECT_EQ(failure("GetShareMaterielBillByLeave", {2024, 3, 0, std::string()}).number, -2147217900)
      << "a condition is required after AND";
}

TEST_F(DataQueriesTest, DirectLinesOfProductionDepartments) {
  distributed("cbMaterielInfo", 900, 3, 101);
  const struct {
    const char* what;
    int type;
    bool noDis;
    const char* sFilter;
    Rows lines;
  } cases[] = {
      {"normal use", 0, false, "", {"900 3", "904 1"}},
      {"waste use", 1, false, "", {"901 2"}},
      {"undistributed", 0, true, "", {"904 1"}},
      {"the client's condition", 0, false, " AND u1.FDeptID=1", {"900 3"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(lines("GetDirctMaterielBill", {2024, 3, c.type, c.noDis, std::string(c.sFilter)}), c.lines)
        << c.what;
}

TEST_F(DataQueriesTest, WhetherADepartmentHasSharedLines) {
  const struct {
    int dept, type;
    const char* sFilter;
    bool any;
  } cases[] = {{1, 0, "", true}, {2, 0, "", false}, {1, 1, " AND t4.FNumber='I500'", false}};
  for (const auto& c : cases)
    EXPECT_EQ(call("GetMaterieExpByDeptIsSame", {2024, 3, c.dept, c.type, std::string(c.sFilter)}).toBool(),
              c.any)
        << c.dept << " " << c.type << c.sFilter;
}

TEST_F(DataQueriesTest, GroupsOfADepartmentsSharedLines) {
  const struct {
    const char* what;
    int type;
    com::Variant filter;
    std::vector<com::Variant> options;  // lItemID, sFilter, sTableName, bISStdByItem
    Rows groups;
  } cases[] = {
      {"existing groups only", 0, filter(), {}, {"7"}},
      {"a material of another group", 0, filter(), {500}, {}},
      {"per item, no item", 0, filter(), {0, "", "", true}, {}},
      {"per item", 0, filter(), {501, "", "", true}, {"7"}},
  };
  for (const auto& c : cases) {
    std::vector<com::Variant> args{10, 1, c.type, c.filter};
    args.insert(args.end(), c.options.begin(), c.options.end());
    com::Variant answer = call("GetDisMaterilCostObjGroup", args);
    EXPECT_EQ(rows(answer), c.groups) << c.what;
    EXPECT_EQ(dynamic_cast<ado::Recordset&>(*answer.toObject().get()).lockType(), 4)
        << "editable by the client";
  }
  distributed("cbMaterielInfo", 900, 2, 101);
  EXPECT_EQ(rows(call("GetDisMaterilCostObjGroup", {10, 1, 0, filter(true)})), Rows{})
      << "undistributed only";
}

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

// A complex standard whose unit is the BOM usage of the bill line's material
// (kind 6), through GetStandarddata: the where-used walk through class 5 and 6
// parents, the BOM of a cost object without one, the validity dates, and the
// errors of the walk.
#include "bill_line_fixture.h"
#include "platform/com/registry.h"

namespace mls::testing {
namespace {

using Rows = std::vector<std::string>;

constexpr const char* kBomError = "Error while taking the BOMs for the material distribution: ";

// Material 500 is used 3 per 1 of assembly A (601, BOM 1); product B (602,
// BOM 2) takes 2 of it and 2 of A per 4.  Cost object 301 has BOM 1, 302 BOM
// 2, 303 none but makes B (BOM 3 of B is not in use, BOM 4 of type 1: it
// takes BOM 2), 304 none and makes an item without a BOM.
class BomUsageTest : public BillLineTest {
 protected:
  void SetUp() override {
    BillLineTest::SetUp();
    standard(40, "Bom", true, "~#BOM~@");
    inProduction({301, 302, 303, 304});
    exec(
        "INSERT INTO cbStandardUnit (FItemID, FName) VALUES (6, 'BOM') UPDATE cbCostObj SET FBomID = 1 WHERE "
        "FItemID = 301 UPDATE cbCostObj SET FBomID = 2 WHERE FItemID = 302 UPDATE cbCostObj SET "
        "FStdProductID = 602 WHERE FItemID = 303 UPDATE cbCostObj SET FStdProductID = 999 WHERE FItemID = "
        "304");
  }
  // `classA`: A's ERP class as SQL ("NULL" unset).
  void plant(const std::string& classA) const {
    exec(
        "DELETE FROM ICBom DELETE FROM ICBomChild DELETE FROM ICCustBomChild DELETE FROM t_ICItem WHERE "
        "FItemID > 500 DELETE FROM t_SystemProfile WHERE FKey = 'SetBOMEnable' INSERT INTO t_ICItem "
        "(FItemID, FErpClsID) VALUES (601, " +
        classA +
        "), (602, 1), (603, 6) INSERT INTO ICBom (FInterID, FItemID, FQty, FUseStatus, FBomType, FStatus) "
        "VALUES (1, 601, 1, 1072, 0, 1), (2, 602, 4, 1072, 0, 1), (3, 602, 4, 0, 0, 1), (4, 602, 4, 1072, 1, "
        "1) INSERT INTO ICBomChild (FInterID, FEntryID, FItemID, FQty, FBeginDay, FEndDay) VALUES (1, 1, "
        "500, 3, '2000-01-01', '2100-01-01'), (2, 1, 500, 2, '2000-01-01', '2100-01-01'), (2, 2, 601, 2, "
        "'2000-01-01', '2100-01-01'), (3, 1, 500, 100, NULL, NULL), (4, 1, 500, 100, NULL, NULL)");
  }
};

TEST_F(BomUsageTest, UsagePerCostObjectThroughItsBoms) {
  const Rows endsAtA{"301 3 0.75 0", "302 0.5 0.125 0", "303 0.5 0.125 0"};
  const Rows withoutBom1{"302 0.5 0.5 0", "303 0.5 0.5 0"};
  const struct {
    const char* what;
    const char* classA;
    std::string change;
    Rows rows;
  } cases[] = {
      {"A of class 6 counts and is climbed",
       "6",
       "",
       {"301 3 0.4285714286 0", "302 2 0.2857142857 0", "303 2 0.2857142857 0"}},
      {"A of class 5 is only climbed", "5", "", {"302 2 0.5 0", "303 2 0.5 0"}},
      {"A of another class ends its branch", "2", "", endsAtA},
      {"A without a class neither counts nor is climbed", "NULL", "", withoutBom1},
      {"an equal customer line counts once", "2",
       "INSERT INTO ICCustBomChild (FInterID, FEntryID, FItemID, FQty) VALUES (1, 1, 500, 3)", endsAtA},
      {"another customer line adds",
       "2",
       "INSERT INTO ICCustBomChild (FInterID, FEntryID, FItemID, FQty) VALUES (1, 1, 500, 1)",
       {"301 4 0.8 0", "302 0.5 0.1 0", "303 0.5 0.1 0"}},
      // Valid over the period's first day (its date part), or over the next
      // period's first day; not when within the period.
      {"validity dates when SetBOMEnable is 1", "2",
       "UPDATE ICBomChild SET FBeginDay = '2024-03-02', FEndDay = '2024-03-30' WHERE FInterID = 1"
       " UPDATE ICBomChild SET FBeginDay = '2024-03-01 10:00', FEndDay = '2024-03-01' WHERE FInterID = 2"
       " INSERT INTO t_SystemProfile (FCategory, FKey, FValue) VALUES ('CB', 'SetBOMEnable', '1')",
       withoutBom1},
  };
  for (const auto& c : cases) {
    plant(c.classA);
    if (!c.change.empty()) exec(c.change);
    EXPECT_EQ(data({.standard = 40}), c.rows) << c.what;
  }
}

TEST_F(BomUsageTest, TheWalkFailsAsGetMateriel) {
  const struct {
    const char* what;
    std::string change;
    int number;
    const char* reason;  // the end of the description
  } cases[] = {
      // The provider's error (0x80040E14) with the database's text.
      {"a BOM made for quantity 0", "UPDATE ICBom SET FQty = 0 WHERE FInterID = 1", -2147217900, nullptr},
      {"a cycle through class 6 parents",
       "INSERT INTO ICBom (FInterID, FItemID, FQty, FUseStatus, FStatus) VALUES (5, 603, 1, 1072, 1)"
       " INSERT INTO ICBomChild (FInterID, FEntryID, FItemID, FQty) VALUES (5, 1, 601, 1), (1, 2, 603, 1)",
       -1, "The BOMs above the material go deeper than 100 levels; they may hold a cycle."},
      {"a bill line outside the snapshot", "DELETE FROM cb_ICStockBillEntry", -1,
       "Bill line not found: FInterID=900  FEntryID=1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    plant("6");
    exec(c.change);
    com::ExcepInfo e = dataError({.standard = 40, .item = 500});
    EXPECT_EQ(e.number, c.number);
    EXPECT_EQ(e.source, "GetMateriel");
    EXPECT_EQ(e.description.rfind(kBomError, 0), 0u) << e.description;
    EXPECT_GT(e.description.size(), std::string(kBomError).size()) << "the cause follows";
    if (c.reason) {
      EXPECT_EQ(e.description, kBomError + std::string(c.reason));
    }
  }
  plant("6");
  exec("DELETE FROM ICBomChild WHERE FItemID = 500 INSERT INTO cb_ICStockBillEntry VALUES (900, 1, 500, '')");
  EXPECT_EQ(dataError({.standard = 40}).description,
            "Error in distributing bill [SOUT-900] line [1]:\r\ndepartment [Assembly] has no cost object in "
            "production to distribute to, or no BOM uses the bill's material.");
}

// The twin compares the stored validity times where the normal class compares
// their days: a line from 10:00 of the first day to the last day's evening.
TEST_F(BomUsageTest, TheWasteTwinComparesTheStoredValidityTimes) {
  plant("2");
  exec(
      "UPDATE ICBomChild SET FBeginDay = '2024-03-01 10:00', FEndDay = '2024-03-31 18:00' WHERE FInterID = 2"
      " INSERT INTO t_SystemProfile (FCategory, FKey, FValue) VALUES ('CB', 'SetBOMEnable', '1')"
      " INSERT INTO cbWasterCostObjInfo (FYear, FPeriod, FDeptID, FCostObjID, FWasterTypeID) VALUES"
      " (2024, 3, 1, 301, 0), (2024, 3, 1, 302, 0)");
  EXPECT_EQ(data({.standard = 40}), (Rows{"301 3 0.75 0", "302 0.5 0.125 0", "303 0.5 0.125 0"}));
  com::Ref<com::Dispatch> waste = com::createObject("Marlstone.WConcludeInfo");
  EXPECT_EQ(rowsOf(callOn(*waste, db_.props("en"), "GetStandarddata", {2024, 3, 1, 0, 40, 900, 1, true})),
            Rows{"301 3 1"});
}

}  // namespace
}  // namespace mls::testing

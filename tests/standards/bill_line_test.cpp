// GetStandarddata of ConcludeInfo and WConcludeInfo on simple standards: the
// receivers, saved data, groups, the producer of the material, quotients, the
// material-quota diagnostics and the user errors.
#include "bill_line_fixture.h"
#include "platform/com/object_context.h"

namespace mls::testing {
namespace {

using Rows = std::vector<std::string>;

// Ration data of standard 10: 101 and 102 have input, 104 a balance only, 105
// input of another period; 102 has saved data of the line (101's are of
// another standard); group 7 holds 101 and 102.
class RationTest : public BillLineTest {
 protected:
  void SetUp() override {
    BillLineTest::SetUp();
    standard(10, "R");
    inProduction({101, 102});
    exec(
        "INSERT INTO cbCostObj (FItemID) VALUES (104), (105) INSERT INTO cbBalance (FYear, FPeriod, FDepID, "
        "FProductID, FTypeID) VALUES (2024, 3, 1, 104, 5) INSERT INTO CBInQty (FYear, FPeriod, FDeptID, "
        "FCostObjID, FQty) VALUES (2024, 2, 1, 105, 1) INSERT INTO CBRationStandardInfo (FYear, FPeriod, "
        "FStandardID, FDeptID, FCostObjID, FQty) VALUES (2024, 3, 10, 1, 101, 1), (2024, 3, 10, 1, 102, 3), "
        "(2024, 3, 10, 1, 104, 4), (2024, 3, 10, 1, 105, 9) INSERT INTO cbMaterielInfo (FYear, FPeriod, "
        "FInterID, FEntryID, FCostObjID, FStdID, FStandardData) VALUES (2024, 3, 900, 1, 102, 10, 7), (2024, "
        "3, 900, 1, 101, 11, 100), (2024, 3, 900, 2, 104, 10, 100) INSERT INTO CB_CostObjGroup_Detail VALUES "
        "(7, 101), (7, 102), (8, 104)");
  }
};

TEST_F(RationTest, ReceiversSavedDataAndGroups) {
  const Rows all{"101 1 0.125 0", "102 3 0.375 0", "104 4 0.5 0"};
  const struct {
    const char* what;
    StandardArgs args;
    Rows rows;
  } cases[] = {
      {"computed afresh", {}, all},
      {"saved data of the line and standard win",
       {.refresh = false},
       {"101 1 0.0833333333 0", "102 7 0.5833333333 0", "104 4 0.3333333333 0"}},
      {"members of group 7", {.group = 7}, {"101 1 0.25 0", "102 3 0.75 0"}},
      {"no group filter at 0 or below", {.group = -3}, all},
      {"a given cost object, untested and ungrouped", {.costObj = 105, .group = 8}, {"105 9 1 0"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(data(c.args), c.rows) << c.what;
}

TEST_F(RationTest, TheProducerOfTheMaterialNeverReceives) {
  exec(
      "UPDATE cbCostObj SET FCalculateType = 909 WHERE FItemID = 102"
      " UPDATE cbCostObj SET FCalculateType = 907, FBatchNo = 'B1' WHERE FItemID = 104");
  const struct {
    const char* what;
    int track;
    const char* lineBatch;
    const char* listings;  // (cost object, material, by-product flag)
    Rows rows;
  } cases[] = {
      {"the highest calculation type first",
       0,
       "",
       "(101, 500, 0), (102, 500, 0)",
       {"101 1 0.2 0", "104 4 0.8 0"}},
      {"batch-tracked: the line's batch",
       80,
       "B1",
       "(101, 500, 0), (102, 500, 0), (104, 500, 0)",
       {"101 1 0.25 0", "102 3 0.75 0"}},
      {"untracked: the empty batch",
       0,
       "B1",
       "(104, 500, 0)",
       {"101 1 0.125 0", "102 3 0.375 0", "104 4 0.5 0"}},
      {"the first by-product lister is spared",
       0,
       "",
       "(102, 500, 1)",
       {"101 1 0.125 0", "102 3 0.375 0", "104 4 0.5 0"}},
      {"a later by-product lister is removed",
       0,
       "",
       "(101, 500, 1), (102, 500, 1)",
       {"101 1 0.2 0", "104 4 0.8 0"}},
      {"no by-product listing at all",
       0,
       "",
       "(101, 500, 0)",
       {"102 3 0.4285714286 0", "104 4 0.5714285714 0"}},
  };
  for (const auto& c : cases) {
    exec(
        "DELETE FROM cb_CostObj_Product INSERT INTO cb_CostObj_Product (FCostObjID, FProductID, FIsDeputy) "
        "VALUES " +
        std::string(c.listings) + " UPDATE t_ICItem SET FTrack = " + std::to_string(c.track) +
        " UPDATE cb_ICStockBillEntry SET FBatchNo = '" + c.lineBatch + "'");
    EXPECT_EQ(data(), c.rows) << c.what;
  }
}

TEST_F(RationTest, NoReceiverLeftNamesTheBillWhenItIsInTheSnapshot) {
  exec("DELETE FROM CBRationStandardInfo");
  EXPECT_EQ(data(), (Rows{"101 0 0 0", "102 0 0 0", "104 0 0 0"})) << "a zero total is no error";
  exec(
      "INSERT INTO cbCostObj (FItemID) VALUES (106) INSERT INTO cb_CostObj_Product (FCostObjID, FProductID) "
      "VALUES (106, 500)");
  com::ExcepInfo e = dataError({.costObj = 106});
  EXPECT_EQ(e.number, -1);
  EXPECT_EQ(e.description,
            "Error in distributing bill [SOUT-900] line [1]:\r\ndepartment [Assembly] has no cost object in "
            "production to distribute to.");
  EXPECT_EQ(dataError({.costObj = 106}, "chs").description,
            "分配单据[SOUT-900]行号[1]时出错，\r\n部门[Assembly]没有可供分配的投产成本对象");
  exec("DELETE FROM cb_ICStockBill");
  EXPECT_EQ(data({.costObj = 106}), Rows{}) << "a bill outside the snapshot leaves the result empty";
}

TEST_F(RationTest, AMissingStandardNamesTheDepartment) {
  com::VoteRecorder votes;
  com::ExcepInfo e = dataError({.standard = 99});
  EXPECT_EQ(votes.votes(), std::vector<com::Vote>{com::Vote::Complete}) << "at entry, whatever follows";
  EXPECT_EQ(e.number, -1);
  EXPECT_EQ(e.source, "-1");
  EXPECT_EQ(
      e.description,
      "Department [D01 Assembly] has no allocation standard for shared materials, or the given standard "
      "does not exist!");
  exec("DELETE FROM t_Department");
  EXPECT_EQ(dataError({.standard = 99}, "chs").description,
            "部门[]没有设定共耗材料的分配标准或指定的分配标准不存在!");
}

// 201 has no live order; 202 a live order whose feed list lacks the material;
// 203's feed list with the material is not audited; 204 lacks only input.
TEST_F(BillLineTest, MaterialQuotaExplainsAZeroTotal) {
  standard(20, "cldetld");
  exec(
      "INSERT INTO cbCostObj (FItemID) VALUES (201), (202), (203), (204) INSERT INTO cbBalance (FYear, "
      "FPeriod, FDepID, FProductID) SELECT 2024, 3, 1, FItemID FROM cbCostObj INSERT INTO ICMO (FInterID, "
      "FCostObjID, FStatus, FCommitDate, FPlanCommitDate, FQty) VALUES (1, 201, 1, '2024-04-01', "
      "'2024-03-01', 10), (2, 202, 1, '2024-03-01', '2024-03-01', 10), (3, 203, 2, '2024-03-01', "
      "'2024-03-01', 10), (4, 204, 1, '2024-03-01', '2024-03-01', 10) INSERT INTO PPBOM (FInterID, "
      "FICMOInterID, FStatus, FItemID) VALUES (12, 2, 1, 1), (13, 3, 0, 1), (14, 4, 1, 1) INSERT INTO "
      "PPBOMEntry (FInterID, FEntryID, FItemID, FQtyMust) VALUES (12, 1, 501, 5), (13, 1, 500, 5), (14, 1, "
      "500, 5)");
  const Rows zero{"201 0 0 1", "202 0 0 2", "203 0 0 3", "204 0 0 0"};
  EXPECT_EQ(data({.standard = 20}), zero) << "the material taken from the bill line";
  EXPECT_EQ(data({.standard = 20, .item = 500}), zero);
  exec("INSERT INTO CBInQty (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (2024, 3, 1, 204, 4)");
  EXPECT_EQ(data({.standard = 20}), (Rows{"201 0 0 0", "202 0 0 0", "203 0 0 0", "204 2 1 0"}));
}

class WasteTest : public BillLineTest {
 protected:
  void SetUp() override { setUpFor("Marlstone.WConcludeInfo"); }
};

TEST_F(WasteTest, ReceiversAreTheCostObjectsWithRepairableWasteOutput) {
  standard(10, "R");
  inProduction({101, 102, 103});
  exec(
      "INSERT INTO cbWasterCostObjInfo (FYear, FPeriod, FDeptID, FCostObjID, FWasterTypeID) VALUES (2024, 3, "
      "1, 101, 0), (2024, 3, 1, 102, 0), (2024, 3, 1, 103, 1) INSERT INTO cbWMaterielInfo (FYear, FPeriod, "
      "FInterID, FEntryID, FCostObjID, FStdID, FStandardData) VALUES (2024, 3, 900, 1, 102, 10, 3) INSERT "
      "INTO CBRationStandardInfo (FYear, FPeriod, FStandardID, FDeptID, FCostObjID, FQty) VALUES (2024, 3, "
      "10, 1, 101, 1), (2024, 3, 10, 1, 102, 2), (2024, 3, 10, 1, 103, 5)");
  EXPECT_EQ(data(), (Rows{"101 1 0.3333333333", "102 2 0.6666666667"}));
  EXPECT_EQ(data({.refresh = false}), (Rows{"101 1 0.25", "102 3 0.75"}));
  exec("DELETE FROM cbWasterCostObjInfo WHERE FWasterTypeID = 0");
  EXPECT_EQ(
      dataError().description,
      "Error in distributing bill [SOUT-900] line [1]:\r\ndepartment [Assembly] has no repairable-waste "
      "output to take part in the distribution.");
}

}  // namespace
}  // namespace mls::testing

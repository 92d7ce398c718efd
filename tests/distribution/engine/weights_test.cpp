// The weights a run distributes by: the material quota of the department's
// production orders with its diagnostics, BOM usage through the cost-BOM work
// table, and the errors of a standard that cannot weigh.
#include "engine_fixture.h"
#include "platform/halvern/dictionary.h"
#include "support/com_errors.h"

namespace mls::testing {
namespace {

// Material 100's quota is on the audited issue lists of cost objects 3 and 5
// (20 and 30 per unit of order, input 10 each); material 101's on none: 7 has
// no order (1), 3 and 5 lists without it (2), 9 only an unaudited list (3).
TEST_F(EngineTest, TheMaterialQuotaWeighsEachMaterialAndSaysWhyOneIsZero) {
  item(101, 2);
  exec(
      "INSERT INTO cb_BmStandard (FNum, FID, FName) VALUES (2, 'CLDETLD', N'材料定额')\r\n"
      "INSERT INTO ICMO (FInterID, FCostObjID, FStatus, FCommitDate, FPlanCommitDate, FQty) VALUES "
      "(1, 3, 1, '2024-03-01', '2024-03-01', 10), (2, 5, 1, '2024-03-01', '2024-03-01', 10), "
      "(3, 9, 1, '2024-03-01', '2024-03-01', 10)\r\n"
      "INSERT INTO PPBOM (FInterID, FICMOInterID, FStatus) VALUES (11, 1, 1), (12, 2, 1), (14, 3, 0)\r\n"
      "INSERT INTO PPBOMEntry (FInterID, FEntryID, FItemID, FMaterielType, FQtyMust) VALUES "
      "(11, 1, 100, 371, 20), (12, 1, 100, 371, 30), (14, 1, 100, 371, 50), (14, 2, 101, 371, 5)");
  issue({.entry = 1});
  issue({.entry = 2, .item = 101});
  snapshot();
  com::Ref<com::Dispatch> info = halvern::createDictionary();
  distribute({.standard = 2, .errInfo = com::Variant(info)});
  EXPECT_EQ(rowsOf(1, 1), (Rows{{"3", "4", "40"}, {"5", "6", "60"}}));
  EXPECT_TRUE(rowsOf(1, 2).empty());
  auto* d = dynamic_cast<halvern::Dictionary*>(info.get());
  ASSERT_EQ(d->keys(), (std::vector<std::string>{"Err_NoICMO", "Err_NoPPBOMMat", "Err_NoChkPPBOM"}));
  EXPECT_NE(d->item("Err_NoICMO").toString().find("D1(Dept 1)"), std::string::npos);
  EXPECT_NE(d->item("Err_NoICMO").toString().find("[B1]"), std::string::npos);
  EXPECT_NE(d->item("Err_NoPPBOMMat").toString().find("[I101(Item 101)]"), std::string::npos);
  EXPECT_NE(d->item("Err_NoChkPPBOM").toString().find("[C9(Cost object)]"), std::string::npos);
}

struct BomCase {
  const char* name;
  com::Variant assemblyClass;  // the ERP class of assembly 300 (Null: unset)
  Rows expected;
};

class CostBomTest : public EngineTest, public ::testing::WithParamInterface<BomCase> {
 protected:
  std::string costBom(int type, const std::string& table = "") {
    return call("CreateDelCostBom", {type, 2024, 3, 1, table}).toString();
  }
};

// BOM 2 makes 4 of product 301 from 2 of material 100 and 2 of assembly 300;
// BOM 1 makes 1 of 300 from 3 of 100.  Cost object 3 uses BOM 1 (its own),
// 5 finds BOM 2 by its product; 7 and 9 have none.  Usage: 3 for BOM 1,
// 2/4 + 2/4 x 3 = 2 for BOM 2, unless 300 is only passed through (class 5)
// or has no class.
TEST_P(CostBomTest, BomUsageWeighsByTheWhereUsedWalk) {
  item({.id = 300, .erpClass = GetParam().assemblyClass});
  item({.id = 301, .erpClass = 1});
  exec(
      "UPDATE cbCostObj SET FStdProductID = 300, FBomID = 1 WHERE FItemID = 3\r\n"
      "UPDATE cbCostObj SET FStdProductID = 301 WHERE FItemID = 5\r\n"
      "INSERT INTO ICBom (FInterID, FItemID, FQty, FUseStatus, FBomType, FStatus) VALUES "
      "(1, 300, 1, 1072, 0, 1), (2, 301, 4, 1072, 0, 1)\r\n"
      "INSERT INTO ICBomChild (FInterID, FEntryID, FItemID, FQty, FMaterielType) VALUES "
      "(1, 1, 100, 3, 371), (2, 1, 100, 2, 371), (2, 2, 300, 2, 371)\r\n"
      "INSERT INTO cbStandardUnit (FItemID, FName) VALUES (6, N'BOM用量')\r\n"
      "INSERT INTO cb_BmStandard (FNum, FID, FName, FComPlex, FFormula) VALUES "
      "(3, 'BOM', N'BOM用量', 1, N'标准=~#BOM用量~@')");
  issue({});
  snapshot();
  const std::string table = costBom(0);
  ASSERT_EQ(table.size(), 21u) << table;
  EXPECT_EQ(rows("SELECT FCostObjID, FBomID FROM " + table + " ORDER BY FCostObjID"),
            (Rows{{"3", "1"}, {"5", "2"}}));
  distribute({.standard = 3, .item = 100, .table = table});
  EXPECT_EQ(rowsOf(1), GetParam().expected);
  EXPECT_EQ(costBom(1, table), "");
  EXPECT_TRUE(rows("SELECT OBJECT_ID('" + table + "')")[0][0] == "NULL");
}

INSTANTIATE_TEST_SUITE_P(Assemblies, CostBomTest,
                         ::testing::Values(BomCase{"Counted", 6, {{"3", "6", "60"}, {"5", "4", "40"}}},
                                           BomCase{"PassedThrough", 5, {{"5", "10", "100"}}},
                                           // Neither counted nor climbed: BOM 2 has only its own 2/4.
                                           BomCase{"Unclassed", com::Variant::null(), {{"5", "10", "100"}}}),
                         [](const ::testing::TestParamInfo<BomCase>& i) {
                           return std::string(i.param.name);
                         });

// Two tables made one after the other (in the same millisecond or not) are
// two tables; a drop of a name that is not a cost-BOM table does nothing.
TEST_F(EngineTest, CostBomTablesAreNamedApartAndOnlyTheyAreDropped) {
  const std::string first = call("CreateDelCostBom", {0, 2024, 3, 1}).toString();
  const std::string second = call("CreateDelCostBom", {0, 2024, 3, 1}).toString();
  EXPECT_EQ(first.substr(0, 12), "Temp_CostBom");
  EXPECT_NE(first, second);
  for (const char* name : {"cbMaterielInfo", "cbMaterielInfo; DROP TABLE cbCostObj", "Temp_CostBom12345678"})
    EXPECT_EQ(call("CreateDelCostBom", {1, 2024, 3, 0, name}).toString(), "");
  EXPECT_EQ(rows("SELECT COUNT(*) FROM cbMaterielInfo")[0][0], "0");
  EXPECT_EQ(rows("SELECT COUNT(*) FROM cbCostObj")[0][0], "4");
  EXPECT_EQ(callWith("nonsense", "CreateDelCostBom", {0, 2024, 3, 1}).toString(), "");
}

struct BuilderError {
  const char* name;
  const char* seed;
  Runs run;
  int32_t number;
  const char* source;
  const char* text;  // a piece of the description
};

class BuilderErrorTest : public EngineTest, public ::testing::WithParamInterface<BuilderError> {};

TEST_P(BuilderErrorTest, AStandardThatCannotWeighSaysWhy) {
  const BuilderError& e = GetParam();
  item(101, 2);
  weights(1, {{3, 1}});
  issue({});
  issue({.bill = 2}, {.dept = 2});
  if (*e.seed) exec(e.seed);
  snapshot();
  const com::ExcepInfo error = failureOf(e.name, [&] { distribute(e.run); });
  EXPECT_EQ(error.number, e.number);
  EXPECT_EQ(error.source, e.source);
  EXPECT_NE(error.description.find(e.text), std::string::npos) << error.description;
}

INSTANTIATE_TEST_SUITE_P(
    Standards, BuilderErrorTest,
    ::testing::Values(
        BuilderError{"NoStandard", "", {.standard = 77}, -1, "-1", "[D1 Dept 1]"},
        BuilderError{"NoReceiverByMaterial", "", {.dept = 2, .item = 100}, 5, "Marlstone", "Dept 2[D2]"},
        BuilderError{"ZeroByMaterial",
                     "UPDATE CBRationStandardInfo SET FQty = 0",
                     {.item = 100},
                     5,
                     "Marlstone",
                     "Item 100[I100]"},
        BuilderError{"BomUsageByDepartment",
                     "INSERT INTO cbStandardUnit (FItemID, FName) VALUES (6, 'U')\r\n"
                     "INSERT INTO cb_BmStandard (FNum, FName_EN, FComPlex, FFormula) VALUES (4, 'Usage U', "
                     "1, '~#U~@')",
                     {.standard = 4},
                     -1,
                     "-1",
                     "Usage U"},
        BuilderError{"BomUsageWithoutTable",
                     "INSERT INTO cbStandardUnit (FItemID, FName) VALUES (6, 'U')\r\n"
                     "INSERT INTO cb_BmStandard (FNum, FName_EN, FComPlex, FFormula) VALUES (4, 'Usage U', "
                     "1, '~#U~@')",
                     {.standard = 4, .item = 100},
                     -1,
                     "-1",
                     "Usage U"}),
    [](const ::testing::TestParamInfo<BuilderError>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace mls::testing

// CalInfo's standard data of one cost object across departments, the sort and
// by-product data of classification cost objects, and ConcludeUpdate's
// expansion of standard settings.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/ado/recordset.h"
#include "platform/com/object_context.h"
#include "platform/com/registry.h"
#include "support/public_class_test.h"

namespace mls::testing {
namespace {

using Rows = std::vector<std::string>;

// A recordset answer's column names, then its rows in the order answered,
// values joined by spaces.
Rows table(const com::Variant& answer) {
  auto& rs = dynamic_cast<ado::Recordset&>(*answer.toObject().get());
  EXPECT_FALSE(rs.activeConnection());
  Rows rows(1);
  for (size_t i = 0; i < rs.fieldCount(); ++i)
    rows[0] += (i ? " " : "") + rs.fieldInfo(i).name;
  for (; !rs.eof(); rs.moveNext()) {
    rows.emplace_back();
    for (size_t i = 0; i < rs.fieldCount(); ++i)
      rows.back() += (i ? " " : "") + rs.value(i).toString();
  }
  return rows;
}

// Cost object 50 has input in department 1 and a work-in-process balance in
// department 2 (both production) and in department 3 (auxiliary); department
// 4 had input in another period.  Standard 10 is held for all cost items, 11
// per cost item; 12 is complex: the equivalent coefficient (reading 11) * 2 +
// a kind-5 unit (ration rows of standard -1) + a BOM-usage unit; 13 has an
// empty formula.
class CostObjectStandardTest : public PublicClassTest {
 protected:
  void SetUp() override {
    open("Marlstone.CalInfo");
    db_.setPeriods(12, 2024, 1, 2024, 3);
    db_.run(
        "INSERT INTO t_Department (FItemID, FCostAccountType) VALUES (1, 361), (2, 361), (3, 362), (4, 361) "
        "INSERT INTO cbCostItem (FItemID) VALUES (1), (2) INSERT INTO CBInQty (FYear, FPeriod, FDeptID, "
        "FCostObjID) VALUES (2024, 3, 1, 50), (2024, 2, 4, 50) INSERT INTO cbBalance (FYear, FPeriod, "
        "FDepID, FProductID) VALUES (2024, 3, 2, 50), (2024, 3, 3, 50) INSERT INTO cb_BmStandard (FNum, "
        "FName, FName_EN, FOnline, FComPlex, FFormula) VALUES  (10, '', '', 0, 0, NULL), (11, '', '', 1, 0, "
        "NULL), (13, '', 'Empty', 1, 1, ''),  (12, '', '', 1, 1, N'F=~#约当系数~@*2+~#R5~@+~#B~@') INSERT "
        "INTO "
        "cbStandardUnit (FItemID, FName, FStandardID) VALUES (100, N'约当系数', 11),  (5, 'R5', 0), (6, 'B', "
        "0) "
        "INSERT INTO CBRationStandardInfo (FYear, FPeriod, FStandardID, FDeptID, FCostObjID, FCostItemID, "
        "FQty) VALUES (2024, 3, 10, 1, 50, 0, 5), (2024, 3, 10, 2, 50, 0, 6), (2024, 3, 10, 3, 50, 0, 8),  "
        "(2024, 3, 10, 1, 50, 1, 99), (2024, 3, 11, 1, 50, 1, 2), (2024, 3, 11, 1, 50, 2, 3),  (2024, 3, 11, "
        "2, 50, 1, 4), (2024, 3, 11, 1, 50, 0, 50), (2024, 3, 11, 2, 50, 0, 60),  (2024, 3, -1, 1, 50, 0, "
        "7), (2024, 3, 12, 1, 50, 0, 1000)");
  }
  // GetStandarddata's rows; its bOnline in `online`, also when it fails.
  Rows data(int standard, int costObj, com::Variant& online) {
    std::vector<com::Variant> args{com::Variant(db_.props("en")), standard, 2024, 3, costObj,
                                   com::Variant::byRef(&online)};
    return table(com::invokeByName(*object_, "GetStandarddata", com::kMethodOrGet, args));
  }
};

TEST_F(CostObjectStandardTest, ProductionDepartmentsWithInputOrBalancePerCostItemWhenHeldSo) {
  const char* const head = "FCostObjID FDeptID FCostItemID FQty";
  const struct {
    int standard, costObj;
    const char* before;  // SQL run first
    Rows rows;
    bool online;
  } cases[] = {
      {10, 50, "", {head, "50 1 0 5", "50 2 0 6"}, false},
      {11, 50, "", {head, "50 1 1 2", "50 1 2 3", "50 2 1 4", "50 2 2 0"}, true},
      {11, 51, "", {head}, true},
      // A NULL FOnline counts as 0.
      {11,
       50,
       "DROP TABLE cb_BmStandard CREATE TABLE cb_BmStandard (FNum INT, FID NVARCHAR(80), FName_EN "
       "NVARCHAR(9), FOnline INT NULL, FComPlex INT, FFormula NVARCHAR(99)) INSERT cb_BmStandard VALUES "
       "(11, '', '', NULL, 0, NULL)",
       {head, "50 1 0 50", "50 2 0 60"},
       false},
  };
  for (const auto& c : cases) {
    db_.run(c.before);
    com::Variant online(!c.online);
    EXPECT_EQ(data(c.standard, c.costObj, online), c.rows) << c.standard << " " << c.before;
    EXPECT_EQ(online.toBool(), c.online) << c.standard;
  }
}

// The equivalent coefficient follows 'QuoToItem' whatever its own standard
// says; the kind-5 unit reads standard -1 for cost item 0; the BOM-usage unit
// (kind 6) has no source here and stays 0; the formula sets every row.
TEST_F(CostObjectStandardTest, TheEquivalentCoefficientIsPerCostItemOnlyWhenQuoToItemIsOne) {
  const char* const head = "FCostObjID FDeptID FCostItemID FQty100 FQty5 FQty6 FQty";
  const Rows perItem{head, "50 1 1 2 7 0 11", "50 1 2 3 7 0 13", "50 2 1 4 0 0 8", "50 2 2 0 0 0 0"};
  const Rows whole{head, "50 1 1 50 7 0 107", "50 1 2 50 7 0 107", "50 2 1 60 0 0 120", "50 2 2 60 0 0 120"};
  for (const auto& [value, rows] :
       std::vector<std::pair<const char*, Rows>>{{nullptr, whole}, {" 1.0", perItem}, {"yes", whole}}) {
    db_.run("DELETE FROM t_SystemProfile WHERE FKey = 'QuoToItem'");
    if (value) db_.setProfile("CB", "QuoToItem", value);
    com::Variant online;
    EXPECT_EQ(data(12, 50, online), rows) << (value ? value : "no row");
  }
  // User errors, bOnline set before the formula is read.
  com::Variant online(false);
  com::ExcepInfo e = failureOf("a missing standard", [&] { data(99, 50, online); });
  EXPECT_EQ(e.number, -1);
  EXPECT_EQ(e.source, "-1");
  e = failureOf("an empty formula", [&] { data(13, 50, online); });
  EXPECT_NE(e.description.find("Empty"), std::string::npos) << e.description;
  EXPECT_TRUE(online.toBool());
}

// The one cost object's standard evaluates the same arithmetic as a bill
// line's: CASE, modulo, CEILING and exponent literals.
TEST_F(CostObjectStandardTest, AFormulaIsSqlServerArithmeticOverTheUnits) {
  db_.run(
      "INSERT INTO cb_BmStandard (FNum, FName, FName_EN, FOnline, FComPlex, FFormula) VALUES (14, '', '', 0, "
      "1, "
      "N'CASE WHEN ~#约当系数~@ > 55 THEN ~#R5~@ % 4 ELSE CEILING(1E1/4) + ~#R5~@ % 4 END')");
  com::Variant online;
  EXPECT_EQ(data(14, 50, online),
            (Rows{"FCostObjID FDeptID FCostItemID FQty100 FQty5 FQty", "50 1 0 50 7 6", "50 2 0 60 0 0"}));
}

// Classification cost objects 60 (main products 601 and 602, by-product 603)
// and 61 (601 too) in department 1; sort standard 20 (simple), 21 (complex:
// the sort data plus the output of main products, kind 70005) and 22 (the
// sort data plus 5, with a closing comment).
class SortStandardTest : public PublicClassTest {
 protected:
  void SetUp() override {
    open("Marlstone.CalInfo");
    db_.setPeriods(12, 2024, 1, 2024, 3);
    db_.run(
        "INSERT INTO cbCostObj (FItemID, FCalculateType) VALUES (60, 909), (61, 909), (62, 906) INSERT INTO "
        "cb_CostObj_Product (FCostObjID, FProductID, FIsDeputy) VALUES (60, 601, 0),  (60, 602, 0), (60, "
        "603, 1), (61, 601, 0) INSERT INTO cbProductQty (FYear, FPeriod, FDeptID, FCostObjID, FProductID, "
        "FQty) VALUES  (2024, 3, 1, 60, 601, 10), (2024, 3, 1, 60, 602, 20), (2024, 3, 1, 60, 603, 5),  "
        "(2024, 3, 1, 61, 601, 7), (2024, 3, 2, 60, 601, 1), (2024, 2, 1, 60, 603, 100) INSERT INTO "
        "cb_BmStandard (FNum, FComPlex, FFormula) VALUES (20, 0, NULL), (21, 1, N'=~#S~@+~#P~@'), (22, 1, "
        "N'标准=~#S~@+5 --x') INSERT INTO "
        "cbStandardUnit (FItemID, FName, FStandardID) VALUES (200, 'S', 20), (70005, 'P', 0) INSERT INTO "
        "CBSortStandardInfo (FYear, FPeriod, FStandardID, FDeptID, FCostObjID, FProductID,  FCostItemID, "
        "FQty) VALUES (2024, 3, 20, 1, 60, 601, 1, 1), (2024, 3, 20, 1, 60, 602, 1, 2),  (2024, 3, 20, 1, "
        "60, 603, 1, 0.5), (2024, 3, 20, 1, 60, 601, 2, 9), (2024, 3, 20, 1, 61, 601, 1, 4) INSERT INTO "
        "CBDeputyInfo (FYear, FPeriod, FProductID, FCostItemID, FAmount) VALUES  (2024, 3, 603, 1, 1.237), "
        "(2024, 3, 603, 2, 0.1), (2024, 2, 603, 1, 50)");
  }
};

// A product shared with another classification cost object comes once; by
// products keep their unit data but no complex standard data.
TEST_F(SortStandardTest, EachProductOnceUnderSimpleAndComplexStandardsByProductAmountsAndTheStandardSet) {
  const char* const simple = "FCostObjID FDeptID FProductID FCostItemID FIsDeputy FQty";
  const char* const complex = "FCostObjID FDeptID FProductID FCostItemID FIsDeputy FQty200 FQty70005 FQty";
  const struct {
    int dept, costObj, costItem, standard;
    Rows rows;
  } cases[] = {
      {1, 60, 1, 20, {simple, "60 1 601 1 0 1", "60 1 602 1 0 2", "60 1 603 1 1 0.5"}},
      {1, 61, 1, 20, {simple, "61 1 601 1 0 4"}},
      {1, 60, 1, 21, {complex, "60 1 601 1 0 1 10 11", "60 1 602 1 0 2 20 22", "60 1 603 1 1 0.5 0 0"}},
      {3, 60, 1, 21, {complex}},
      // A formula ending in a comment: the by-product still keeps 0.
      {1,
       60,
       1,
       22,
       {"FCostObjID FDeptID FProductID FCostItemID FIsDeputy FQty200 FQty", "60 1 601 1 0 1 6",
        "60 1 602 1 0 2 7", "60 1 603 1 1 0.5 0"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(table(call("GetSortStandarddata", {2024, 3, c.dept, c.costObj, c.costItem, c.standard})),
              c.rows)
        << c.costObj << " " << c.standard;
  }
  EXPECT_EQ(failure("GetSortStandarddata", {2024, 3, 1, 60, 1, 99}).number, -1);
  // By-product amounts: 1.237 x 5 rounds to 6.19; only the cost object's
  // output in the period.
  EXPECT_EQ(table(call("GetDeputyData", {2024, 3, 1, 60})),
            (Rows{"FDeptID FProductID FCostItemID FAmount", "1 603 1 6.19", "1 603 2 0.5"}));
  EXPECT_EQ(table(call("GetDeputyData", {2024, 3, 1, 61})).size(), 1u);
  db_.run(
      "INSERT INTO CBDeptStdSet (FDeptID, FCostObjID, FExpID, FStandardID) VALUES (-1, 60, -1, 20),"
      " (-1, 61, -1, 99), (1, 61, -1, 20), (-1, 62, 3, 21)");
  for (const auto& [costObj, standard] : std::vector<std::pair<int, int>>{{60, 20}, {61, 0}, {62, 0}})
    EXPECT_EQ(call("GetSortStandardID", {costObj}).toLong(), standard) << costObj;
}

// Templates of both settings tables, with rows that are none, expanded over
// the classification cost objects 60 and 61.
class SettingsExpansionTest : public SortStandardTest {
 protected:
  void SetUp() override {
    SortStandardTest::SetUp();
    object_ = com::createObject("Marlstone.ConcludeUpdate");
    db_.run(
        "INSERT INTO CBDeptStdSet (FDeptID, FCostObjID, FExpID, FStandardID, FDeptAll) VALUES"
        " (-1, 0, -1, 20, 1), (-1, 5, -1, 21, 1), (-1, 7, -1, 20, 1), (1, 60, 3, 20, 0)"
        " INSERT INTO OPCostTaxonSet (FYear, FPeriod, FYearPeriod, FCostObjID, FStandardID, FDeptAll) VALUES"
        " (2024, 3, 202403, 0, 20, 1), (2024, 2, 202402, 0, 21, 1), (2024, 3, 202403, 9, 21, 0)");
  }
  Rows settings() const {
    Rows rows;
    for (const auto& r : db_.run(
             "SELECT 'D', FDeptID, FCostObjID, FExpID, FStandardID, FDeptAll FROM CBDeptStdSet "
             "UNION ALL SELECT 'O', FYear, FPeriod, FCostObjID, FStandardID, FDeptAll FROM OPCostTaxonSet")) {
      rows.emplace_back();
      for (const com::Variant& v : r)
        rows.back() += v.toString() + " ";
    }
    std::sort(rows.begin(), rows.end());
    return rows;
  }
  void expand(const std::string& system) {
    com::VoteRecorder votes;
    call("UpdateClassifyCostObjStandardSet", {2024, 3, system});
    EXPECT_EQ(votes.votes(), std::vector<com::Vote>{com::Vote::Complete}) << system;
  }
};

TEST_F(SettingsExpansionTest, EachTemplateOncePerClassificationCostObjectAllKeptWhenTheRunFails) {
  const Rows initial = settings();
  expand("other");
  EXPECT_EQ(settings(), initial);
  const Rows opcost{"D -1 0 -1 20 1 ",  "D -1 5 -1 21 1 ",   "D -1 7 -1 20 1 ",   "D 1 60 3 20 0 ",
                    "O 2024 2 0 21 1 ", "O 2024 3 60 20 1 ", "O 2024 3 61 20 1 ", "O 2024 3 9 21 0 "};
  expand("opCost");
  EXPECT_EQ(settings(), opcost);
  for (const char* system : {"Cost", "daycost"}) {
    expand(system);
    EXPECT_EQ(settings(),
              (Rows{"D -1 60 -1 20 1 ", "D -1 60 -1 21 1 ", "D -1 61 -1 20 1 ", "D -1 61 -1 21 1 ",
                    "D 1 60 3 20 0 ", opcost[4], opcost[5], opcost[6], opcost[7]}))
        << system;
  }
  // Without classification cost objects the templates stay.
  db_.run("UPDATE cbCostObj SET FCalculateType = 906");
  const Rows expanded = settings();
  expand("COST");
  EXPECT_EQ(settings(), expanded);
  // Expanding a template to cost object 60 breaks a unique key after the
  // templates were deleted.
  db_.run(
      "UPDATE cbCostObj SET FCalculateType = 909 WHERE FItemID = 60 DELETE FROM CBDeptStdSet INSERT INTO "
      "CBDeptStdSet (FDeptID, FCostObjID, FExpID, FStandardID, FDeptAll) VALUES (-1, 0, -1, 20, 1), (2, 60, "
      "3, 20, 1) CREATE UNIQUE INDEX ux_setting ON CBDeptStdSet (FCostObjID, FStandardID, FDeptAll)");
  const Rows before = settings();
  com::VoteRecorder votes;
  com::ExcepInfo e = failure("UpdateClassifyCostObjStandardSet", {2024, 3, "COST"});
  EXPECT_EQ(votes.votes(), std::vector<com::Vote>{com::Vote::Abort});
  EXPECT_TRUE(e.source.starts_with("Marlstone.ConcludeUpdate.UpdateClassifyCostObjStandardSet\r\n"))
      << e.source;
  EXPECT_EQ(settings(), before);
}

}  // namespace
}  // namespace mls::testing

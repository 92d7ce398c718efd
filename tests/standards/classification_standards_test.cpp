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
using com::Vote;

// The rows of a recordset answer, in the order answered, values joined by
// spaces; the column names first.
Rows table(const com::Variant& answer) {
  auto& rs = dynamic_cast<ado::Recordset&>(*answer.toObject().get());
  EXPECT_FALSE(rs.activeConnection());
  Rows rows(1);
  for (size_t i = 0; i < rs.fieldCount(); ++i)
    rows[0] += (i ? " " : "") + rs.fieldInfo(i).name;
  for (; !rs.eof(); rs.moveNext()) {
    std::string row;
    for (size_t i = 0; i < rs.fieldCount(); ++i)
      row += (i ? " " : "") + rs.value(i).toString();
    rows.push_back(row);
  }
  return rows;
}

// Cost object 50 has input in department 1 and a work-in-process balance in
// department 2 (both production) and in department 3 (auxiliary); department
// 4 had input in another period.  Cost items 1 and 2.
//   10: simple, held for all cost items (ration rows of cost item 0);
//   11: simple, held per cost item;
//   12: complex, per cost item, "equivalent coefficient" (reading standard
//       11) * 2 + a kind-5 unit (ration rows of standard -1).
class CostObjectStandardTest : public PublicClassTest {
 protected:
  void SetUp() override {
    open("Marlstone.CalInfo");
    db_.setPeriods(12, 2024, 1, 2024, 3);
    exec(
        "INSERT INTO t_Department (FItemID, FCostAccountType) VALUES (1, 361), (2, 361), (3, 362), (4, 361)"
        " INSERT INTO cbCostItem (FItemID) VALUES (1), (2)"
        " INSERT INTO CBInQty (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (2024, 3, 1, 50, 1),"
        "  (2024, 2, 4, 50, 1)"
        " INSERT INTO cbBalance (FYear, FPeriod, FDepID, FProductID) VALUES (2024, 3, 2, 50), (2024, 3, 3, "
        "50)"
        " INSERT INTO cb_BmStandard (FNum, FName, FOnline, FComPlex, FFormula) VALUES (10, 'All', 0, 0, "
        "NULL),"
        "  (11, 'Items', 1, 0, NULL), (12, 'Mixed', 1, 1, N'F=~#约当系数~@*2+~#R5~@'), (13, 'Empty', 1, 1, "
        "'')"
        " INSERT INTO cbStandardUnit (FItemID, FName, FStandardID) VALUES (100, N'约当系数', 11), (5, 'R5', "
        "0)"
        " INSERT INTO CBRationStandardInfo (FYear, FPeriod, FStandardID, FDeptID, FCostObjID, FCostItemID, "
        "FQty) VALUES (2024, 3, 10, 1, 50, 0, 5), (2024, 3, 10, 2, 50, 0, 6), (2024, 3, 10, 3, 50, 0, 8),"
        "  (2024, 3, 10, 1, 50, 1, 99), (2024, 3, 11, 1, 50, 1, 2), (2024, 3, 11, 1, 50, 2, 3),"
        "  (2024, 3, 11, 2, 50, 1, 4), (2024, 3, 11, 1, 50, 0, 50), (2024, 3, 11, 2, 50, 0, 60),"
        "  (2024, 3, -1, 1, 50, 0, 7), (2024, 3, 12, 1, 50, 0, 1000)"
        " UPDATE cb_BmStandard SET FName_EN = FName");
  }
  void exec(const std::string& sql) const { db_.run(sql); }

  // GetStandarddata's rows and its bOnline.
  Rows data(int standard, int costObj, bool* online) {
    com::Variant flag(!*online);
    std::vector<com::Variant> args{com::Variant(db_.props("en")), standard, 2024, 3, costObj,
                                   com::Variant::byRef(&flag)};
    com::VoteRecorder votes;
    Rows rows = table(com::invokeByName(*object_, "GetStandarddata", com::kMethodOrGet, args));
    EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Complete});
    *online = flag.toBool();
    return rows;
  }
};

TEST_F(CostObjectStandardTest, ProductionDepartmentsWithInputOrBalancePerCostItemWhenHeldSo) {
  const struct {
    const char* what;
    int standard;
    int costObj;
    const char* before;  // SQL run first
    Rows rows;
    bool online;
  } cases[] = {
      {"all cost items", 10, 50, "", {"FCostObjID FDeptID FCostItemID FQty", "50 1 0 5", "50 2 0 6"}, false},
      {"per cost item",
       11,
       50,
       "",
       {"FCostObjID FDeptID FCostItemID FQty", "50 1 1 2", "50 1 2 3", "50 2 1 4", "50 2 2 0"},
       true},
      {"nowhere in production", 11, 51, "", {"FCostObjID FDeptID FCostItemID FQty"}, true},
      {"a NULL FOnline counts as 0",
       11,
       50,
       "DROP TABLE cb_BmStandard CREATE TABLE cb_BmStandard (FNum INT, FID NVARCHAR(80), FName NVARCHAR(255),"
       " FName_EN NVARCHAR(255), FName_CHT NVARCHAR(255), FOnline INT NULL, FComPlex INT, FFormula "
       "NVARCHAR(2000))"
       " INSERT INTO cb_BmStandard (FNum, FComPlex) VALUES (11, 0)",
       {"FCostObjID FDeptID FCostItemID FQty", "50 1 0 50", "50 2 0 60"},
       false},
  };
  for (const auto& c : cases) {
    exec(c.before);
    bool online = false;
    EXPECT_EQ(data(c.standard, c.costObj, &online), c.rows) << c.what;
    EXPECT_EQ(online, c.online) << c.what;
  }
}

// The equivalent coefficient follows 'QuoToItem' whatever its own standard
// says; the kind-5 unit reads standard -1 for cost item 0; the formula
// applies to every row.
TEST_F(CostObjectStandardTest, TheEquivalentCoefficientIsPerCostItemOnlyWhenQuoToItemIsOne) {
  const Rows perItem{"FCostObjID FDeptID FCostItemID FQty100 FQty5 FQty", "50 1 1 2 7 11", "50 1 2 3 7 13",
                     "50 2 1 4 0 8", "50 2 2 0 0 0"};
  const Rows whole{"FCostObjID FDeptID FCostItemID FQty100 FQty5 FQty", "50 1 1 50 7 107", "50 1 2 50 7 107",
                   "50 2 1 60 0 120", "50 2 2 60 0 120"};
  const struct {
    const char* value;  // none: no profile row
    const Rows& rows;
  } cases[] = {{nullptr, whole}, {"1", perItem}, {" 1.0", perItem}, {"2", whole}, {"yes", whole}};
  for (const auto& c : cases) {
    exec("DELETE FROM t_SystemProfile WHERE FKey = 'QuoToItem'");
    if (c.value) db_.setProfile("CB", "QuoToItem", c.value);
    bool online = false;
    EXPECT_EQ(data(12, 50, &online), c.rows) << (c.value ? c.value : "no row");
    EXPECT_TRUE(online);
  }
}

TEST_F(CostObjectStandardTest, UserErrorsAndTheFlagSetBeforeTheFormulaIsRead) {
  com::Variant online(false);
  auto run = [&](int standard) {
    std::vector<com::Variant> args{com::Variant(db_.props("en")), standard, 2024, 3, 50,
                                   com::Variant::byRef(&online)};
    com::invokeByName(*object_, "GetStandarddata", com::kMethodOrGet, args);
  };
  com::ExcepInfo e = failureOf("a missing standard", [&] { run(99); });
  EXPECT_EQ(e.number, -1);
  EXPECT_EQ(e.source, "-1");
  EXPECT_FALSE(online.toBool());
  e = failureOf("an empty formula", [&] { run(13); });
  EXPECT_EQ(e.number, -1);
  EXPECT_NE(e.description.find("Empty"), std::string::npos) << e.description;
  EXPECT_TRUE(online.toBool());
}

// Classification cost objects 60 (main products 601 and 602, by-product 603)
// and 61 (601 too) in department 1, 60 also in department 2; sort standard
// 20 (simple) and 21 (complex: the sort data plus the product quantity of
// main products, kind 70005); by-product values of 603 for cost items 1 and 2.
class SortStandardTest : public PublicClassTest {
 protected:
  void SetUp() override {
    open("Marlstone.CalInfo");
    db_.setPeriods(12, 2024, 1, 2024, 3);
    exec(
        "INSERT INTO cbCostObj (FItemID, FCalculateType) VALUES (60, 909), (61, 909), (62, 906)"
        " INSERT INTO cb_CostObj_Product (FCostObjID, FProductID, FIsDeputy) VALUES (60, 601, 0), (60, 602, "
        "0),"
        "  (60, 603, 1), (61, 601, 0)"
        " INSERT INTO cbProductQty (FYear, FPeriod, FDeptID, FCostObjID, FProductID, FQty) VALUES"
        "  (2024, 3, 1, 60, 601, 10), (2024, 3, 1, 60, 602, 20), (2024, 3, 1, 60, 603, 5),"
        "  (2024, 3, 1, 61, 601, 7), (2024, 3, 2, 60, 601, 1), (2024, 2, 1, 60, 603, 100)"
        " INSERT INTO cb_BmStandard (FNum, FName, FComPlex, FFormula) VALUES (20, 'Sort', 0, NULL),"
        "  (21, 'Sort and output', 1, N'=~#S~@+~#P~@')"
        " INSERT INTO cbStandardUnit (FItemID, FName, FStandardID) VALUES (200, 'S', 20), (70005, 'P', 0)"
        " INSERT INTO CBSortStandardInfo (FYear, FPeriod, FStandardID, FDeptID, FCostObjID, FProductID, "
        "FCostItemID, FQty) VALUES (2024, 3, 20, 1, 60, 601, 1, 1), (2024, 3, 20, 1, 60, 602, 1, 2),"
        "  (2024, 3, 20, 1, 60, 603, 1, 0.5), (2024, 3, 20, 1, 60, 601, 2, 9), (2024, 3, 20, 1, 61, 601, 1, "
        "4)"
        " INSERT INTO CBDeputyInfo (FYear, FPeriod, FProductID, FCostItemID, FAmount) VALUES"
        "  (2024, 3, 603, 1, 1.237), (2024, 3, 603, 2, 0.1), (2024, 2, 603, 1, 50)");
  }
  void exec(const std::string& sql) const { db_.run(sql); }
};

TEST_F(SortStandardTest, EachProductOfTheCostObjectOnceUnderSimpleAndComplexStandards) {
  const struct {
    int dept, costObj, costItem, standard;
    Rows rows;
  } cases[] = {
      {1,
       60,
       1,
       20,
       {"FCostObjID FDeptID FProductID FCostItemID FIsDeputy FQty", "60 1 601 1 0 1", "60 1 602 1 0 2",
        "60 1 603 1 1 0.5"}},
      {1, 61, 1, 20, {"FCostObjID FDeptID FProductID FCostItemID FIsDeputy FQty", "61 1 601 1 0 4"}},
      {1,
       60,
       2,
       20,
       {"FCostObjID FDeptID FProductID FCostItemID FIsDeputy FQty", "60 1 601 2 0 9", "60 1 602 2 0 0",
        "60 1 603 2 1 0"}},
      // By-products keep their unit data but no standard data.
      {1,
       60,
       1,
       21,
       {"FCostObjID FDeptID FProductID FCostItemID FIsDeputy FQty200 FQty70005 FQty", "60 1 601 1 0 1 10 11",
        "60 1 602 1 0 2 20 22", "60 1 603 1 1 0.5 0 0"}},
      {3, 60, 1, 20, {"FCostObjID FDeptID FProductID FCostItemID FIsDeputy FQty"}},
      {3, 60, 1, 21, {"FCostObjID FDeptID FProductID FCostItemID FIsDeputy FQty200 FQty70005 FQty"}},
  };
  for (const auto& c : cases) {
    com::VoteRecorder votes;
    EXPECT_EQ(table(call("GetSortStandarddata", {2024, 3, c.dept, c.costObj, c.costItem, c.standard})),
              c.rows)
        << c.costObj << " " << c.standard;
    EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Complete});
  }
  EXPECT_EQ(failure("GetSortStandarddata", {2024, 3, 1, 60, 1, 99}).number, -1);
}

TEST_F(SortStandardTest, ByProductAmountsAndTheStandardSetForAllDepartments) {
  // 1.237 x 5 rounds to 6.19; the period's quantity rows of the cost object
  // in the department only.
  EXPECT_EQ(table(call("GetDeputyData", {2024, 3, 1, 60})),
            (Rows{"FDeptID FProductID FCostItemID FAmount", "1 603 1 6.19", "1 603 2 0.5"}));
  EXPECT_EQ(table(call("GetDeputyData", {2024, 3, 1, 61})), (Rows{"FDeptID FProductID FCostItemID FAmount"}));
  exec(
      "INSERT INTO CBDeptStdSet (FDeptID, FCostObjID, FExpID, FStandardID) VALUES (-1, 60, -1, 20),"
      " (-1, 61, -1, 99), (1, 61, -1, 20), (-1, 62, 3, 21)");
  for (const auto& [costObj, standard] :
       std::vector<std::pair<int, int>>{{60, 20}, {61, 0}, {62, 0}, {63, 0}})
    EXPECT_EQ(call("GetSortStandardID", {costObj}).toLong(), standard) << costObj;
}

// Templates of both settings tables expanded over the classification cost
// objects 60 and 61.
class SettingsExpansionTest : public SortStandardTest {
 protected:
  void SetUp() override {
    SortStandardTest::SetUp();
    object_ = com::createObject("Marlstone.ConcludeUpdate");
    exec(
        "INSERT INTO CBDeptStdSet (FDeptID, FCostObjID, FExpID, FStandardID, FDeptAll) VALUES"
        " (-1, 0, -1, 20, 1), (-1, 5, -1, 21, 1), (-1, 7, -1, 20, 1), (1, 60, 3, 20, 0)"
        " INSERT INTO OPCostTaxonSet (FYear, FPeriod, FYearPeriod, FCostObjID, FStandardID, FDeptAll) VALUES"
        " (2024, 3, 202403, 0, 20, 1), (2024, 2, 202402, 0, 21, 1), (2024, 3, 202403, 9, 21, 0)");
  }
  Rows settings() const {
    Rows rows;
    for (const auto& r :
         db_.run("SELECT 'D', FDeptID, FCostObjID, FExpID, FStandardID, FDeptAll FROM CBDeptStdSet UNION ALL "
                 "SELECT 'O', FYear, FPeriod, FCostObjID, FStandardID, FDeptAll FROM OPCostTaxonSet")) {
      std::string row;
      for (const com::Variant& v : r)
        row += (row.empty() ? "" : " ") + v.toString();
      rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    return rows;
  }
  void expand(const std::string& system) {
    com::VoteRecorder votes;
    call("UpdateClassifyCostObjStandardSet", {2024, 3, system});
    EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Complete}) << system;
  }
};

TEST_F(SettingsExpansionTest, EachTemplateOncePerClassificationCostObjectAndTwiceTheSame) {
  const Rows initial = settings();
  expand("other");
  EXPECT_EQ(settings(), initial);
  const Rows opcost{"O 2024 2 0 21 1", "O 2024 3 60 20 1", "O 2024 3 61 20 1", "O 2024 3 9 21 0"};
  const Rows cost{"D -1 60 -1 20 1", "D -1 60 -1 21 1", "D -1 61 -1 20 1", "D -1 61 -1 21 1",
                  "D 1 60 3 20 0"};
  auto with = [](Rows a, const Rows& b) {
    a.insert(a.end(), b.begin(), b.end());
    std::sort(a.begin(), a.end());
    return a;
  };
  const Rows initialCost(initial.begin(), initial.begin() + 4);
  expand("opCost");
  EXPECT_EQ(settings(), with(initialCost, opcost));
  for (const char* system : {"Cost", "COST", "daycost"}) {
    expand(system);
    EXPECT_EQ(settings(), with(cost, opcost)) << system;
  }
}

TEST_F(SettingsExpansionTest, TemplatesStayWithoutClassificationCostObjectsOrWhenTheRunFails) {
  exec("UPDATE cbCostObj SET FCalculateType = 906");
  const Rows initial = settings();
  expand("COST");
  EXPECT_EQ(settings(), initial);
  // The expanded row of cost object 60 and standard 20 collides with a row
  // of the unique key, after the templates were deleted.
  exec(
      "UPDATE cbCostObj SET FCalculateType = 909 WHERE FItemID = 60"
      " INSERT INTO CBDeptStdSet (FDeptID, FCostObjID, FExpID, FStandardID, FDeptAll) VALUES (2, 60, 3, 20, "
      "1)"
      " CREATE UNIQUE INDEX ux_setting ON CBDeptStdSet (FCostObjID, FStandardID, FDeptAll)");
  const Rows before = settings();
  com::VoteRecorder votes;
  com::ExcepInfo e = failure("UpdateClassifyCostObjStandardSet", {2024, 3, "COST"});
  EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Abort});
  EXPECT_TRUE(e.source.starts_with("Marlstone.ConcludeUpdate.UpdateClassifyCostObjStandardSet\r\n"))
      << e.source;
  EXPECT_EQ(settings(), before);
}

}  // namespace
}  // namespace mls::testing

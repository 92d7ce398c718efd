// Complex standards through ConcludeInfo.GetStandarddata: units found by
// their tokens, one column each, the formula over them, and every way a
// formula can be wrong - none of which may run a statement of its own.
#include "bill_line_fixture.h"

namespace mls::testing {
namespace {

using Rows = std::vector<std::string>;

// Units Q (ration data of standard 10), Q2 (of standard 11) and 工时
// (man-hours, a system kind) for cost objects 101 and 102; the BOM unit
// named "%" is in no formula (were it matched as a pattern, the BOM usage
// would remove every receiver).
class ComplexFormulaTest : public BillLineTest {
 protected:
  void SetUp() override {
    BillLineTest::SetUp();
    inProduction({101, 102});
    exec(
        "INSERT INTO cbStandardUnit (FItemID, FName, FStandardID) VALUES (1001, 'Q', 10), (1002, 'Q2', 11), "
        "(7, N'工时', 0), (6, '%', 0) INSERT INTO CBRationStandardInfo (FYear, FPeriod, FStandardID, "
        "FDeptID, "
        "FCostObjID, FQty) VALUES (2024, 3, 10, 1, 101, 2), (2024, 3, 10, 1, 102, 3), (2024, 3, 11, 1, 101, "
        "10), (2024, 3, 11, 1, 102, 20) INSERT INTO cbManHourInfo (FYear, FPeriod, FDeptID, FCostObjID, "
        "FQty) VALUES (2024, 3, 1, 101, 1), (2024, 3, 1, 102, 5)");
  }
};

TEST_F(ComplexFormulaTest, TheFormulaRunsOverOneColumnPerUnit) {
  const struct {
    const char* formula;
    Rows rows;
  } cases[] = {
      {"Mix=~#Q~@*2+~#工时~@", {"101 5 0.3125 0", "102 11 0.6875 0"}},
      {"~#Q~@*2+~#工时~@", {"101 5 0.3125 0", "102 11 0.6875 0"}},
      // Q is a prefix of Q2, and Q is named twice.
      {"~#Q2~@-~#Q~@*~#Q~@", {"101 6 0.3529411765 0", "102 11 0.6470588235 0"}},
      {"X = ROUND(ISNULL(~#Q~@, 0) / 3, 2) + ABS(-1.5) * (1)",
       {"101 2.17 0.4646680942 0", "102 2.5 0.5353319058 0"}},
  };
  for (const auto& c : cases) {
    standard(30, "Mix", true, c.formula);
    EXPECT_EQ(data({.standard = 30}), c.rows) << c.formula;
  }
}

// A formula is SQL Server's arithmetic over the unit columns: modulo,
// exponent literals, CASE and the deterministic numeric functions.
TEST_F(ComplexFormulaTest, AFormulaIsSqlServerArithmeticOverTheUnits) {
  const struct {
    const char* formula;
    Rows rows;
  } cases[] = {
      {"~#Q2~@ % 7", {"101 3 0.3333333333 0", "102 6 0.6666666667 0"}},
      {"CEILING(~#Q2~@/4)", {"101 3 0.375 0", "102 5 0.625 0"}},
      {"1E2*~#Q~@", {"101 200 0.4 0", "102 300 0.6 0"}},
      {"CASE WHEN ~#Q~@ > 2 THEN ~#Q2~@ ELSE 1 END", {"101 1 0.0476190476 0", "102 20 0.9523809524 0"}},
      {"Mix = FLOOR(~#Q2~@ / 3) + POWER(~#Q~@, 2) - SIGN(-~#工时~@) * 0.5",
       {"101 7.5 0.3260869565 0", "102 15.5 0.6739130435 0"}},
      {"COALESCE(NULLIF(~#Q~@, 2), CAST(~#Q2~@ AS INT) % 3, 0) + [FQty1001] * 0",
       {"101 1 0.25 0", "102 3 0.75 0"}},
  };
  for (const auto& c : cases) {
    standard(30, "Mix", true, c.formula);
    EXPECT_EQ(data({.standard = 30}), c.rows) << c.formula;
  }
}

TEST_F(ComplexFormulaTest, AWrongFormulaIsRefusedAndChangesNothing) {
  const char* wrong = "The formula of complex standard Mix is wrong!";
  const char* empty = "The defined complex standard Mix has an empty formula!";
  const struct {
    std::optional<std::string> formula;
    const char* text;
  } cases[] = {
      {std::nullopt, empty},
      {"", empty},
      {"Mix=", wrong},
      {"~#Q~@+~#Nope~@", wrong},
      {"~#q~@*2", wrong},  // the unit is found without regard to case, but its token is not replaced
      {"~#Q~@/(~#Q~@-~#Q~@)", wrong},
      {"~#Q~@'; DELETE FROM cbCostObj --", wrong},
      {"~#Q~@ DELETE FROM CBInQty", wrong},
      {"~#Q~@;DROP TABLE CBInQty", wrong},
      {"~#Q~@+FQuotiety", wrong},
      {"ISNULL(~#Q~@)", wrong},
      // A subquery, a variable, another column, a condition, a function
      // that is not deterministic arithmetic, garbage.
      {"~#Q~@+(SELECT COUNT(*) FROM cbCostObj)", wrong},
      {"~#Q~@*CASE WHEN EXISTS (SELECT 1 FROM CBInQty) THEN 1 ELSE 0 END", wrong},
      {"~#Q~@+@x", wrong},
      {"~#Q~@+@@ROWCOUNT", wrong},
      {"~#Q~@+FCostObjID", wrong},
      {"~#Q~@+t.FQty1001", wrong},
      {"~#Q~@ > 1", wrong},
      {"~#Q~@*RAND()", wrong},
      {"~#Q~@+LEN('x')", wrong},
      {"dbo.ABS(~#Q~@)", wrong},
      {"~#Q~@ ** 2", wrong},
      {"(~#Q~@", wrong},
      {"~#Q~@ % 0", wrong},
      // A server may end the comment at the bare CR and run what follows.
      {"~#Q~@ --x\r+ FQuotiety", wrong},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.formula.value_or("NULL"));
    standard(30, "Mix", true, c.formula);
    com::ExcepInfo e = dataError({.standard = 30});
    EXPECT_EQ(e.number, -1);
    EXPECT_EQ(e.source, "-1");
    EXPECT_EQ(e.description, c.text);
    EXPECT_EQ(count("cbCostObj") + count("CBInQty"), 4);
  }
  EXPECT_EQ(dataError({.standard = 30}, "cht").description, "複合標準Mix tw的計算公式錯誤!");
}

}  // namespace
}  // namespace mls::testing

// Complex standards through ConcludeInfo.GetStandarddata: units found by
// their tokens, one column each, the formula over them, and every way a
// formula can be wrong - none of which may run a statement of its own.
#include "bill_line_fixture.h"

namespace mls::testing {
namespace {

using Rows = std::vector<std::string>;

class ComplexFormulaTest : public BillLineTest {
 protected:
  void SetUp() override {
    BillLineTest::SetUp();
    standard(10, "R", "Ration");
    standard(11, "R2", "Ration 2");
    unit(1001, "Q", 10);
    unit(1002, "Q2", 11);
    unit(7, "工时");
    for (int id : {101, 102}) {
      costObject(id);
      input(id);
    }
    ration(10, 101, 2);
    ration(10, 102, 3);
    ration(11, 101, 10);
    ration(11, 102, 20);
    exec(
        "INSERT INTO cbManHourInfo (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (2024, 3, 1, 101, 1),"
        " (2024, 3, 1, 102, 5)");
  }
  void formula(const std::optional<std::string>& text) {
    exec("DELETE FROM cb_BmStandard WHERE FNum = 30");
    standard(30, "MIX", "Mix", true, text);
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
    formula(c.formula);
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
      {"(~#Q~@", wrong},
      {"2E5*~#Q~@", wrong},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.formula.value_or("NULL"));
    formula(c.formula);
    com::ExcepInfo e = dataError({.standard = 30});
    EXPECT_EQ(e.number, -1);
    EXPECT_EQ(e.source, "-1");
    EXPECT_EQ(e.description, c.text);
    EXPECT_EQ(count("cbCostObj"), 2);
    EXPECT_EQ(count("CBInQty"), 2);
  }
  formula("~#Q~@+~#Nope~@");
  EXPECT_EQ(dataError({.standard = 30}, "cht").description, "複合標準Mix tw的計算公式錯誤!");
}

}  // namespace
}  // namespace mls::testing

// The guards of the distribution of one issue line, CalInfoCheck's
// CheckIsOnlineCostObj and CheckIsWasterCostObj: which rows let a cost object
// pass, and the error and votes when none does.
#include <string>

#include "platform/com/object_context.h"
#include "support/public_class_test.h"

namespace mls::testing {
namespace {

// Cost object 101 of department 1 in (2024, 3); 102 is missing from cbCostObj.
class GuardTest : public PublicClassTest {
 protected:
  void SetUp() override {
    open("Marlstone.CalInfoCheck");
    db_.run("INSERT INTO cbCostObj (FItemID) VALUES (101)");
  }
  // The error number of the guard for (year, period, department, cost object); 0 when it passes.
  int32_t guard(const std::string& member, int32_t period, int32_t dept, int32_t costObj) {
    return errorOf([&] {
      com::Variant answer = call(member, {2024, period, dept, costObj});
      EXPECT_TRUE(answer.isEmpty()) << member << " answers nothing";
    });
  }
};

TEST_F(GuardTest, OnlineCostObjectNeedsInputOrABalanceOfThePeriod) {
  const struct {
    const char* what;
    const char* rows;
    int32_t period, dept, costObj, error;
  } cases[] = {
      {"input of the period",
       "INSERT INTO CBInQty (FYear, FPeriod, FDeptID, FCostObjID) VALUES (2024, 3, 1, 101)", 3, 1, 101, 0},
      {"a balance of the period",
       "INSERT INTO cbBalance (FYear, FPeriod, FDepID, FProductID) VALUES (2024, 3, 1, 101)", 3, 1, 101, 0},
      {"input of another period",
       "INSERT INTO CBInQty (FYear, FPeriod, FDeptID, FCostObjID) VALUES (2024, 2, 1, 101)", 3, 1, 101, -1},
      {"a balance of another department",
       "INSERT INTO cbBalance (FYear, FPeriod, FDepID, FProductID) VALUES (2024, 3, 2, 101)", 3, 1, 101, -1},
      {"input of a cost object missing from cbCostObj",
       "INSERT INTO CBInQty (FYear, FPeriod, FDeptID, FCostObjID) VALUES (2024, 3, 1, 102)", 3, 1, 102, -1},
  };
  for (const auto& c : cases) {
    db_.run("DELETE FROM CBInQty DELETE FROM cbBalance " + std::string(c.rows));
    EXPECT_EQ(guard("CheckIsOnlineCostObj", c.period, c.dept, c.costObj), c.error) << c.what;
  }
}

TEST_F(GuardTest, WasteCostObjectNeedsWasteOutputOfTypeZero) {
  const struct {
    const char* what;
    int32_t wasteType, period, error;
  } cases[] = {
      {"repairable waste of the period", 0, 3, 0},
      {"irreparable waste only", 1, 3, -1},
      {"repairable waste of another period", 0, 2, -1},
  };
  for (const auto& c : cases) {
    db_.run(
        "DELETE FROM cbWasterCostObjInfo INSERT INTO cbWasterCostObjInfo (FYear, FPeriod, FDeptID, "
        "FCostObjID, FWasterTypeID) VALUES (2024, " +
        std::to_string(c.period) + ", 1, 101, " + std::to_string(c.wasteType) + ")");
    EXPECT_EQ(guard("CheckIsWasterCostObj", 3, 1, 101), c.error) << c.what;
  }
  db_.run(
      "DELETE FROM cbWasterCostObjInfo INSERT INTO CBInQty (FYear, FPeriod, FDeptID, FCostObjID) VALUES "
      "(2024, 3, "
      "1, 101)");
  EXPECT_EQ(guard("CheckIsWasterCostObj", 3, 1, 101), -1) << "input is no waste output";
}

TEST_F(GuardTest, FailureSaysWhyInTheCallersLanguageWithoutVoting) {
  com::VoteRecorder votes;
  com::ExcepInfo e = failure("CheckIsOnlineCostObj", {2024, 3, 1, 101});
  EXPECT_EQ(e.number, -1);
  EXPECT_EQ(e.source, "Marlstone");
  EXPECT_EQ(e.description,
            "The bill's department and cost object are not in production this period: the expense cannot be "
            "distributed!");
  e = failureOf("chs", [&] { callWith(db_.props("chs"), "CheckIsWasterCostObj", {2024, 3, 1, 101}); });
  EXPECT_EQ(e.description, "单据上的部门或成本对象本期没有可修复废品产量，不能进行废品材料费用分配!");
  EXPECT_TRUE(votes.votes().empty());
}

}  // namespace
}  // namespace mls::testing

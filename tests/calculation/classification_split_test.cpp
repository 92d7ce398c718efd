// ConcludeUpdate.DistributeTaxCost: the split of a classification cost
// object's amount over its products, through CalInfo's sort and by-product
// data (its invariant on generated plants is checked by the whole period
// close, tests/tools).
#include <string>
#include <vector>

#include "calc_fixture.h"
#include "platform/com/object_context.h"
#include "platform/com/registry.h"

namespace mls::testing {
namespace {

using com::Vote;

struct SplitArgs {
  int costObj = 70;
  double amount = 0;
  int standard = 0;
  int proCount = 0;
  int dept = 1;
  int costItem = 1;
  int level = 2;
};

class SplitTest : public CalcTest {
 protected:
  // DistributeTaxCost in (2024, 3); answers lDataQty and records the votes.
  int split(const SplitArgs& a, std::vector<Vote>* votes = nullptr) {
    com::Variant dataQty(-1);
    std::vector<com::Variant> args{db_.props("en"), 2024, 3, a.dept, a.costObj, a.costItem, a.level};
    args.insert(args.end(), {a.amount, a.standard, com::Variant::byRef(&dataQty), a.proCount});
    com::VoteRecorder recorder;
    EXPECT_TRUE(com::invokeByName(*object_, "DistributeTaxCost", com::kMethodOrGet, args).isEmpty());
    if (votes) *votes = recorder.votes();
    return dataQty.toLong();
  }
  // "product amount, ..." of the written rows, in product order.
  std::string amounts() const {
    std::string out;
    for (const auto& r : rows("SELECT FProductID, FAmount FROM cbProductCalInfo ORDER BY FProductID"))
      out += (out.empty() ? "" : ", ") + r[0] + " " + r[1];
    return out;
  }
};

// Classification cost object 70 of department 1 makes 701 (coefficient 1),
// 702 (0.5) and 703 (0.2, a by-product valued 20 a unit unless a case says
// otherwise), with 10, 3 and 5 of output; 10 of 701 and 3 of 702 were
// received there.  Cost object 74 shares product 701.  Sort standard 20.
class WorkedSplitTest : public SplitTest {
 protected:
  void SetUp() override {
    SplitTest::SetUp();
    department(1, 361);
    item(701, 2);
    costObject(70, 909, 701);
    costObject(74, 909, 701);
    coProduct(70, 701, 1);
    coProduct(70, 702, 0.5);
    coProduct(70, 703, 0.2, 1);
    coProduct(74, 701, 1);
    exec(
        "INSERT INTO cbProductQty (FYear, FPeriod, FDeptID, FCostObjID, FProductID, FQty) VALUES (2024, 3, "
        "1, 70, 701, 10), (2024, 3, 1, 70, 702, 3), (2024, 3, 1, 70, 703, 5), (2024, 3, 1, 74, 701, 9) "
        "INSERT INTO cb_BmStandard (FNum, FName) VALUES (20, 'Sort') INSERT INTO CBDeputyInfo (FYear, "
        "FPeriod, FProductID, FCostItemID, FAmount) VALUES (2024, 3, 703, 1, 20), (2024, 3, 703, 2, 1000)");
    bill({.id = 1, .type = 2});
    line(1, 1, 701, 10);
    line(1, 2, 702, 3);
    bill({.id = 2, .type = 2, .dept = 2});
    line(2, 1, 702, 8);
    snapshot(2024, 3);
  }
};

TEST_F(WorkedSplitTest, ByProductsFirstThenTheRestByStandardWithTheCentOnTheFirstMainProduct) {
  // Sort data of 701, 702 and 703 (none: no standard), whether 703 is a
  // by-product, the amount, lProCount, and the amounts written ("": refused).
  const struct {
    std::vector<int> data;
    bool deputy;
    double amount;
    int proCount;
    std::string amounts;
  } cases[] = {
      {{1, 2, 0}, true, 1000, 0, "701 300, 702 600, 703 100"},
      {{1, 1, 1}, false, 100, 0, "701 33.34, 702 33.33, 703 33.33"},
      {{0, 0, 0}, true, 500, 0, ""},
      {{0, 0, 0}, true, 0, 0, "701 -100, 702 0, 703 100"},
      {{1, 2, 1}, true, 1000, 0, "701 450, 702 450, 703 100"},  // a by-product's data in the sum
      {{}, true, 1000, 0, "701 900, 702 0, 703 100"},
      {{}, true, 1000, 1, "701 0, 702 900, 703 100"},
  };
  for (const auto& c : cases) {
    exec("DELETE FROM cbProductCalInfo DELETE FROM CBSortStandardInfo");
    exec("UPDATE cb_CostObj_Product SET FIsDeputy = " + std::to_string(c.deputy) + " WHERE FProductID = 703");
    for (size_t i = 0; i < c.data.size(); ++i) {
      exec("INSERT INTO CBSortStandardInfo (FYear, FPeriod, FStandardID, FDeptID, FCostObjID, FCostItemID, " +
           std::string("FProductID, FQty) VALUES (2024, 3, 20, 1, 70, 1, ") + std::to_string(701 + i) + ", " +
           std::to_string(c.data[i]) + ")");
    }
    const SplitArgs args{.amount = c.amount, .standard = c.data.empty() ? 0 : 20, .proCount = c.proCount};
    std::vector<Vote> votes;
    EXPECT_EQ(split(args, &votes), c.amounts.empty() ? 0 : 1) << c.amounts;
    EXPECT_EQ(amounts(), c.amounts);
    // CalInfo votes at the entry of each member it answers; the split
    // itself only when it writes.
    const size_t calls = (args.standard ? 1 : 0) + (c.amounts.empty() ? 0 : 2);
    EXPECT_EQ(votes, std::vector<Vote>(calls, Vote::Complete)) << c.amounts;
  }
  // The last case's rows: received quantities of the department converted
  // by the coefficients, none for the by-product.
  EXPECT_EQ(
      rows("SELECT FDeptID, FCostObjID, FCostItemID, FProductID, FBatchNo, FRevertAmount, FLevel, FQty, "
           "FStandardQty, FRevQuo FROM cbProductCalInfo ORDER BY FProductID"),
      (Rows{{"1", "70", "1", "701", "", "0", "2", "10", "10", "1"},
            {"1", "70", "1", "702", "", "0", "2", "3", "1.5", "0.5"},
            {"1", "70", "1", "703", "", "0", "2", "0", "0", "0"}}));
}

// Complex standards 21 and 22 weigh by the sort data plus 5, 22's formula
// ending in a comment: the by-product keeps no standard data and the two
// split alike.
TEST_F(WorkedSplitTest, AFormulaEndingInACommentSplitsAsWithoutIt) {
  exec(
      "INSERT INTO cbStandardUnit (FItemID, FName, FStandardID) VALUES (200, 'S', 20) INSERT INTO "
      "cb_BmStandard (FNum, FName, FComPlex, FFormula) VALUES (21, 'Plain', 1, N'标准=~#S~@+5'), (22, "
      "'Commented', 1, N'标准=~#S~@+5 --x') INSERT INTO CBSortStandardInfo (FYear, FPeriod, FStandardID, "
      "FDeptID, FCostObjID, FCostItemID, FProductID, FQty) VALUES (2024, 3, 20, 1, 70, 1, 701, 1), (2024, 3, "
      "20, 1, 70, 1, 702, 2), (2024, 3, 20, 1, 70, 1, 703, 1)");
  for (int standard : {21, 22}) {
    exec("DELETE FROM cbProductCalInfo");
    EXPECT_EQ(split({.amount = 900, .standard = standard}), 1) << standard;
    EXPECT_EQ(amounts(), "701 369.23, 702 430.77, 703 100") << standard;
  }
}

// Cost object 72 makes by-product 721 only (5 of output, valued 1 a unit);
// 73 has no output in the department.
TEST_F(SplitTest, AnAmountWithNowhereToGoIsRefusedAndNothingIsWritten) {
  department(1, 361);
  costObject(72, 909, 721);
  costObject(73, 909, 731);
  coProduct(72, 721, 1, 1);
  coProduct(73, 731, 1);
  exec(
      "INSERT INTO cbProductQty (FYear, FPeriod, FDeptID, FCostObjID, FProductID, FQty) VALUES (2024, 3, 1, "
      "72, 721, 5) INSERT INTO CBDeputyInfo (FYear, FPeriod, FProductID, FCostItemID, FAmount) VALUES (2024, "
      "3, 721, 1, 1)");
  snapshot(2024, 3);
  for (const auto& [args, amounts] :
       std::vector<std::pair<SplitArgs, std::string>>{{{.costObj = 72, .amount = 50}, ""},
                                                      {{.costObj = 72, .amount = 5}, "721 5"},
                                                      {{.costObj = 73, .amount = 10}, ""}}) {
    exec("DELETE FROM cbProductCalInfo");
    EXPECT_EQ(split(args), amounts.empty() ? 0 : 1) << args.costObj << " " << args.amount;
    EXPECT_EQ(this->amounts(), amounts);
  }
  // CalInfo's error passes unchanged.
  EXPECT_EQ(failureOf("no standard", [&] { split({.costObj = 72, .amount = 5, .standard = 99}); }).source,
            "-1");
}

}  // namespace
}  // namespace mls::testing

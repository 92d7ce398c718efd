// GetMaterielExpenseDistribute of ConcludeInfo and WConcludeInfo: the preview
// of one issue line's distribution on the snapshot of (2024, 3), by the
// standard evaluator, by the client's standard quantities, and for direct
// lines behind their guards.
#include "lines_fixture.h"
#include "platform/halvern/dictionary.h"
#include "platform/halvern/list.h"

namespace mls::testing {
namespace {

using Rows = std::vector<std::string>;

// The arguments of GetMaterielExpenseDistribute after the period and bill.
struct Args {
  int entry = 1;
  bool refresh = true;
  com::Variant vector = com::Variant::missing();
  int standard = 0;
  std::string standardName = "";
  std::string billNo = "SOUT-900";
};

// Bill 900 of department 1 ("D1", "Dept 1"): line 1 shares 0.11 of material
// 500 (quantity 10); line 2 goes to 101 (quantity 3, amount 30); line 3 to
// 102 with amount 0.  Cost objects 101 to 103 are in production and have
// waste output; ration standard 10 "R" weighs them 4, 3 and 3.  Cost item 1
// is the material cost item.
class LineDistributionTest : public LinesTest, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    setUpFor(GetParam());
    issue({.id = 900}, {{.entry = 1, .qty = 10, .amount = 0.11},
                        {.entry = 2, .qty = 3, .amount = 30, .costObj = 101},
                        {.entry = 3, .qty = 5, .amount = 0, .costObj = 102}});
    snapshot();
    exec(
        "INSERT INTO cb_BmStandard (FNum, FName, FName_EN) VALUES (10, N'甲', 'R'), (11, N'乙', 'S')"
        " INSERT INTO cbCostItem (FItemID, FNumber, FName, FTypeID) VALUES (1, 'CI1', 'Material', 901), (2, "
        "'CI2', 'Other', 902)");
    for (int id : {101, 102, 103}) {
      const std::string v = "(2024, 3, 1, " + std::to_string(id) + ", ";
      exec("INSERT INTO CBInQty (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES " + v +
           "1) INSERT INTO cbWasterCostObjInfo (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES " + v +
           "1) INSERT INTO CBRationStandardInfo (FYear, FPeriod, FDeptID, FCostObjID, FStandardID, FQty) "
           "VALUES " +
           v + "10, " + std::to_string(id == 101 ? 4 : 3) + ")");
    }
  }
  bool waste() const { return std::string(GetParam()) == "Marlstone.WConcludeInfo"; }
  std::string ownTable() const { return waste() ? "cbWMaterielInfo" : "cbMaterielInfo"; }
  // The department's setting in the other-expense component for this class.
  void setting(int standard) const {
    exec("INSERT INTO cbExpStandardSet (FDeptID, FExpenseType, FPurposeID, FStandardID) VALUES (1, 1, " +
         std::string(waste() ? "1" : "0") + ", " + std::to_string(standard) + ")");
  }

  std::vector<com::Variant> args(const Args& a) const {
    return {2024, 3, 900, a.entry, a.refresh, a.vector, a.standard, a.standardName, 0, a.billNo};
  }
  // Each row: cost object, standard quantity, amount, quantity, cost item, standard, line's own cost object.
  Rows preview(const Args& a = {}) {
    return rows(call("GetMaterielExpenseDistribute", args(a)),
                {"FCostObjNumber", "FStandardQty", "FDistributAmount", "FDistributQty", "FCostItemID",
                 "FStandardName", "FStandardID", "FBCostObjID"});
  }
  com::ExcepInfo previewError(const Args& a = {}) { return failure("GetMaterielExpenseDistribute", args(a)); }

  // The client's standard quantities: (cost object, standard data, cost item) each.
  static com::Variant vector(const std::vector<std::vector<com::Variant>>& items) {
    com::Ref<halvern::List> list = com::makeObject<halvern::List>();
    for (const auto& i : items) {
      com::Ref<halvern::Dictionary> d = com::makeObject<halvern::Dictionary>();
      d->setItem("FCostObjID", i[0]);
      d->setItem("FStandardData", i[1]);
      d->setItem("FCostItemID", i[2]);
      list->add(com::Variant(com::Ref<com::Dispatch>(d)));
    }
    return com::Variant(com::Ref<com::Dispatch>(list));
  }
};

TEST_P(LineDistributionTest, SharedLineByTheChosenStandard) {
  const Rows spread{"C101 4 0.05 4 1 R 10 0", "C102 3 0.03 3 1 R 10 0", "C103 3 0.03 3 1 R 10 0"};
  EXPECT_EQ(preview({.standard = 10, .standardName = "R"}), spread) << "picked by the user";
  distributed(ownTable(), 900, 1, 101, 11);
  EXPECT_EQ(preview({.standard = 10, .standardName = "R"}), spread)
      << "the user's pick beats the saved standard";
  exec("UPDATE " + ownTable() + " SET FStdID = 10");
  setting(11);
  EXPECT_EQ(preview(), spread) << "the saved standard, without asking the department's setting";
}

TEST_P(LineDistributionTest, TheDepartmentsSettingWhenNothingIsSaved) {
  const Rows spread{"C101 4 0.05 4 1 R 10 0", "C102 3 0.03 3 1 R 10 0", "C103 3 0.03 3 1 R 10 0"};
  EXPECT_EQ(previewError().number, -1) << "no setting: standard 0, which does not exist";
  setting(10);
  EXPECT_EQ(preview(), spread);
  exec("UPDATE cbExpStandardSet SET FStandardID = -999 UPDATE t_ICItem SET FCBBMStandardID = 10");
  if (!waste()) {
    EXPECT_EQ(preview(),
              (Rows{"C101 4 0.05 4 1 甲 10 0", "C102 3 0.03 3 1 甲 10 0", "C103 3 0.03 3 1 甲 10 0"}))
        << "each item's own standard, named as the material's standard list names it";
  }
  exec("UPDATE t_ICItem SET FCBBMStandardID = 0");
  com::ExcepInfo e = previewError();
  EXPECT_EQ(e.number, 5);
  EXPECT_EQ(e.description, waste() ? "Department Dept 1: no allocation standard for shared material of waste "
                                     "losses is set."
                                   : "Department Dept 1: no allocation standard for shared material is set.");
}

TEST_P(LineDistributionTest, WasteLinesTakeTheirItemsStandardOfWasteUse) {
  setting(-999);
  exec("UPDATE t_ICItem SET FCBBMStandardID = 10 UPDATE ICStockBill SET FPurposeID = 12001");
  snapshot();
  if (waste()) {
    EXPECT_EQ(preview().size(), 3u) << "the line is of waste use";
  } else {
    EXPECT_EQ(previewError().number, 5) << "no shared line of normal use names the item";
  }
}

TEST_P(LineDistributionTest, DirectLineGoesWholeToItsCostObject) {
  EXPECT_EQ(preview({.entry = 2}), Rows{"C101 0 30 3 1  0 101"});
  EXPECT_EQ(preview({.entry = 3}), Rows{"C102 0 0 5 1  0 102"}) << "a quantity without amount stays";
  exec("DELETE FROM CBInQty DELETE FROM cbWasterCostObjInfo");
  com::ExcepInfo e = previewError({.entry = 2});
  EXPECT_EQ(e.number, -1);
  EXPECT_EQ(e.description, waste()
                               ? "The bill's department or cost object has no repairable-waste output this "
                                 "period: the waste material expense cannot be distributed!"
                               : "The bill's department and cost object are not in production this period: "
                                 "the expense cannot be distributed!");
  EXPECT_EQ(preview({.entry = 2, .vector = vector({})}), Rows{"C101 0 30 3 NULL  0 101"})
      << "with the client's vector no guard runs and no cost item is set";
}

TEST_P(LineDistributionTest, DirectWasteLineAsksTheDepartmentsSetting) {
  setting(-999);
  if (waste()) {
    EXPECT_EQ(previewError({.entry = 2}).number, 5);
  } else {
    EXPECT_EQ(preview({.entry = 2}).size(), 1u);
  }
}

TEST_P(LineDistributionTest, ClientsStandardQuantities) {
  const com::Variant v = vector({{103, 3, 2}, {101, 4, 2}, {102, "3", 2}});
  // The normal class puts the difference on the largest standard quantity,
  // the waste class on the first row.
  EXPECT_EQ(preview({.vector = v}),
            waste() ? (Rows{"C101 4 0.04 4 2  0 0", "C102 3 0.03 3 2  0 0", "C103 3 0.04 3 2  0 0"})
                    : (Rows{"C101 4 0.05 4 2  0 0", "C102 3 0.03 3 2  0 0", "C103 3 0.03 3 2  0 0"}));
  EXPECT_EQ(preview({.vector = vector({{101, 0, 0}, {102, 0, 0}})}),
            waste() ? (Rows{"C101 0 0 0 0  0 0", "C102 0 0 0 0  0 0"}) : Rows{})
      << "zero weights leave no difference placed";
  EXPECT_EQ(preview({.vector = vector({{101, 0, 0}})}), Rows{"C101 0 0.11 10 0  0 0"})
      << "a single row takes the whole line";
  com::ExcepInfo e = previewError({.vector = vector({{101, 1, 0}, {"102; DROP TABLE t_ICItem", 1, 0}})});
  EXPECT_EQ(e.number, 13);
  EXPECT_EQ(e.description, "vctData item 2's FCostObjID is not a number: \"102; DROP TABLE t_ICItem\"");
}

TEST_P(LineDistributionTest, HalvesRoundToEven) {
  exec("UPDATE cb_ICStockBillEntry SET FAmount = 0.25, FQty = 0.05 WHERE FEntryID = 1");
  EXPECT_EQ(preview({.vector = vector({{101, 1, 0}, {102, 1, 0}})}),
            (Rows{"C101 1 0.13 0.03 0  0 0", "C102 1 0.12 0.02 0  0 0"}));
}

TEST_P(LineDistributionTest, CostItemsOfTheRows) {
  setting(10);
  distributed(ownTable(), 900, 1, 102, 10, 2, 3);
  exec(
      "INSERT INTO cbExpense (FItemID, FNumber, FCostItemID) VALUES (1, '5001', 2)"
      " UPDATE t_ICItem SET FCostProject = 1");
  const struct {
    const char* what;
    const char* change;
    bool refresh;
    Rows items;  // cost object and cost item
  } cases[] = {
      {"the item's own", "", true, {"C101 1", "C102 1", "C103 1"}},
      {"the saved ones unless refreshed", "", false, {"C101 1", "C102 2", "C103 1"}},
      {"the material expense's",
       "UPDATE t_ICItem SET FCostProject = 7",
       true,
       {"C101 2", "C102 2", "C103 2"}},
      {"the material cost item", "DELETE FROM cbExpense", true, {"C101 1", "C102 1", "C103 1"}},
  };
  for (const auto& c : cases) {
    exec(c.change);
    EXPECT_EQ(rows(call("GetMaterielExpenseDistribute", args({.refresh = c.refresh})),
                   {"FCostObjNumber", "FCostItemID"}),
              c.items)
        << c.what;
  }
}

TEST_P(LineDistributionTest, ConstantTextColumnsAndAMissingLine) {
  exec("UPDATE t_Department SET FName = N'O''Brien' UPDATE t_ICItem SET FName = N'M''s'");
  EXPECT_EQ(rows(call("GetMaterielExpenseDistribute",
                      args({.standard = 10, .standardName = "R", .billNo = "SOUT-'900"})),
                 {"FDeptName", "FDeptNumber", "FStandardName", "FMaterielName", "FMaterielNumber"}),
            Rows(3, "O'Brien D1 R M's I500"));
  com::Variant answer = call("GetMaterielExpenseDistribute", args({.entry = 2, .billNo = "SOUT-'900"}));
  auto& rs = dynamic_cast<ado::Recordset&>(*answer.toObject().get());
  EXPECT_EQ(rs.fieldCount(), waste() ? 16u : 18u);
  if (!waste()) {
    EXPECT_EQ(rs.value("FBillNo").toString(), "SOUT-'900");
  }
  com::ExcepInfo e = previewError({.entry = 9, .billNo = "SOUT-900"});
  EXPECT_EQ(e.number, 5);
  EXPECT_EQ(e.description, "Bill [SOUT-900] has been deleted or does not exist.");
}

INSTANTIATE_TEST_SUITE_P(BothClasses, LineDistributionTest,
                         ::testing::Values("Marlstone.ConcludeInfo", "Marlstone.WConcludeInfo"));

}  // namespace
}  // namespace mls::testing

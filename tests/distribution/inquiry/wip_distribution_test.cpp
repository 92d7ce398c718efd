// ConcludeUpdate.DispOnlineMateriel: the period's work-in-process lines spread
// over the cost objects that consumed their material, with the all-online cut,
// the rounding row, the lines each call takes and the rows' cost items.
// (Its invariant on generated plants is checked by the whole period close,
// tests/tools.)
#include "frame/sql_literal.h"
#include "support/erp_rows.h"
#include "support/public_class_test.h"

namespace mls::testing {
namespace {

using frame::sqlNumber;
using Rows = std::vector<std::vector<std::string>>;

constexpr int kDept = 1;
constexpr int kMaterial = 100;

struct WipLine {
  int entry = 1;
  double qty = 0;
  double amount = 0;
  int costObj = 0;
  int group = 0;
  int costItem = 0;
  int material = kMaterial;
  int bill = 1;
};

struct Consumer {
  int costObj = 0;
  double qty = 0;     // its input of the material (beginning WIP)
  double amount = 0;  // and its amount
  double completed = 0;
  double wip = 0;
};

// Calls go to ConcludeUpdate.  Cost object 900 of sub-item 5 is in production,
// so the distribution runs; the snapshot of (2024, 3) is taken.
class WipTest : public PublicClassTest, public ErpRows {
 protected:
  void SetUp() override {
    open("Marlstone.ConcludeUpdate");
    db_.setPeriods(12, 2024, 1, 2024, 3);
    item(kMaterial, 0);
    costObject(900, 906, 0);
    exec("UPDATE cbCostObj SET FStdSubItemID = 5");
    exec("INSERT INTO CBInQty (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (2024, 3, 1, 900, 1)");
    exec(
        "INSERT INTO cbCostItem (FItemID, FNumber, FTypeID) VALUES (8, '02', 901), (7, '01', 901), (6, '00', "
        "902)");
    call("GetICStockBillDataForCB", {2024, 3});
  }

  void exec(const std::string& sql) const override { db_.run(sql); }

  void wip(const WipLine& l) const {
    if (db_.run("SELECT 1 FROM CBProductMatWip WHERE FID = " + sqlNumber(l.bill)).empty())
      exec("INSERT INTO CBProductMatWip (FID, FYear, FPeriod) VALUES (" + sqlNumber(l.bill) + ", 2024, 3)");
    exec(
        "INSERT INTO CBProductMatWipEntry (FID, FEntryID, FDeptID, FMaterielID, FCostObjID, FCostGroupID, "
        "FCostItemID, FQty, FAmount) VALUES (" +
        sqlNumber(l.bill) + ", " + sqlNumber(l.entry) + ", " + sqlNumber(kDept) + ", " +
        sqlNumber(l.material) + ", " + sqlNumber(l.costObj) + ", " + sqlNumber(l.group) + ", " +
        sqlNumber(l.costItem) + ", " + sqlNumber(l.qty) + ", " + sqlNumber(l.amount) + ")");
  }

  void consumer(const Consumer& c, int material = kMaterial) const {
    if (db_.run("SELECT 1 FROM cbCostObj WHERE FItemID = " + sqlNumber(c.costObj)).empty())
      costObject(c.costObj, 906, 0);
    const std::string keys = "2024, 3, " + sqlNumber(kDept) + ", " + sqlNumber(c.costObj);
    exec(
        "INSERT INTO CBCostObjDetail (FYear, FPeriod, FDepID, FCostObjID, FMaterielID, FQty, FSum) VALUES (" +
        keys + ", " + sqlNumber(material) + ", " + sqlNumber(c.qty) + ", " + sqlNumber(c.amount) + ")");
    if (db_.run("SELECT 1 FROM cbCompleteQty WHERE FCostObjID = " + sqlNumber(c.costObj)).empty()) {
      exec("INSERT INTO cbCompleteQty (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (" + keys + ", " +
           sqlNumber(c.completed) + ")");
      exec("INSERT INTO cbCostObjCheck (FYear, FPeriod, FDeptID, FCostObjID, FQty) VALUES (" + keys + ", " +
           sqlNumber(c.wip) + ")");
    }
  }

  void dispatch(std::vector<com::Variant> args = {2024, 3}) { call("DispOnlineMateriel", std::move(args)); }

  // Entry, cost object, weight, quantity, amount of the written rows.
  Rows written(const std::string& columns = "FEntryID, FCostObjID, FStandardData, FQty, FAmount") const {
    return db_.texts("SELECT " + columns +
                     " FROM CBOnlineMaterielDispInfo ORDER BY FEntryID, FCostObjID, FID");
  }
};

TEST_F(WipTest, ASharedLineGoesByTheWipPartOfEachConsumersInput) {
  // A: input 100, completed 60, WIP 40: weight 100 x 40 / 100 = 40; B: 50 x 25 / 50 = 25.
  consumer({.costObj = 10, .qty = 100, .amount = 1000, .completed = 60, .wip = 40});
  consumer({.costObj = 11, .qty = 50, .amount = 600, .completed = 25, .wip = 25});
  wip({.qty = 13, .amount = 999});
  dispatch();
  // By quantity the amount is the quantity at the consumer's average input price.
  EXPECT_EQ(written(), (Rows{{"1", "10", "40", "8", "80"}, {"1", "11", "25", "5", "60"}}));
  EXPECT_EQ(written("FInterID, FPrice, FCostItemID"), (Rows{{"1", "10", "7"}, {"1", "12", "7"}}));
}

TEST_F(WipTest, TheRoundingDifferenceGoesToTheHeaviestRowThenTheLastOne) {
  struct Case {
    const char* checkType;
    double firstInput;  // consumer 10's input (11 and 12: 10); each half completed, half in process
    Rows rows;          // cost object, quantity, amount
  };
  const Case cases[] = {
      // 10 / 3 = 3 each; the missing 1 goes to the last row of equal weight.
      {"0", 10, {{"10", "3", "30"}, {"11", "3", "30"}, {"12", "4", "40"}}},
      // 5, 2.5 -> 3, 3: the one too many comes off the heaviest row.
      {"0", 20, {{"10", "4", "40"}, {"11", "3", "30"}, {"12", "3", "30"}}},
      // By amount: 100 / 3 = 33.33 each, the cent to the last; quantities from the price.
      {"1", 10, {{"10", "3", "33.33"}, {"11", "3", "33.33"}, {"12", "3", "33.34"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.checkType + std::string(" ") + std::to_string(c.firstInput));
    exec(
        "DELETE FROM CBOnlineMaterielDispInfo DELETE FROM CBCostObjDetail DELETE FROM cbCompleteQty "
        "DELETE FROM cbCostObjCheck DELETE FROM CBProductMatWipEntry");
    db_.setProfile("CB", "MaterielWIPCheckType", c.checkType);
    for (int i = 0; i < 3; ++i) {
      const double input = i == 0 ? c.firstInput : 10;
      consumer({.costObj = 10 + i, .qty = input, .amount = 10 * input, .completed = 10, .wip = 10});
    }
    wip({.qty = 10, .amount = 100});
    dispatch();
    EXPECT_EQ(written("FCostObjID, FQty, FAmount"), c.rows);
  }
}

TEST_F(WipTest, AllOnlineConsumersTakeTheirInputInRowOrderBeforeTheOthersShare) {
  // X: nothing completed, input 10 (amount 50): all its input is in process.
  // Y: input 100, completed 50, WIP 50.  Two shared lines claim X's input.
  struct Case {
    double first, second;
    Rows rows;  // entry, cost object, quantity, amount
  };
  const Case cases[] = {
      // Claims 6 and 7: X ends with 6 and 4, Y takes what the lines have left.
      {6, 7, {{"1", "20", "0", "0"}, {"1", "21", "6", "30"}, {"2", "20", "3", "30"}, {"2", "21", "4", "20"}}},
      // Claims 3 and 4 fall short: X's last row takes the rest of its input; Y gets nothing of line 2.
      {3, 4, {{"1", "20", "0", "0"}, {"1", "21", "3", "15"}, {"2", "20", "0", "0"}, {"2", "21", "7", "35"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.first);
    exec("DELETE FROM CBOnlineMaterielDispInfo DELETE FROM CBCostObjDetail DELETE FROM CBProductMatWipEntry");
    consumer({.costObj = 20, .qty = 100, .amount = 1000, .completed = 50, .wip = 50});
    consumer({.costObj = 21, .qty = 10, .amount = 50, .completed = 0, .wip = 0});
    wip({.entry = 1, .qty = c.first, .amount = 1});
    wip({.entry = 2, .qty = c.second, .amount = 1});
    dispatch();
    EXPECT_EQ(written("FEntryID, FCostObjID, FQty, FAmount"), c.rows);
  }
  // Two all-online consumers with input amounts 30 and 10 claim 3/4 and 1/4 of a line.
  exec("DELETE FROM CBOnlineMaterielDispInfo DELETE FROM CBCostObjDetail DELETE FROM CBProductMatWipEntry");
  consumer({.costObj = 22, .qty = 15, .amount = 30});
  consumer({.costObj = 23, .qty = 5, .amount = 10});
  wip({.qty = 20, .amount = 1});
  dispatch();
  EXPECT_EQ(written("FCostObjID, FStandardData, FQty"), (Rows{{"22", "0", "15"}, {"23", "0", "5"}}));
}

TEST_F(WipTest, TheLinesEachCallTakesAndWhoReceivesThem) {
  // Consumers 30 and 31 of material 100 (31 in group 5), and a product 200
  // received in the period and costed at level 1 that 30 also consumed.
  // Cost items: line 1 names 8, material 200 has 6, the first material item
  // by number is 7.
  item(200, 0);
  exec("UPDATE t_ICItem SET FCostProject = 6 WHERE FItemID = 200");
  exec("INSERT INTO CB_CostObjGroup_Detail (FCostObjGroupID, FCostObjID) VALUES (5, 31)");
  department(kDept, 361);
  bill({.id = 1, .type = 2});
  line(1, 1, 200, 4);
  call("GetICStockBillDataForCB", {2024, 3});
  exec(
      "INSERT INTO cbProductCalInfo (FYear, FPeriod, FDeptID, FCostObjID, FProductID, FLevel) VALUES "
      "(2024, 3, 1, 30, 200, 1)");
  consumer({.costObj = 30, .qty = 10, .amount = 10, .completed = 5, .wip = 5});
  consumer({.costObj = 31, .qty = 10, .amount = 10, .completed = 5, .wip = 5});
  consumer({.costObj = 30, .qty = 10, .amount = 10}, 200);
  costObject(99, std::nullopt, 0);
  exec("UPDATE cbCostObj SET FNumber = 'MaterielShareID' WHERE FItemID = 99");
  wip({.entry = 1, .qty = 4, .amount = 4, .costItem = 8});  // shared
  wip({.entry = 2, .qty = 4, .amount = 4, .costObj = 99});  // shared through the marker
  wip({.entry = 3, .qty = 4, .amount = 4, .costObj = 30});  // direct
  wip({.entry = 4, .qty = 4, .amount = 4, .group = 5});     // shared in group 5
  wip({.entry = 5, .qty = 0, .amount = 4});                 // no quantity: left out
  wip({.entry = 6, .qty = 4, .amount = 4, .material = 200});
  wip({.entry = 7, .qty = 4, .amount = 4, .material = 200, .bill = 2});  // a bill of another period
  exec("UPDATE CBProductMatWip SET FPeriod = 2 WHERE FID = 2");
  const Rows shared{{"1", "30"}, {"1", "31"}, {"2", "30"}, {"2", "31"}, {"3", "30"}, {"4", "31"}};
  dispatch();
  EXPECT_EQ(written("FEntryID, FCostObjID"), shared);
  dispatch({2024, 3, 1});
  EXPECT_EQ(written("FEntryID, FCostObjID").back(), (std::vector<std::string>{"6", "30"}));
  EXPECT_EQ(
      db_.texts("SELECT DISTINCT FEntryID, FCostItemID FROM CBOnlineMaterielDispInfo ORDER BY FEntryID"),
      (Rows{{"1", "8"}, {"2", "7"}, {"3", "7"}, {"4", "7"}, {"6", "6"}}));

  // Without a MaterielShareID object a line naming a cost object stays direct.
  exec("DELETE FROM CBOnlineMaterielDispInfo DELETE FROM cbCostObj WHERE FItemID = 99");
  dispatch({2024, 3, 0});
  EXPECT_EQ(written("FEntryID, FCostObjID"),
            (Rows{{"1", "30"}, {"1", "31"}, {"2", "99"}, {"3", "30"}, {"4", "31"}}));
}

TEST_F(WipTest, RepeatedCallsAddRowsUntilThePeriodIsResetAndTheGateStopsThem) {
  consumer({.costObj = 10, .qty = 10, .amount = 10, .completed = 5, .wip = 5});
  wip({.qty = 4, .amount = 4});
  dispatch();
  dispatch();
  EXPECT_EQ(written("FCostObjID").size(), 2u);
  call("DeleteCalInfo", {2024, 3});
  EXPECT_TRUE(written().empty());
  // Without a cost object of sub-item 5 in production nothing is distributed.
  exec("UPDATE CBInQty SET FQty = 0");
  dispatch();
  EXPECT_TRUE(written().empty());
}

}  // namespace
}  // namespace mls::testing

// AutoDis's direct rows: the rows the creator writes for listed lines, and
// the refresh of existing direct rows from the live bills.
#include "writers_fixture.h"

namespace mls::testing {
namespace {

class DirectRowsTest : public WritersTest {
 protected:
  void SetUp() override {
    setUpFor("Marlstone.AutoDis");
    exec(
        "INSERT INTO cbCostItem (FItemID, FNumber, FName, FTypeID) VALUES (5, '05', 'Material', 901)\r\n"
        "INSERT INTO cbStandardSet (FDeptID, FExpID, FStandardID) VALUES (1, 2, 8), (1, 1, 7)");
  }
  // A bill's rows: cost object, standard, standard data, cost item, quantity, price, amount.
  Rows described(const std::string& table, int bill) const {
    return db_.texts("SELECT FCostObjID, FStdID, " + num("FStandardData") + ", FCostItemID, " + num("FQty") +
                     ", " + num("FPrice") + ", " + num("FAmount") + " FROM " + table +
                     " WHERE FInterID = " + std::to_string(bill) + " ORDER BY FEntryID, FCostObjID");
  }
};

// A line listed twice, or listed again, keeps one row; its cost item is the
// item's own, else expense 5001's, else the first material cost item; a pair
// naming no snapshot line is passed over.
TEST_F(DirectRowsTest, TheCreatorWritesOneRowPerListedLine) {
  issue({.id = 1}, {{.entry = 1, .qty = 4, .amount = 10, .costObj = 101},
                    {.entry = 2, .item = 501, .qty = 2, .amount = 3, .costObj = 102},
                    {.entry = 3, .item = 502, .qty = 3, .amount = 3, .costObj = 103, .planPrice = 2.5}});
  exec(
      "INSERT INTO t_ICItemMaterial (FItemID, FCostProject, FTrack) VALUES (500, 3, 0), (501, NULL, 0), "
      "(502, NULL, 81)");
  db_.setProfile("CB", "MatCalStyle", "1");
  snapshot();
  row("cbMaterielInfo", {.costObj = 109, .standard = 1, .qty = 4, .amount = 10});
  call("AutoDisDirctMaterielExpByInterID", {2024, 3, 0, pairs({{1, 1}, {1, 3}, {1, 1}, {9, 9}})});
  exec("INSERT INTO cbExpense (FItemID, FNumber, FCostItemID) VALUES (1, '5001', 6)");
  call("AutoDisDirctMaterielExpByInterID", {2024, 3, 0, pairs({{1, 1}, {1, 2}})});
  EXPECT_EQ(described("cbMaterielInfo", 1), (Rows{{"101", "7", "0", "3", "4", "2.5", "10"},
                                                  {"102", "7", "0", "6", "2", "1.5", "3"},
                                                  {"103", "7", "0", "5", "3", "2.5", "7.5"}}));
  EXPECT_EQ(db_.texts("SELECT COUNT(*) FROM cbMaterielInfo WHERE FInterID = 9"), (Rows{{"0"}}));
}

// Live lines issuing the level's product 500: a line with one direct row
// takes the bill's numbers and keeps the row's identifiers; a line spread by
// a standard, or of another product, is left alone; the residual-value rows
// take price and amount only.
TEST_F(DirectRowsTest, TheRefreshBringsDirectRowsInLineWithTheBills) {
  issue({.id = 1}, {{.entry = 1, .qty = 4, .amount = 10, .costObj = 101},
                    {.entry = 3, .qty = 2, .amount = 6, .costObj = 102},
                    {.entry = 4, .item = 501, .qty = 2, .amount = 6, .costObj = 102}});
  issue({.id = 2, .purpose = 12002}, {{.qty = 5, .amount = 20, .costObj = 101}});
  exec("INSERT INTO cbProductCalInfo (FYear, FPeriod, FLevel, FProductID) VALUES (2024, 3, 1, 500)");
  row("cbMaterielInfo", {.costObj = 103, .qty = 1, .amount = 1, .costItem = 4});
  row("cbMaterielInfo", {.entry = 3, .costObj = 102, .standard = 2, .qty = 2, .amount = 1});
  row("cbMaterielInfo", {.entry = 4, .costObj = 102, .qty = 1, .amount = 1});
  row("CBWBMaterielInfo", {.interId = 2, .qty = 5, .amount = 1});
  call("DistributeDirctMaterielExpByLevel", {2024, 3, 0, 1});
  EXPECT_EQ(described("cbMaterielInfo", 1), (Rows{{"103", "9", "0", "4", "4", "2.5", "10"},
                                                  {"102", "9", "2", "1", "2", "0", "1"},
                                                  {"102", "9", "0", "1", "1", "0", "1"}}));
  call("DistributeDirctMaterielExpLeaveIn", {2024, 3, 2, "v1.FItemID=500"});
  EXPECT_EQ(rowsOf("CBWBMaterielInfo", 2, 1, true), (Rows{{"101", "5", "20", "4"}}));
}

// A list that is not one of lines, or a type the refresh has no table for,
// is refused before anything is written.
TEST_F(DirectRowsTest, BadArgumentsAreRefused) {
  issue({.id = 1}, {{.qty = 4, .amount = 10, .costObj = 101}});
  row("cbMaterielInfo", {.qty = 1, .amount = 1});
  com::Variant text = pairs({{1, 1}});
  text.array().at({1, 0}) = com::Variant("one");
  for (const char* member : {"AutoDisDirctMaterielExpByInterID", "DistributeShareMaterielExpByInterID"}) {
    EXPECT_EQ(failure(member, {2024, 3, 0, text}).number, 13) << member;
    EXPECT_EQ(failure(member, {2024, 3, 0, com::Variant(1)}).number, 13) << member;
  }
  const com::ExcepInfo e = failure("DistributeDirctMaterielExpLeaveIn", {2024, 3, 3, "1=1"});
  EXPECT_EQ(e.number, 5);
  EXPECT_EQ(e.description, "iTypeID must be 0, 1 or 2, not 3");
  EXPECT_EQ(rowsOf("cbMaterielInfo", 1), (Rows{{"101", "1", "1"}}));
}

}  // namespace
}  // namespace mls::testing

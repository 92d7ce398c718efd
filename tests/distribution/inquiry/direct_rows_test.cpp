// AutoDis's direct rows: the rows the creator writes for listed lines, and
// the refresh of existing direct rows from the live bills.
#include "frame/sql_literal.h"
#include "support/com_errors.h"
#include "writers_fixture.h"

namespace mls::testing {
namespace {

using frame::sqlNumber;

class DirectRowsTest : public WritersTest {
 protected:
  void SetUp() override {
    setUpFor("Marlstone.AutoDis");
    exec(
        "INSERT INTO cbCostItem (FItemID, FNumber, FName, FTypeID) VALUES (5, '05', 'Material', 901)\r\n"
        "INSERT INTO cbStandardSet (FDeptID, FExpID, FStandardID) VALUES (1, 2, 8), (1, 1, 7)");
  }
  // The line's rows with their standard, standard data, cost item and price.
  Rows described(const std::string& table, int bill) const {
    return db_.texts(
        "SELECT FCostObjID, FStdID, CAST(CAST(FStandardData AS FLOAT) AS VARCHAR(20)), FCostItemID, "
        "CAST(CAST(FQty AS FLOAT) AS VARCHAR(20)), CAST(CAST(FPrice AS FLOAT) AS VARCHAR(20)), "
        "CAST(CAST(FAmount AS FLOAT) AS VARCHAR(20)) FROM " +
        table + " WHERE FInterID = " + sqlNumber(bill) + " ORDER BY FEntryID, FCostObjID");
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
      "(502, "
      "NULL, 81)");
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
  call("AutoDisDirctMaterielExpByInterID", {2024, 3, 2, pairs({{1, 1}})});
  EXPECT_EQ(rowsOf("cbWMaterielInfo", 1), (Rows{{"101", "4", "10"}}));
}

struct BadList {
  const char* name;
  com::Variant list;
  int32_t error;
};

class BadListTest : public DirectRowsTest, public ::testing::WithParamInterface<BadList> {};

TEST_P(BadListTest, IsRefusedBeforeAnythingIsWritten) {
  row("cbMaterielInfo", {.qty = 4, .amount = 10});
  for (const char* member : {"AutoDisDirctMaterielExpByInterID", "DistributeShareMaterielExpByInterID"})
    EXPECT_EQ(failure(member, {2024, 3, 0, GetParam().list}).number, GetParam().error) << member;
  EXPECT_EQ(rowsOf("cbMaterielInfo", 1), (Rows{{"101", "4", "10"}}));
}

com::Variant oneField() {
  com::SafeArray a({{0, 1}, {0, 1}});
  a.at({0, 0}) = com::Variant(1);
  return com::Variant(std::move(a));
}
com::Variant textEntry() {
  com::Variant v = pairs({{1, 1}});
  v.array().at({1, 0}) = com::Variant("one");
  return v;
}

INSTANTIATE_TEST_SUITE_P(Lists, BadListTest,
                         ::testing::Values(BadList{"NoArray", com::Variant(1), 13},
                                           BadList{"OneField", oneField(), 9},
                                           BadList{"TextEntry", textEntry(), 13}),
                         [](const auto& i) { return std::string(i.param.name); });

// Live lines of department 1 issuing the level's product 500: a line with
// one direct row takes the bill's numbers and keeps the row's identifiers;
// a line without rows, or spread by a standard, is left alone; lines of
// another purpose are not the refresh's.
TEST_F(DirectRowsTest, TheRefreshBringsDirectRowsInLineWithTheBills) {
  issue({.id = 1}, {{.entry = 1, .qty = 4, .amount = 10, .costObj = 101},
                    {.entry = 2, .qty = 2, .amount = 6, .costObj = 102},
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

TEST_F(DirectRowsTest, ATypeOutsideZeroToTwoIsRefused) {
  issue({.id = 1}, {{.qty = 4, .amount = 10, .costObj = 101}});
  row("CBWBMaterielInfo", {.qty = 1, .amount = 1});
  const com::ExcepInfo e = failure("DistributeDirctMaterielExpLeaveIn", {2024, 3, 3, "1=1"});
  EXPECT_EQ(e.number, 5);
  EXPECT_EQ(e.description, "iTypeID must be 0, 1 or 2, not 3");
  EXPECT_EQ(rowsOf("CBWBMaterielInfo", 1), (Rows{{"101", "1", "1"}}));
}

}  // namespace
}  // namespace mls::testing

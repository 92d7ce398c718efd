// ConcludeUpdate's saving of a line's rows, the re-split of saved rows for a
// new total, and the clearing of a period's rows.
#include "platform/halvern/dictionary.h"
#include "platform/halvern/list.h"
#include "writers_fixture.h"

namespace mls::testing {
namespace {

// A record of line (1, entry): standard 4 of data 2.5, price 1.25, cost item 2.
com::Variant record(int entry, int costObj, com::Variant qty, double amount, const char* without = "") {
  com::Ref<com::Dispatch> d = halvern::createDictionary();
  auto* dict = dynamic_cast<halvern::Dictionary*>(d.get());
  const char* keys[] = {"FStandardID", "FStandardData", "FInterID", "FEntryID",   "FCostObjID",
                        "FQty",        "FPrice",        "FAmount",  "FCostItemID"};
  const com::Variant values[] = {4, 2.5, 1, entry, costObj, qty, 1.25, amount, 2};
  for (size_t i = 0; i < std::size(keys); ++i)
    if (std::string(keys[i]) != without) dict->setItem(keys[i], values[i]);
  return com::Variant(d);
}
com::Variant list(const std::vector<com::Variant>& records) {
  com::Ref<com::Dispatch> l = halvern::createList();
  for (const com::Variant& r : records)
    dynamic_cast<halvern::List*>(l.get())->add(r);
  return com::Variant(l);
}

class SavedRowsTest : public WritersTest {
 protected:
  void SetUp() override { setUpFor("Marlstone.ConcludeUpdate"); }
};

// The line's rows of every period give way to the records, each under the
// line it names; a record of another line leaves that line's old rows.
TEST_F(SavedRowsTest, ASaveReplacesTheLinesRowsByTheRecords) {
  row("cbMaterielInfo", {.costObj = 103, .qty = 9, .amount = 9});
  row("cbMaterielInfo", {.costObj = 103, .qty = 9, .amount = 9, .period = 2});
  row("cbMaterielInfo", {.entry = 2, .costObj = 103, .qty = 1, .amount = 1});
  call(
      "SaveMaterielDistribute",
      {2024, 3, 1, 1, list({record(1, 101, 2, 2.5), record(1, 102, "3", 3.75), record(2, 101, 1, 1.25)}), 0});
  EXPECT_EQ(rowsOf("cbMaterielInfo", 1), (Rows{{"101", "2", "2.5"}, {"102", "3", "3.75"}}));
  EXPECT_EQ(rowsOf("cbMaterielInfo", 1, 1, false, 2), Rows{});
  EXPECT_EQ(rowsOf("cbMaterielInfo", 1, 2), (Rows{{"101", "1", "1.25"}, {"103", "1", "1"}}));
  EXPECT_EQ(db_.texts("SELECT FStdID, CAST(FStandardData AS FLOAT), FCostItemID FROM cbMaterielInfo WHERE "
                      "FCostObjID = 102"),
            (Rows{{"4", "2.5", "2"}}));
}

// A list that cannot be written loses nothing: Nothing (91), a record
// without a key (5), a value too large for its column (the database's error,
// after the first record was inserted).
TEST_F(SavedRowsTest, ABadListLeavesTheLinesRows) {
  row("cbMaterielInfo", {.costObj = 103, .qty = 9, .amount = 9});
  for (const auto& [records, error] : {std::pair{com::Variant::nothing(), 91},
                                       {list({record(1, 102, 1, 1), record(1, 101, 1, 1, "FAmount")}), 5},
                                       {list({record(1, 101, 1, 1), record(1, 102, 1e20, 1)}), 0}}) {
    const int32_t number = failure("SaveMaterielDistribute", {2024, 3, 1, 1, records, 0}).number;
    EXPECT_EQ(error == 0 ? 0 : number, error);
    EXPECT_EQ(rowsOf("cbMaterielInfo", 1), (Rows{{"103", "9", "9"}})) << error;
  }
}

// Saved rows of standards 0, 1, 1, 1 split 10.00 and 1.00: the cent goes to
// the first row of the largest standard, never to the row of standard 0,
// and that row keeps the price found before; the period before stays.  A
// split to nothing is refused.
TEST_F(SavedRowsTest, ANewTotalIsSplitByTheSavedStandards) {
  row("cbMaterielInfo", {.costObj = 109, .standard = 0, .qty = 5, .amount = 5});
  for (int c : {103, 101, 102})
    row("cbMaterielInfo", {.costObj = c, .standard = 1, .qty = 5, .amount = 5});
  row("cbMaterielInfo", {.costObj = 101, .standard = 1, .qty = 7, .amount = 7, .period = 2});
  call("DistributeMaterielExpense", {1, 1, 2, 4, 10.0, 1.0});
  const Rows split{{"101", "0.33", "3.33", "10.0909"},
                   {"102", "0.33", "3.33", "10.0909"},
                   {"103", "0.34", "3.34", "10.0909"},
                   {"109", "0", "0", "0"}};
  EXPECT_EQ(rowsOf("cbMaterielInfo", 1, 1, true), split);
  EXPECT_EQ(rowsOf("cbMaterielInfo", 1, 1, false, 2), (Rows{{"101", "7", "7"}}));
  const com::ExcepInfo e = failure("DistributeMaterielExpense", {1, 1, 2, 4, 0.0, 1.0});
  EXPECT_EQ(e.number, -1);
  EXPECT_EQ(e.description, "分配标准数值为零");
  EXPECT_EQ(failure("DistributeMaterielExpense", {1, 1, -1, 4, 10.0, 1.0}).number, 5);
  EXPECT_EQ(rowsOf("cbMaterielInfo", 1, 1, true), split);
}

// The filter picks among the valid issue lines of the snapshot only.
TEST_F(SavedRowsTest, AClearTakesThePeriodsRowsOfTheFilteredValidLines) {
  issue({.id = 1}, {{.qty = 1, .amount = 1}});
  issue({.id = 2, .cancellation = 1}, {{.qty = 1, .amount = 1}});
  issue({.id = 3}, {{.qty = 1, .amount = 1, .costObj = 91}});
  issue({.id = 5}, {{.qty = 1, .amount = 1}});
  snapshot();
  for (int bill : {1, 2, 3, 5})
    row("cbMaterielInfo", {.interId = bill, .qty = 1, .amount = 1});
  row("cbMaterielInfo", {.interId = 1, .qty = 1, .amount = 1, .period = 2});
  row("cbWMaterielInfo", {.interId = 1, .qty = 1, .amount = 1});
  call("ClearDistributeResult", {2024, 3, 0, " AND u1.FInterID<5"});
  const std::string left = "SELECT FInterID, FPeriod FROM cbMaterielInfo ORDER BY FInterID, FPeriod";
  EXPECT_EQ(db_.texts(left), (Rows{{"1", "2"}, {"2", "3"}, {"3", "3"}, {"5", "3"}}));
  call("ClearDistributeResult", {2024, 3, 0});
  EXPECT_EQ(db_.texts(left), (Rows{{"1", "2"}}));
  EXPECT_EQ(rowsOf("cbWMaterielInfo", 1), (Rows{{"101", "1", "1"}}));
}

}  // namespace
}  // namespace mls::testing

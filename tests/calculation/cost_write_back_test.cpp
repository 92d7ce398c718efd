// ConcludeUpdate.SetCostToDBByLevel and SetCostToDBByProduct: the unit costs
// written to the live receipt lines, the rounding difference, the lines that
// stay untouched, batch matching, units, the client's period dates, lines that
// changed since the snapshot, and the votes.
#include <algorithm>
#include <cmath>

#include "calc_fixture.h"
#include "frame/sql_literal.h"
#include "platform/com/registry.h"

namespace mls::testing {
namespace {

using com::Vote;
using frame::sqlNumber;
using frame::sqlText;

// March 2024, department 1.  Product 1 (price decimals 2) is received on
// bill 1 (two lines, the second in a unit of 12) and bill 2 (on the first
// day, with a batch number the untracked product ignores); bills 3 to 7 hold
// lines of product 1 that no write touches (cancelled, unchecked, department
// 2, dated on April 1st, an issue).  Product 2 (batch-tracked, 4 price
// decimals) has a line of batch O'Neil and one of B2 on bill 8; product 3
// (no price decimals) three lines on bill 9.  Every line starts at price 7,
// amount 7, auxiliary price 7.  Product cost rows: 60 + 40 for product 1 and
// 10 for product 2 batch O'Neil at level 1, 50 for product 3 at level 2.
class WriteBackTest : public CalcTest {
 protected:
  void SetUp() override {
    CalcTest::SetUp();
    department(1, 361);
    department(2, 361);
    item(1);
    item(2, std::nullopt, 80);
    item(3);
    exec("UPDATE t_ICItem SET FPriceDecimal = CASE FItemID WHEN 1 THEN 2 WHEN 2 THEN 4 END");
    exec("INSERT INTO t_MeasureUnit (FItemID, FCoefficient, FScale) VALUES (1, 1, 0), (2, 12, 0)");
    bill({.id = 1, .type = 2, .date = "2024-03-05"});
    receipt(1, 1, 1, 1);
    receipt(1, 2, 1, 1, "", 2);
    bill({.id = 2, .type = 2, .date = "2024-03-01"});
    receipt(2, 1, 1, 1, "X");
    bill({.id = 3, .type = 2, .cancellation = 1});
    bill({.id = 4, .type = 2, .status = 0});
    bill({.id = 5, .type = 2, .dept = 2});
    bill({.id = 6, .type = 2, .date = "2024-04-01"});
    bill({.id = 7, .type = 24});
    for (int id = 3; id <= 7; ++id)
      receipt(id, 1, 1, 1);
    bill({.id = 8, .type = 2});
    receipt(8, 1, 2, 2, "O'Neil");
    receipt(8, 2, 2, 3, "B2");
    bill({.id = 9, .type = 2});
    for (int entry = 1; entry <= 3; ++entry)
      receipt(9, entry, 3, 1);
    productCost(1, 1, "", 60);
    productCost(1, 1, "", 40);
    productCost(1, 2, "O'Neil", 10);
    productCost(2, 3, "", 50);
    snapshot(2024, 3);
  }

  void receipt(int interId, int entryId, int item, double qty, const std::string& batch = "",
               int unit = 1) const {
    exec(
        "INSERT INTO ICStockBillEntry (FInterID, FEntryID, FItemID, FQty, FBatchNo, FUnitID, FPrice, "
        "FAmount, FAuxPrice) VALUES (" +
        sqlNumber(interId) + ", " + sqlNumber(entryId) + ", " + sqlNumber(item) + ", " + sqlNumber(qty) +
        ", " + sqlText(batch) + ", " + sqlNumber(unit) + ", 7, 7, 7)");
  }
  void productCost(int level, int product, const std::string& batch, double amount) const {
    exec(
        "INSERT INTO cbProductCalInfo (FYear, FPeriod, FLevel, FDeptID, FCostObjID, FProductID, FBatchNo, "
        "FAmount) VALUES (2024, 3, " +
        sqlNumber(level) + ", 1, 1, " + sqlNumber(product) + ", " + sqlText(batch) + ", " +
        sqlNumber(amount) + ")");
  }
  // Bill, entry, price, amount and auxiliary price of the lines of `item`.
  Rows linesOf(int item) const {
    return rows(
        "SELECT FInterID, FEntryID, CONVERT(VARCHAR(40), CONVERT(DECIMAL(20,4), FPrice)), "
        "CONVERT(VARCHAR(40), CONVERT(DECIMAL(20,4), FAmount)), CONVERT(VARCHAR(40), CONVERT(DECIMAL(20,4), "
        "FAuxPrice)) FROM ICStockBillEntry WHERE FItemID = " +
        sqlNumber(item) + " ORDER BY FInterID, FEntryID");
  }

  void byProduct(int product, const std::string& batch, double amount, com::Variant dates = {}) {
    call("SetCostToDBByProduct", {2024, 3, product, 1, com::Variant(batch), amount, std::move(dates)});
  }
};

const char* const kUntouched[] = {"7.0000", "7.0000", "7.0000"};
Rows withUntouched(Rows written) {
  for (int id = 3; id <= 7; ++id)
    written.push_back({std::to_string(id), "1", kUntouched[0], kUntouched[1], kUntouched[2]});
  std::sort(written.begin(), written.end(),
            [](const auto& a, const auto& b) { return std::stoi(a[0]) < std::stoi(b[0]); });
  return written;
}

// 100.00 over three lines of 1: 33.33 each, the cent on the line with the
// greatest bill number among equal amounts; the line in a unit of 12 gets the
// price of 12.
const Rows kProduct1 = withUntouched({{"1", "1", "33.3300", "33.3300", "33.3300"},
                                      {"1", "2", "33.3300", "33.3300", "400.0000"},
                                      {"2", "1", "33.3300", "33.3400", "33.3300"}});
const Rows kProduct2 = {{"8", "1", "5.0000", "10.0000", "5.0000"}, {"8", "2", "7.0000", "7.0000", "7.0000"}};
// 50 over three: price rounded to whole units, 16.67 three times less 0.01.
const Rows kProduct3 = {{"9", "1", "17.0000", "16.6700", "17.0000"},
                        {"9", "2", "17.0000", "16.6700", "17.0000"},
                        {"9", "3", "17.0000", "16.6600", "17.0000"}};

TEST_F(WriteBackTest, ByLevelWritesEachGroupOfTheLevelAndAgainTheSame) {
  for (int run = 0; run < 2; ++run) {
    com::VoteRecorder votes;
    call("SetCostToDBByLevel", {2024, 3, 1});
    EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Complete});
    EXPECT_EQ(linesOf(1), kProduct1);
    EXPECT_EQ(linesOf(2), kProduct2);
    EXPECT_EQ(count("ICStockBillEntry", "FItemID = 3 AND FPrice = 7 AND FAmount = 7 AND FAuxPrice = 7"), 3);
  }
  call("SetCostToDBByLevel", {2024, 3, 2});
  EXPECT_EQ(linesOf(3), kProduct3);
}

TEST_F(WriteBackTest, ByProductWritesOneGroup) {
  byProduct(1, "", 100);
  EXPECT_EQ(linesOf(1), kProduct1);
  byProduct(2, "O'Neil", 10);
  byProduct(3, "", 50);
  EXPECT_EQ(linesOf(2), kProduct2);
  EXPECT_EQ(linesOf(3), kProduct3);
  // An untracked product matches only the batch ''.
  byProduct(1, "X", 1);
  EXPECT_EQ(linesOf(1), kProduct1);
}

TEST_F(WriteBackTest, TheClientsWindowReplacesThePeriodComponents) {
  com::Ref<com::Dispatch> d = com::createObject("Halvern.Dictionary");
  com::letProperty(*d, "Item", "lngISFindCurDate", 1);
  com::letProperty(*d, "Item", "datPeriodBeginDate", com::Variant("2024-03-02"));
  com::letProperty(*d, "Item", "datCurPeriodEndDate", com::Variant("2024-04-01"));
  // Bill 2 of March 1st is out: two lines of 1 share the 100.
  const Rows expected = withUntouched({{"1", "1", "50.0000", "50.0000", "50.0000"},
                                       {"1", "2", "50.0000", "50.0000", "600.0000"},
                                       {"2", "1", "7.0000", "7.0000", "7.0000"}});
  call("SetCostToDBByLevel", {2024, 3, 1, com::Variant(d)});
  EXPECT_EQ(linesOf(1), expected);
  exec("UPDATE ICStockBillEntry SET FPrice = 7, FAmount = 7, FAuxPrice = 7");
  byProduct(1, "", 100, com::Variant(d));
  EXPECT_EQ(linesOf(1), expected);
}

TEST_F(WriteBackTest, LinesChangedSinceTheSnapshot) {
  // Bill 2 cancelled after the snapshot: its quantity still counts, its line
  // is not written; the difference goes to a line that is still live.
  exec("UPDATE ICStockBill SET FCancellation = 1 WHERE FInterID = 2");
  const Rows expected = withUntouched({{"1", "1", "33.3300", "33.3300", "33.3300"},
                                       {"1", "2", "33.3300", "66.6700", "400.0000"},
                                       {"2", "1", "7.0000", "7.0000", "7.0000"}});
  call("SetCostToDBByLevel", {2024, 3, 1});
  EXPECT_EQ(linesOf(1), expected);
  exec("UPDATE ICStockBillEntry SET FPrice = 7, FAmount = 7, FAuxPrice = 7");
  byProduct(1, "", 100);
  EXPECT_EQ(linesOf(1), expected);

  // No live line left: nothing changes and the call succeeds.
  exec("UPDATE ICStockBill SET FCancellation = 1 WHERE FInterID = 8");
  com::VoteRecorder votes;
  byProduct(2, "O'Neil", 10);
  EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Complete});
  EXPECT_EQ(count("ICStockBillEntry", "FItemID = 2 AND FAmount = 7"), 2);

  // A group received only after the snapshot: price 0 on its lines, the whole
  // cost on the last of them.
  bill({.id = 10, .type = 2});
  receipt(10, 1, 4, 1);
  receipt(10, 2, 4, 1);
  productCost(1, 4, "", 25);
  call("SetCostToDBByLevel", {2024, 3, 1});
  EXPECT_EQ(linesOf(4),
            (Rows{{"10", "1", "0.0000", "0.0000", "0.0000"}, {"10", "2", "0.0000", "25.0000", "0.0000"}}));
}

TEST_F(WriteBackTest, FailuresCastNoVoteAndLeaveTheSourceAlone) {
  exec("DROP TABLE t_MeasureUnit");
  for (const char* method : {"SetCostToDBByLevel", "SetCostToDBByProduct"}) {
    com::VoteRecorder votes;
    com::ExcepInfo e = errorOf(method, [&] {
      if (std::string(method) == "SetCostToDBByLevel")
        call(method, {2024, 3, 1});
      else
        byProduct(1, "", 100);
    });
    EXPECT_TRUE(votes.votes().empty()) << method;
    EXPECT_NE(e.description.find("t_MeasureUnit"), std::string::npos) << method;
    EXPECT_FALSE(e.source.starts_with("Marlstone.ConcludeUpdate")) << method;
  }
  // An amount that is not a number is refused before anything is written.
  exec("CREATE TABLE t_MeasureUnit (FItemID INT, FCoefficient DECIMAL(28,10), FScale DECIMAL(28,10))");
  com::VoteRecorder votes;
  errorOf("SetCostToDBByProduct", [&] { byProduct(1, "", std::nan("")); });
  EXPECT_TRUE(votes.votes().empty());
  EXPECT_EQ(count("ICStockBillEntry", "FPrice = 7 AND FAmount = 7 AND FAuxPrice = 7"), 13);
}

}  // namespace
}  // namespace mls::testing

// ConcludeUpdate.SetCostToDBByLevel and SetCostToDBByProduct: prices, amounts
// and auxiliary prices of the live receipt lines, the rounding difference, the
// lines left alone, the client's window, bills changed since the snapshot.
#include <cmath>

#include "calc_fixture.h"
#include "platform/com/object_context.h"
#include "platform/com/registry.h"

namespace mls::testing {
namespace {

using com::Vote;

// March 2024, department 1; every line starts at price, amount and auxiliary
// price 7.  Product 1 (2 price decimals): bill 1 (two lines, the second in a
// unit of 12) and bill 2 (on the first day, with a batch number the untracked
// product ignores); bills 3 to 7 hold lines no write touches (cancelled,
// unchecked, department 2, dated April 1st, an issue).  Product 2
// (batch-tracked, 4 decimals): batches O'Neil and B2 on bill 8.  Product 3 (no
// price decimals): three lines on bill 9 in a unit that does not exist.
// Product costs: 60 + 40 for product 1 and 10 for product 2 O'Neil at level
// 1, 50 for product 3 at level 2.
class WriteBackTest : public CalcTest {
 protected:
  void SetUp() override {
    CalcTest::SetUp();
    department(1, 361);
    item(1);
    item(2, std::nullopt, 80);
    item(3);
    exec("UPDATE t_ICItem SET FPriceDecimal = CASE FItemID WHEN 1 THEN 2 WHEN 2 THEN 4 END");
    exec("INSERT INTO t_MeasureUnit (FItemID, FCoefficient, FScale) VALUES (1, 1, 0), (2, 12, 0)");
    bill({.id = 1, .type = 2, .date = "2024-03-05"});
    bill({.id = 2, .type = 2, .date = "2024-03-01"});
    bill({.id = 3, .type = 2, .cancellation = 1});
    bill({.id = 4, .type = 2, .status = 0});
    bill({.id = 5, .type = 2, .dept = 2});
    bill({.id = 6, .type = 2, .date = "2024-04-01"});
    bill({.id = 7, .type = 24});
    bill({.id = 8, .type = 2});
    bill({.id = 9, .type = 2});
    receipts(
        "(1, 1, 1, 1, '', 1), (1, 2, 1, 1, '', 2), (2, 1, 1, 1, 'X', 1), (3, 1, 1, 1, '', 1), (4, 1, 1, 1, "
        "'', 1), (5, 1, 1, 1, '', 1), (6, 1, 1, 1, '', 1), (7, 1, 1, 1, '', 1), (8, 1, 2, 2, 'O''Neil', 1), "
        "(8, 2, 2, 3, 'B2', 1), (9, 1, 3, 1, '', 9), (9, 2, 3, 1, '', 9), (9, 3, 3, 1, '', 9)");
    productCosts(
        "(2024, 3, 1, 1, 1, '', 60), (2024, 3, 1, 1, 1, '', 40), (2024, 3, 1, 1, 2, 'O''Neil', 10), "
        "(2024, 3, 1, 2, 3, '', 50)");
    snapshot(2024, 3);
  }
  // "(bill, entry, item, qty, batch, unit), ...".
  void receipts(const std::string& values) const {
    exec("INSERT INTO ICStockBillEntry (FInterID, FEntryID, FItemID, FQty, FBatchNo, FUnitID) VALUES " +
         values + " UPDATE ICStockBillEntry SET FPrice = 7, FAmount = 7, FAuxPrice = 7");
  }
  // "(2024, 3, department, level, product, batch, amount), ...".
  void productCosts(const std::string& values) const {
    exec("INSERT INTO cbProductCalInfo (FYear, FPeriod, FDeptID, FLevel, FProductID, FBatchNo, FAmount) " +
         ("VALUES " + values));
  }
  // Every line back at 7; bill 2 cancelled or not.
  void reset(int cancelled) const {
    exec("UPDATE ICStockBillEntry SET FPrice = 7, FAmount = 7, FAuxPrice = 7 UPDATE ICStockBill SET " +
         ("FCancellation = " + std::to_string(cancelled) + " WHERE FInterID = 2"));
  }
  // Bill, entry, price, amount and auxiliary price of the lines of `item`.
  Rows linesOf(int item) const {
    return rows(
        "SELECT FInterID, FEntryID, CONVERT(DECIMAL(20,2), FPrice), CONVERT(DECIMAL(20,2), FAmount), "
        "CONVERT(DECIMAL(20,2), FAuxPrice) FROM ICStockBillEntry WHERE FItemID = " +
        std::to_string(item) + " AND FInterID NOT BETWEEN 3 AND 7 ORDER BY FInterID, FEntryID");
  }
  void byLevel(int level, com::Variant dates = {}) {
    call("SetCostToDBByLevel", {2024, 3, level, std::move(dates)});
  }
  void byProduct(int product, const std::string& batch, double amount, com::Variant dates = {}) {
    call("SetCostToDBByProduct", {2024, 3, product, 1, com::Variant(batch), amount, std::move(dates)});
  }
  int untouched() const { return count("ICStockBillEntry", "FPrice = 7 AND FAmount = 7 AND FAuxPrice = 7"); }
};

// 100 over three lines of 1: 33.33 each and the cent on the greatest bill
// among equal amounts; the box costs 12 pieces.  50 over three, prices in
// whole units: 16.67 twice and 16.66.
const Rows kProduct1{{"1", "1", "33.33", "33.33", "33.33"},
                     {"1", "2", "33.33", "33.33", "400"},
                     {"2", "1", "33.33", "33.34", "33.33"}};
const Rows kProduct2{{"8", "1", "5", "10", "5"}, {"8", "2", "7", "7", "7"}};
const Rows kProduct3{
    {"9", "1", "17", "16.67", "17"}, {"9", "2", "17", "16.67", "17"}, {"9", "3", "17", "16.66", "17"}};

TEST_F(WriteBackTest, ByLevelAndByProductWriteTheSameLines) {
  for (const bool perLevel : {true, false}) {
    for (int run = 0; run < 2; ++run) {  // a second run writes the same
      com::VoteRecorder votes;
      if (perLevel) {
        byLevel(1);
      } else {
        byProduct(1, "", 100);
        byProduct(2, "O'Neil", 10);
        byProduct(1, "X", 1);  // an untracked product matches the batch '' only
      }
      EXPECT_EQ(votes.votes(), std::vector<Vote>(perLevel ? 1 : 3, Vote::Complete));
      EXPECT_EQ(linesOf(1), kProduct1) << perLevel;
      EXPECT_EQ(linesOf(2), kProduct2) << perLevel;
      EXPECT_EQ(untouched(), 9) << perLevel;  // bills 3 to 7, product 3 and batch B2
    }
    perLevel ? byLevel(2) : byProduct(3, "", 50);
    EXPECT_EQ(linesOf(3), kProduct3) << perLevel;
    reset(0);
  }
}

TEST_F(WriteBackTest, TheClientsWindowAndBillsChangedSinceTheSnapshot) {
  const com::Variant d = clientDates(1, "2024-03-02", "2024-04-01");
  // Bill 2 of March 1st outside the window: two lines share the 100.  Bill 2
  // cancelled since the snapshot: its quantity counts, the difference goes to
  // a line still live.
  const Rows window{{"1", "1", "50", "50", "50"}, {"1", "2", "50", "50", "600"}, {"2", "1", "7", "7", "7"}};
  const Rows cancelled{
      {"1", "1", "33.33", "33.33", "33.33"}, {"1", "2", "33.33", "66.67", "400"}, {"2", "1", "7", "7", "7"}};
  for (const bool perLevel : {true, false}) {
    perLevel ? byLevel(1, d) : byProduct(1, "", 100, d);
    EXPECT_EQ(linesOf(1), window) << perLevel;
    reset(1);
    perLevel ? byLevel(1) : byProduct(1, "", 100);
    EXPECT_EQ(linesOf(1), cancelled) << perLevel;
    reset(0);
  }
  // No live line left: nothing changes and the call succeeds.
  exec("UPDATE ICStockBill SET FCancellation = 1 WHERE FInterID = 8");
  byProduct(2, "O'Neil", 10);
  EXPECT_EQ(untouched(), 13);
  // A group received only after the snapshot: price 0 on its lines, the whole
  // cost on the last of them.
  bill({.id = 10, .type = 2});
  receipts("(10, 1, 4, 1, '', 1), (10, 2, 4, 1, '', 1)");
  productCosts("(2024, 3, 1, 1, 4, '', 25)");
  byLevel(1);
  EXPECT_EQ(linesOf(4), (Rows{{"10", "1", "0", "0", "0"}, {"10", "2", "0", "25", "0"}}));
}

// With the group's live quantities emptied since the snapshot, the whole cost
// is the difference: it keeps its cents however large.  The client's
// 98765432109876.54 is the double ...876.546875, whose cent is .55.
TEST_F(WriteBackTest, ALargeDifferenceKeepsItsCents) {
  exec("UPDATE ICStockBillEntry SET FQty = 0 WHERE FItemID = 1");
  const struct {
    double amount;
    Rows lines;
  } cases[] = {
      {12345678901234.56,
       {{"1", "1", "4115226300411.52", "0", "4115226300411.52"},
        {"1", "2", "4115226300411.52", "0", "49382715604938.24"},
        {"2", "1", "4115226300411.52", "12345678901234.56", "4115226300411.52"}}},
      {98765432109876.54,
       {{"1", "1", "32921810703292.18", "0", "32921810703292.18"},
        {"1", "2", "32921810703292.18", "0", "395061728439506.2"},
        {"2", "1", "32921810703292.18", "98765432109876.55", "32921810703292.18"}}},
  };
  for (const auto& c : cases) {
    byProduct(1, "", c.amount);
    EXPECT_EQ(linesOf(1), c.lines) << c.amount;
  }
}

TEST_F(WriteBackTest, FailuresCastNoVoteAndKeepTheirSource) {
  exec("DROP TABLE t_MeasureUnit");
  for (const std::string method : {"SetCostToDBByLevel", "SetCostToDBByProduct"}) {
    com::VoteRecorder votes;
    com::ExcepInfo e =
        failureOf(method, [&] { method == "SetCostToDBByLevel" ? byLevel(1) : byProduct(1, "", 100); });
    EXPECT_TRUE(votes.votes().empty()) << method;
    EXPECT_NE(e.description.find("t_MeasureUnit"), std::string::npos) << method;
    EXPECT_FALSE(e.source.starts_with("Marlstone.ConcludeUpdate")) << method;
  }
  // An amount that is not a number is refused before anything is written.
  exec("CREATE TABLE t_MeasureUnit (FItemID INT, FCoefficient DECIMAL(28,10), FScale DECIMAL(28,10))");
  failureOf("SetCostToDBByProduct", [&] { byProduct(1, "", std::nan("")); });
  EXPECT_EQ(untouched(), 13);
}

}  // namespace
}  // namespace mls::testing

// The whole period close on generated plants of ten seeds, checked against
// what a close must guarantee: every shared and every direct issue line of the
// period, of normal use and of repairable waste, has distribution rows adding
// up exactly to its quantity and valued amount, every row of a shared line
// is the line's exact part by its weight (the rounding difference on the one
// row the split names), and no row without weight is negative; every shared
// work-in-process line's rows add up to it; every classification amount that
// was split has product rows adding up to it, and one that was not has no
// main product made in its department; the header and detail work rows agree on each split; every
// department, product and batch's live receipt lines add up exactly to its
// product cost; and after each step no work table is left behind and the work
// tables hold nothing of another period.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <array>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "classes/library.h"
#include "close/period_close.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/tsql/storage/file_databases.h"
#include "support/exact_parts.h"

namespace mls::testing {
namespace {

class PeriodCloseTest : public ::testing::TestWithParam<uint64_t> {
 protected:
  void SetUp() override {
    classes::registerInProcess();
    close::buildPlant(connect_, {.seed = GetParam(), .billLines = 1500});
  }

  com::Variant scalar(const std::string& sql) const {
    com::Ref<ado::Connection> c = com::makeObject<ado::Connection>();
    c->open(connect_);
    com::Variant v = c->execute(sql)->value(0);
    c->close();
    return v;
  }
  int count(const std::string& from) const { return scalar("SELECT COUNT(*) FROM " + from).toLong(); }

  std::set<std::string> tables() const {
    com::Ref<ado::Connection> c = com::makeObject<ado::Connection>();
    c->open(connect_);
    std::set<std::string> out;
    for (com::Ref<ado::Recordset> rs = c->execute("SELECT name FROM sysobjects WHERE xtype = 'U'");
         !rs->eof(); rs->moveNext())
      out.insert(rs->value(0).toString());
    c->close();
    return out;
  }

  // Every row of every shared line of `purpose` in `table` is the line's
  // exact part by its weight over the weights of the line's rows, the
  // rounding difference on the row AutoDis names.  Answers the lines checked.
  int expectExactRows(int purpose, const std::string& table) const;

  const std::string connect_ =
      "Provider=Marlstone.Embedded;Data Source=PeriodClose" + std::to_string(GetParam());
};

// The issue lines of the production departments of `purpose` in the period
// that `which` picks (e the line), with `joins`: FROM and WHERE, and the
// line's valued amount.
std::string linesOf(int purpose, const std::string& which, const std::string& joins = "") {
  return " FROM cb_ICStockBill h INNER JOIN cb_ICStockBillEntry e ON e.FInterID = h.FInterID "
         "INNER JOIN t_ICItem i ON i.FItemID = e.FItemID LEFT JOIN t_SystemProfile s ON s.FCategory = 'CB' "
         "AND "
         "s.FKey = 'MatCalStyle'" +
         joins +
         " WHERE h.FTranType = 24 AND h.FStatus > 0 AND h.FCancellation = 0 AND "
         "h.FPurposeID = " +
         std::to_string(purpose) +
         " AND h.FDeptID IN (SELECT FItemID FROM t_Department WHERE FCostAccountType = 361) AND " + which;
}
constexpr const char* kValuedAmount =
    "CASE WHEN i.FTrack = 81 AND s.FValue = '1' THEN ROUND(e.FQty * e.FPlanPrice, 2) ELSE e.FAmount END";

// Those lines with the sums of their rows in `table`.
std::string issueLines(int purpose, const std::string& table, const std::string& which) {
  const std::string rowsOf = " FROM " + table +
                             " m WHERE m.FYear = 2024 AND m.FPeriod = 3 AND m.FInterID = e.FInterID AND "
                             "m.FEntryID = e.FEntryID)";
  return "(SELECT e.FQty, " + std::string(kValuedAmount) + " AS FAmount, (SELECT SUM(m.FQty)" + rowsOf +
         " AS RowsQty, (SELECT SUM(m.FAmount)" + rowsOf + " AS RowsAmount" + linesOf(purpose, which) + ") x";
}

const std::string kShared =
    "(e.FCostObjID = 0 OR e.FCostObjID IN (SELECT FItemID FROM cbCostObj WHERE FNumber = 'MaterielShareID'))";
const std::string kDirect =
    "e.FCostObjID IN (SELECT FItemID FROM cbCostObj WHERE FNumber NOT IN ('MaterielShareID', "
    "'MaterielMakeID'))";
// Every line that takes part in the distribution: shared or direct.
const std::string kDistributed =
    "e.FCostObjID NOT IN (SELECT FItemID FROM cbCostObj WHERE FNumber = 'MaterielMakeID')";

// Each classification amount of the work table beside the sum of its product
// rows (NULL when it has none).
constexpr const char* kSplitAmounts =
    "(SELECT a.FDeptID, a.FCostObjID, a.Amount, p.ProductRows FROM (SELECT FDeptID, FCostObjID, FCostItemID, "
    "FLevel, SUM(FOverAmount) AS Amount FROM CBCalInfo_CurData WHERE FCostObjID IN (SELECT FItemID FROM "
    "cbCostObj WHERE FCalculateType = 909) GROUP BY FDeptID, FCostObjID, FCostItemID, FLevel) a LEFT JOIN "
    "(SELECT FDeptID, FCostObjID, FCostItemID, FLevel, SUM(FAmount) AS ProductRows FROM cbProductCalInfo "
    "WHERE FYear = 2024 AND FPeriod = 3 GROUP BY FDeptID, FCostObjID, FCostItemID, FLevel) p ON p.FDeptID = "
    "a.FDeptID AND p.FCostObjID = a.FCostObjID AND p.FCostItemID = a.FCostItemID AND p.FLevel = a.FLevel) x";

// A department, product and batch group's valid receipt lines of the window,
// live or in the snapshot.
std::string receiptLines(const std::string& head, const std::string& entry) {
  return " FROM " + entry + " e INNER JOIN " + head +
         " h ON e.FInterID = h.FInterID INNER JOIN t_ICItem i ON i.FItemID = e.FItemID WHERE h.FTranType = 2 "
         "AND h.FStatus > 0 AND h.FCancellation = 0 AND h.FDate >= '2024-02-26' AND h.FDate < '2024-03-26' "
         "AND h.FDeptID = g.FDeptID AND e.FItemID = g.FProductID "
         "AND (CASE WHEN i.FTrack = 80 THEN e.FBatchNo ELSE '' END) = g.FBatchNo)";
}

int PeriodCloseTest::expectExactRows(int purpose, const std::string& table) const {
  com::Ref<ado::Connection> c = com::makeObject<ado::Connection>();
  c->open(connect_);
  struct Row {
    int costObj;
    com::Decimal weight, qty, amount;
  };
  std::map<std::pair<int, int>, std::vector<Row>> rows;              // by line
  std::map<std::pair<int, int>, std::array<com::Decimal, 3>> lines;  // quantity, amount, quantity decimals
  for (com::Ref<ado::Recordset> rs = c->execute(
           "SELECT e.FInterID, e.FEntryID, e.FQty, " + std::string(kValuedAmount) +
           ", ISNULL(i.FQtyDecimal, 10), m.FCostObjID, m.FStandardData, m.FQty, m.FAmount" +
           linesOf(purpose, kShared,
                   " INNER JOIN " + table +
                       " m ON m.FInterID = e.FInterID AND m.FEntryID = e.FEntryID AND m.FYear = 2024 AND "
                       "m.FPeriod = 3"));
       !rs->eof(); rs->moveNext()) {
    const std::pair<int, int> line{rs->value(0).toLong(), rs->value(1).toLong()};
    lines[line] = {rs->value(2).toDecimal(), rs->value(3).toDecimal(), rs->value(4).toDecimal()};
    rows[line].push_back({rs->value(5).toLong(), rs->value(6).toDecimal(), rs->value(7).toDecimal(),
                          rs->value(8).toDecimal()});
  }
  c->close();
  for (const auto& [line, of] : rows) {
    std::vector<std::pair<int, com::Decimal>> weights;
    com::Decimal total;
    for (const Row& r : of) {
      weights.emplace_back(r.costObj, r.weight);
      total = total + r.weight;
    }
    const auto& [qty, amount, qtyPlaces] = lines.at(line);
    for (bool amounts : {false, true}) {
      const com::Decimal whole = amounts ? amount : qty;
      std::vector<com::Decimal> expected;
      com::Decimal rest = whole;
      for (const Row& r : of) {
        expected.push_back(total.isZero()
                               ? com::Decimal()
                               : exactPart(whole, r.weight, total,
                                           amounts ? 2 : static_cast<int>(qtyPlaces.toInt64Truncated())));
        rest = rest - expected.back();
      }
      // Of the taker's cost object's rows of its weight (one for each cost
      // item), the last made takes the difference.
      const Row& taker = of[autoDisTaker(weights)];
      int takers = 0;
      for (size_t i = 0; i < of.size(); ++i) {
        const com::Decimal got = amounts ? of[i].amount : of[i].qty;
        const bool tied = of[i].costObj == taker.costObj && of[i].weight == taker.weight;
        if (tied && !rest.isZero() && got == expected[i] + rest && takers++ == 0) continue;
        EXPECT_EQ(got, expected[i]) << table << " line " << line.first << "/" << line.second
                                    << " cost object " << of[i].costObj
                                    << (amounts ? " amount" : " quantity");
      }
      EXPECT_EQ(takers, rest.isZero() ? 0 : 1) << table << " line " << line.first << "/" << line.second;
    }
  }
  return static_cast<int>(rows.size());
}

TEST_P(PeriodCloseTest, EveryCentIsPlaced) {
  // Plan-priced materials issue at their plan price, and work in process is
  // weighed by amount, on odd seeds.
  const bool odd = GetParam() % 2 == 1;
  if (odd) {
    scalar(
        "INSERT INTO t_SystemProfile (FCategory, FKey, FValue) VALUES ('CB', 'MatCalStyle', '1') "
        "INSERT INTO t_SystemProfile (FCategory, FKey, FValue) VALUES ('CB', 'MaterielWIPCheckType', '1') "
        "SELECT 1");
  }
  // What a close of the period before leaves: its snapshot and work rows.
  close::PeriodClose before({.connect = connect_, .period = 2});
  com::Ref<com::Dispatch> update = com::createObject("Marlstone.ConcludeUpdate");
  com::callByName(*update, "GetICStockBillDataForCB", before.props(), 2024, 2);
  scalar(
      "INSERT INTO CBCalInfo_CurData (FYear, FPeriod, FDeptID, FCostObjID, FCostItemID, FStandardID, "
      "FOverAmount, FOnlineAmount, FLevel) VALUES (2024, 2, 101, 50000, 1, 1, 5, 0, 1) SELECT 1");
  const std::set<std::string> tablesBefore = tables();

  close::PeriodClose closing({.connect = connect_});
  std::vector<close::Step> steps = closing.run(
      {.before = {}, .after = [&](const close::Step& s) {
         EXPECT_EQ(tables(), tablesBefore) << s.name;
         EXPECT_EQ(count("CBCalInfo_CurData WHERE FYear <> 2024 OR FPeriod <> 3") +
                       count("CBCalInfoDetail_CurData WHERE FYear <> 2024 OR FPeriod <> 3") +
                       count("cb_ICStockBill WHERE FDate < '2024-02-26' OR FDate >= '2024-03-26'"),
                   0)
             << s.name;
       }});
  EXPECT_EQ(steps.size(), close::PeriodClose::stepNames().size());

  // Every issue line of the period of both purposes, shared (of every group)
  // or direct, has rows adding up to it: a line left without rows fails.
  for (const auto& [purpose, table] :
       {std::pair{12000, "cbMaterielInfo"}, std::pair{12001, "cbWMaterielInfo"}}) {
    for (const std::string& which : {kShared, kDirect})
      EXPECT_GT(count(issueLines(purpose, table, which)), 3) << table << " " << which;
    EXPECT_EQ(count(issueLines(purpose, table, kDistributed) +
                    " WHERE RowsQty IS NULL OR RowsQty <> FQty OR RowsAmount <> FAmount"),
              0)
        << table;
  }
  EXPECT_GT(count(issueLines(12000, "cbMaterielInfo", kShared + " AND e.FCostObjGroupID IN (1, 2)")), 3);
  // Row by row, not only in sum.
  EXPECT_GT(expectExactRows(12000, "cbMaterielInfo"), 3);
  EXPECT_GT(expectExactRows(12001, "cbWMaterielInfo"), 3);
  for (const char* table : {"cbMaterielInfo", "cbWMaterielInfo"}) {
    EXPECT_EQ(count(std::string(table) +
                    " WHERE FYear = 2024 AND FPeriod = 3 AND FStandardData = 0 AND FAmount < 0"),
              0)
        << table;
  }
  // Each shared work-in-process line with a weighed row to take its rounding:
  // its rows add up to it by the measure that weighs them.
  const std::string measure = odd ? "FAmount" : "FQty";
  const std::string wipLines =
      "CBProductMatWipEntry e INNER JOIN CBProductMatWip b ON b.FID = e.FID AND b.FYear = 2024 AND b.FPeriod "
      "= 3 "
      "INNER JOIN (SELECT FInterID, FEntryID, SUM(" +
      measure + ") AS FSum, MAX(CASE WHEN FStandardData <> 0 AND " + measure +
      " <> 0 THEN 1 ELSE 0 END) AS FPlaced FROM CBOnlineMaterielDispInfo WHERE FYear = 2024 AND FPeriod = 3 "
      "GROUP BY "
      "FInterID, FEntryID) r ON r.FInterID = e.FID AND r.FEntryID = e.FEntryID WHERE r.FPlaced = 1 AND " +
      kShared;
  EXPECT_GT(count(wipLines), 3);
  EXPECT_EQ(count(wipLines + " AND r.FSum <> e." + measure), 0);
  EXPECT_EQ(count("CBOnlineMaterielDispInfo WHERE FQty < 0 OR FAmount < 0"), 0);

  EXPECT_GT(count(std::string(kSplitAmounts) + " WHERE ProductRows IS NOT NULL"), 0);
  EXPECT_EQ(count(std::string(kSplitAmounts) + " WHERE ProductRows <> Amount"), 0);
  EXPECT_EQ(count(std::string(kSplitAmounts) +
                  " WHERE ProductRows IS NULL AND EXISTS (SELECT 1 FROM cbProductQty q INNER JOIN "
                  "cb_CostObj_Product d ON d.FCostObjID = q.FCostObjID AND d.FProductID = q.FProductID AND "
                  "d.FIsDeputy = 0 WHERE q.FYear = 2024 AND q.FPeriod = 3 AND q.FDeptID = x.FDeptID AND "
                  "q.FCostObjID = x.FCostObjID)"),
            0);
  EXPECT_EQ(count("CBCalInfo_CurData a WHERE a.FOverAmount <> (SELECT SUM(d.FOverAmount) FROM "
                  "CBCalInfoDetail_CurData d WHERE d.FDeptID = a.FDeptID AND d.FCostObjID = a.FCostObjID AND "
                  "d.FCostItemID = a.FCostItemID) AND a.FCostItemID = 1"),
            0);

  const std::string groups =
      "(SELECT FDeptID, FProductID, FBatchNo, SUM(FAmount) AS FAmount FROM cbProductCalInfo "
      "WHERE FYear = 2024 AND FPeriod = 3 GROUP BY FDeptID, FProductID, FBatchNo) g";
  const int all = count(groups);
  EXPECT_GT(all, 5);
  EXPECT_EQ(count(groups + " WHERE EXISTS (SELECT 1" + receiptLines("cb_ICStockBill", "cb_ICStockBillEntry")),
            all);
  EXPECT_EQ(count(groups + " WHERE g.FAmount <> (SELECT SUM(e.FAmount)" +
                  receiptLines("ICStockBill", "ICStockBillEntry")),
            0);
}

INSTANTIATE_TEST_SUITE_P(Seeds, PeriodCloseTest, ::testing::Values(1, 2, 3, 5, 8, 11, 13, 21, 34, 2024));

// The demo's plant of 20,000 lines built on a file commits in a few large
// steps, each one flush, not in one flush per generated statement; every row
// is there.
TEST(PlantOnAFile, IsBuiltInAFewHundredFlushesAtMost) {
  std::string pattern = (std::filesystem::temp_directory_path() / "mls-plant-XXXXXX").string();
  const std::filesystem::path folder = ::mkdtemp(pattern.data());
  const std::string path = (folder / "plant.mlsdb").string();
  const demoplant::PlantFacts facts = close::buildPlant(
      "Provider=Marlstone.Embedded;Data Source=" + path + ";Create=True", {.seed = 2024, .billLines = 20000});
  const std::optional<tsql::storage::DatabaseFile::Figures> figures = tsql::storage::figuresOf(path);
  ASSERT_TRUE(figures);
  EXPECT_LE(figures->flushes, 400u);
  com::Ref<ado::Connection> c = com::makeObject<ado::Connection>();
  c->open("Provider=Marlstone.Embedded;Data Source=" + path);
  EXPECT_EQ(c->execute("SELECT COUNT(*) FROM ICStockBillEntry")->value(0).toLong(), facts.billLines);
  c->close();
  tsql::storage::letGo(path);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace mls::testing

// Generated plants of several seeds, every production department's shared
// issues distributed by the plant's entered standard (ungrouped lines and the
// department's group; normal use and repairable waste): every line gets rows
// that add up exactly to its quantity and its valued amount, and no row
// without weight carries a negative amount.
#include "schema/demoplant/plant.h"
#include "engine_fixture.h"
#include "frame/sql_literal.h"

namespace mls::testing {
namespace {

using frame::sqlNumber;

class PlantDistributionTest : public EngineTest, public ::testing::WithParamInterface<uint64_t> {};

// The shared lines of the production departments of `purpose` in (2024, 3),
// with the row table's sums of each.
std::string lines(int purpose, const char* table, const std::string& groups) {
  return "(SELECT e.FInterID, e.FEntryID, e.FQty, CASE WHEN i.FTrack = 81 AND s.FValue = '1' THEN "
         "ROUND(e.FQty * e.FPlanPrice, 2) ELSE e.FAmount END AS FAmount,\r\n"
         " (SELECT SUM(m.FQty) FROM " +
         std::string(table) +
         " m WHERE m.FYear = 2024 AND m.FPeriod = 3 AND m.FInterID = e.FInterID AND m.FEntryID = e.FEntryID) "
         "AS "
         "RowsQty,\r\n (SELECT SUM(m.FAmount) FROM " +
         table +
         " m WHERE m.FYear = 2024 AND m.FPeriod = 3 AND m.FInterID = e.FInterID AND m.FEntryID = e.FEntryID) "
         "AS "
         "RowsAmount\r\n FROM cb_ICStockBill h INNER JOIN cb_ICStockBillEntry e ON e.FInterID = "
         "h.FInterID\r\n"
         " INNER JOIN t_ICItem i ON i.FItemID = e.FItemID\r\n"
         " LEFT JOIN t_SystemProfile s ON s.FCategory = 'CB' AND s.FKey = 'MatCalStyle'\r\n"
         " WHERE h.FTranType = 24 AND h.FStatus > 0 AND h.FCancellation = 0 AND h.FDate >= '2024-02-26'"
         " AND h.FDate < '2024-03-26' AND h.FPurposeID = " +
         sqlNumber(purpose) +
         " AND h.FDeptID BETWEEN 101 AND 104\r\n"
         " AND (e.FCostObjID = 0 OR e.FCostObjID IN (SELECT FItemID FROM cbCostObj WHERE FNumber = "
         "'MaterielShareID'))\r\n AND e.FCostObjGroupID IN (" +
         groups + ")) x";
}

TEST_P(PlantDistributionTest, EveryLinesRowsAddUpToIt) {
  std::string plant;
  for (const std::string& s : demoplant::generatePlant({.seed = GetParam(), .billLines = 2000}).statements)
    plant += s;
  exec("DELETE FROM cbCostItem");  // the plant brings its own
  exec(plant);
  if (GetParam() % 2 == 1) db_.setProfile("CB", "MatCalStyle", "1");
  snapshot();
  for (int dept = 101; dept <= 104; ++dept) {
    for (int group : {0, dept % 2 == 1 ? 1 : 2})
      distribute({.standard = demoplant::kEnteredStandard, .dept = dept, .group = group});
    distribute({.standard = demoplant::kEnteredStandard, .dept = dept, .type = 1});
  }
  for (const auto& [purpose, table, groups] :
       {std::tuple{12000, "cbMaterielInfo", "0, 1, 2"}, std::tuple{12001, "cbWMaterielInfo", "0"}}) {
    const std::string all = lines(purpose, table, groups);
    const std::string each = "SELECT COUNT(*) FROM " + all;
    EXPECT_GT(std::stoi(rows(each)[0][0]), 5) << table;
    EXPECT_EQ(rows(each + " WHERE RowsQty IS NULL OR RowsQty <> FQty OR RowsAmount <> FAmount")[0][0], "0")
        << table;
    EXPECT_EQ(rows(std::string("SELECT COUNT(*) FROM ") + table +
                   " WHERE FYear = 2024 AND FPeriod = 3 AND FStandardData = 0 AND FAmount < 0")[0][0],
              "0")
        << table;
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, PlantDistributionTest, ::testing::Values(3, 11, 2024));

}  // namespace
}  // namespace mls::testing

// Generated plants of several seeds: after each writer of distribution rows
// the rows of (2024, 3) of every line it wrote add up exactly to the line's
// amount: the residual-value rows, the direct rows created and refreshed,
// the re-spread shared rows, the plan-price rows and the rework rows.
#include "platform/com/registry.h"
#include "schema/demoplant/plant.h"
#include "support/public_class_test.h"

namespace mls::testing {
namespace {

// The list of (FInterID, FEntryID) pairs as the client passes it.
com::Variant pairs(const std::vector<std::pair<int, int>>& lines) {
  com::SafeArray array({{0, 2}, {0, static_cast<int32_t>(lines.size())}});
  for (size_t i = 0; i < lines.size(); ++i) {
    array.at({0, static_cast<int32_t>(i)}) = com::Variant(lines[i].first);
    array.at({1, static_cast<int32_t>(i)}) = com::Variant(lines[i].second);
  }
  return com::Variant(std::move(array));
}

class PlantWritersTest : public PublicClassTest, public ::testing::WithParamInterface<uint64_t> {
 protected:
  void SetUp() override {
    open("Marlstone.AutoDis");
    db_.setPeriods(12, 2024, 1, 2024, 3);
    std::string plant;
    for (const std::string& s : demoplant::generatePlant({.seed = GetParam(), .billLines = 1500}).statements)
      plant += s;
    db_.run(plant);
    style1_ = GetParam() % 2 == 1;
    if (style1_) db_.setProfile("CB", "MatCalStyle", "1");
    db_.setProfile("IC", "ReproducePrice", GetParam() % 3 == 2 ? "0" : "1");
    update_ = com::createObject("Marlstone.ConcludeUpdate");
    callOn(*update_, db_.props(), "GetICStockBillDataForCB", {2024, 3});
  }

  // The line's amount under the valuation style (e the line, i its item).
  std::string valued() const {
    return style1_ ? "CASE WHEN i.FTrack = 81 THEN ROUND(e.FQty * e.FPlanPrice, 2) ELSE e.FAmount END"
                   : "e.FAmount";
  }
  // The issue lines of the window (h the snapshot bill, e its line, i the item).
  static std::string issues(const std::string& bills, const std::string& lines) {
    return " FROM " + bills + " h INNER JOIN " + lines +
           " e ON e.FInterID = h.FInterID INNER JOIN t_ICItem i ON i.FItemID = e.FItemID\r\n"
           " WHERE h.FTranType = 24 AND h.FStatus > 0 AND h.FCancellation = 0 AND h.FDate >= '2024-02-26' "
           "AND "
           "h.FDate < '2024-03-26' ";
  }
  static std::string direct() {
    return " AND e.FCostObjID <> 0 AND e.FCostObjID IN (SELECT FItemID FROM cbCostObj WHERE FNumber NOT IN "
           "('MaterielShareID', 'MaterielMakeID')) AND h.FDeptID IN (SELECT FItemID FROM t_Department WHERE "
           "FCostAccountType = 361) ";
  }
  // The lines `lines` picks (e the line) have rows in `table` that add up to
  // `target`; there is such a line.
  void expectAddUp(const std::string& table, const std::string& lines, const std::string& target) const {
    const auto r = db_.texts(
        "SELECT COUNT(*), ISNULL(SUM(CASE WHEN ISNULL((SELECT SUM(m.FAmount) FROM " + table +
        " m WHERE m.FYear = 2024 AND m.FPeriod = 3 AND m.FInterID = t.FInterID AND m.FEntryID = t.FEntryID), "
        "-999999) = t.FTarget THEN 0 ELSE 1 END), 0) FROM (SELECT DISTINCT e.FInterID, "
        "e.FEntryID, " +
        target + " AS FTarget" + lines + ") t");
    EXPECT_NE(r[0][0], "0") << table << lines;
    EXPECT_EQ(r[0][1], "0") << table << lines << ": lines whose rows do not add up, of " << r[0][0];
  }
  static std::string hasRows(const std::string& table) {
    return " AND EXISTS (SELECT 1 FROM " + table +
           " m WHERE m.FYear = 2024 AND m.FPeriod = 3 AND m.FInterID = e.FInterID AND m.FEntryID = "
           "e.FEntryID)";
  }
  com::Variant pairsOf(const std::string& lines) const {
    std::vector<std::pair<int, int>> found;
    for (const auto& r : db_.texts("SELECT e.FInterID, e.FEntryID" + lines))
      found.emplace_back(std::stoi(r[0]), std::stoi(r[1]));
    return pairs(found);
  }

  bool style1_ = false;
  com::Ref<com::Dispatch> update_;
};

TEST_P(PlantWritersTest, EveryWrittenLinesRowsAddUpToIt) {
  const std::string snapshot = issues("cb_ICStockBill", "cb_ICStockBillEntry");
  const std::string live = issues("ICStockBill", "ICStockBillEntry");
  callOn(*update_, db_.props(), "InsertBadData", {2024, 3});
  expectAddUp("CBWBMaterielInfo", snapshot + direct() + " AND h.FPurposeID = 12002", valued());
  const std::string directLines = direct() + " AND h.FPurposeID = 12000";
  call("AutoDisDirctMaterielExpByInterID", {2024, 3, 0, pairsOf(snapshot + directLines)});
  expectAddUp("cbMaterielInfo", snapshot + directLines, valued());

  // The live bills change after the snapshot; the refresh and the re-spread
  // follow them.
  db_.run("UPDATE ICStockBillEntry SET FAmount = FAmount + 1.07 WHERE (FInterID + FEntryID) % 2 = 0");
  call("DistributeDirctMaterielExpLeaveIn", {2024, 3, 0, "1=1"});
  expectAddUp("cbMaterielInfo", live + directLines, valued());
  const std::string shared =
      live +
      " AND (e.FCostObjID = 0 OR e.FCostObjID IN (SELECT FItemID FROM cbCostObj WHERE FNumber = "
      "'MaterielShareID')) AND h.FPurposeID = 12000 AND (SELECT SUM(m.FStandardData) FROM cbMaterielInfo m "
      "WHERE m.FYear = 2024 AND m.FPeriod = 3 AND m.FInterID = e.FInterID AND m.FEntryID = e.FEntryID) <> 0";
  call("DistributeShareMaterielExpByInterID", {2024, 3, 0, pairsOf(shared)});
  expectAddUp("cbMaterielInfo", shared, valued());
  // The client splits the saved rows of some lines again for twice their amount.
  const std::string some = shared + " AND (e.FInterID + e.FEntryID) % 5 = 0";
  for (const auto& l : db_.texts("SELECT e.FInterID, e.FEntryID, e.FQty, " + valued() + some))
    callOn(*update_, db_.props(), "DistributeMaterielExpense",
           {std::stoi(l[0]), std::stoi(l[1]), 2, 4, 2 * std::stod(l[3]), std::stod(l[2])});
  expectAddUp("cbMaterielInfo", some, "2 * " + valued());

  callOn(*update_, db_.props(), "UpdateToPlanPrice", {2024, 3});
  for (const char* table : {"cbMaterielInfo", "cbWMaterielInfo"})
    expectAddUp(table, snapshot + " AND i.FTrack = 81" + hasRows(table), "e.FPlanAmount");
  EXPECT_TRUE(callOn(*update_, db_.props(), "UpdateReWorkPrice", {}).toBool());
  for (const char* table : {"cbMaterielInfo", "cbWMaterielInfo", "CBWBMaterielInfo"}) {
    expectAddUp(table,
                live + " AND e.FReProduceType = 1058 AND ISNULL(h.FVchInterID, 0) = 0" +
                    (style1_ ? " AND i.FTrack <> 81" : "") + hasRows(table),
                "e.FAmount");
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, PlantWritersTest, ::testing::Values(3, 11, 2024));

}  // namespace
}  // namespace mls::testing

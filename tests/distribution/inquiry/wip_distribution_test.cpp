// ConcludeUpdate.DispOnlineMateriel on generated plants (its rules on small
// seeds are in cases/wip_distribution.calls).
#include "schema/demoplant/plant.h"
#include "support/public_class_test.h"

namespace mls::testing {
namespace {

// Generated plants: the rows of each shared WIP line that has a row to take
// its rounding add up exactly to the line, and no row is negative.
class WipPlantTest : public PublicClassTest, public ::testing::WithParamInterface<uint64_t> {
 protected:
  void SetUp() override {
    open("Marlstone.ConcludeUpdate");
    db_.setPeriods(12, 2024, 1, 2024, 3);
  }
  void exec(const std::string& sql) const { db_.run(sql); }
};

TEST_P(WipPlantTest, EachLinesRowsAddUpToIt) {
  std::string plant;
  for (const std::string& s : demoplant::generatePlant({.seed = GetParam(), .billLines = 1500}).statements)
    plant += s;
  exec(plant);
  const bool byAmount = GetParam() % 2 == 1;
  db_.setProfile("CB", "MaterielWIPCheckType", byAmount ? "1" : "0");
  call("GetICStockBillDataForCB", {2024, 3});
  call("CalCompleteQty", {2024, 3});
  call("DispOnlineMateriel", {2024, 3});
  const std::string d = byAmount ? "FAmount" : "FQty";
  const std::string lines =
      "FROM CBProductMatWipEntry e INNER JOIN CBProductMatWip b ON b.FID = e.FID AND b.FYear = 2024 AND "
      "b.FPeriod = 3 INNER JOIN (SELECT FInterID, FEntryID, SUM(" +
      d + ") AS FSum, MAX(CASE WHEN FStandardData <> 0 AND " + d +
      " <> 0 THEN 1 ELSE 0 END) AS FPlaced, COUNT(*) AS FRows FROM CBOnlineMaterielDispInfo GROUP BY "
      "FInterID, "
      "FEntryID) r ON r.FInterID = e.FID AND r.FEntryID = e.FEntryID";
  const std::string placed =
      " WHERE r.FPlaced = 1 AND (e.FCostObjID = 0 OR e.FCostObjID IN (SELECT FItemID FROM "
      "cbCostObj WHERE FNumber = 'MaterielShareID'))";
  EXPECT_GT(std::stoi(db_.texts("SELECT COUNT(*) " + lines + placed)[0][0]), 10);
  EXPECT_EQ(db_.texts("SELECT COUNT(*) " + lines + placed + " AND r.FSum <> e." + d)[0][0], "0");
  EXPECT_EQ(db_.texts("SELECT COUNT(*) FROM CBOnlineMaterielDispInfo WHERE FQty < 0 OR FAmount < 0")[0][0],
            "0");
}

INSTANTIATE_TEST_SUITE_P(Seeds, WipPlantTest, ::testing::Values(3, 8, 2024));

}  // namespace
}  // namespace mls::testing

// The demo plant: the same statements for the same seed, and the period's
// first steps on a plant, checked against what the plant's rows imply.
#include "calc_fixture.h"
#include "schema/demoplant/plant.h"

#include <map>

#include "platform/ado/recordset.h"
#include "platform/com/registry.h"

namespace mls::testing {
namespace {

TEST(DemoPlantGenerator, IsDeterministicFromItsSeedAndHonoursItsSize) {
  demoplant::Plant a = demoplant::generatePlant({.seed = 7, .billLines = 900});
  demoplant::Plant b = demoplant::generatePlant({.seed = 7, .billLines = 900});
  demoplant::Plant c = demoplant::generatePlant({.seed = 8, .billLines = 900});
  EXPECT_EQ(a.statements, b.statements);
  EXPECT_NE(a.statements, c.statements);
  EXPECT_EQ(a.facts.billLines, 900);
  EXPECT_THROW(demoplant::generatePlant({.period = 12}), std::invalid_argument);
  EXPECT_THROW(demoplant::generatePlant({.billLines = 0}), std::invalid_argument);
}

class DemoPlantTest : public CalcTest {
 protected:
  void SetUp() override {
    CalcTest::SetUp();
    plant_ = demoplant::generatePlant({.seed = 3, .billLines = 3000});
    std::string batch;
    for (const std::string& s : plant_.statements)
      batch += s;
    exec(batch);
  }
  demoplant::Plant plant_;
};

// Valid issue lines of purpose 12000 in production departments, in the
// plant's window of period 3 (2024-02-26 to 2024-03-26).
constexpr const char* kValidIssueLine =
    "EXISTS (SELECT 1 FROM ICStockBillEntry e INNER JOIN ICStockBill h ON e.FInterID = h.FInterID "
    "INNER JOIN t_Department d ON h.FDeptID = d.FItemID WHERE d.FCostAccountType = 361 "
    "AND h.FDate >= '2024-02-26' AND h.FDate < '2024-03-26' AND h.FStatus > 0 AND h.FCancellation = 0 "
    "AND h.FPurposeID = 12000 AND e.FInterID = cbMaterielInfo.FInterID AND e.FEntryID = "
    "cbMaterielInfo.FEntryID)";

TEST_F(DemoPlantTest, ThePeriodsFirstStepsAgreeWithTheLiveBills) {
  EXPECT_EQ(count("ICStockBillEntry"), 3000);
  call("GetICStockBillDataForCB", {2024, 3});
  const int inWindow = count("ICStockBill",
                             "FTranType IN (24, 2, 5) AND FDate >= '2024-02-26' AND FDate < "
                             "'2024-03-26'");
  EXPECT_GT(inWindow, 0);
  EXPECT_EQ(count("cb_ICStockBill"), inWindow);
  EXPECT_LT(count("cb_ICStockBill"), count("ICStockBill"));

  const int valid = count("cbMaterielInfo", std::string("FPeriod = 3 AND ") + kValidIssueLine);
  const int orphans = count("cbMaterielInfo", std::string("FPeriod = 3 AND NOT ") + kValidIssueLine);
  const int before = count("cbMaterielInfo", "FPeriod = 2");
  EXPECT_GT(orphans, 0);
  call("DeleteCalInfo", {2024, 3});
  EXPECT_EQ(count("cbMaterielInfo", "FPeriod = 3"), valid);
  EXPECT_EQ(count("cbMaterielInfo", "FPeriod = 2"), before);
  EXPECT_EQ(count("cbProductCalInfo", "FPeriod = 3"), 0);
  EXPECT_GT(count("cbProductCalInfo", "FPeriod = 2"), 0);

  call("CalCompleteQty", {2024, 3});
  call("CalProductQty", {2024, 3});
  EXPECT_GT(count("cbCompleteQty"), 0);
  EXPECT_EQ(count("cbCompleteQty", "FDeptID NOT IN (101, 102, 103, 104)"), 0);
  // Outside classification costing, a cost object's products add up to its
  // completed quantity.
  EXPECT_EQ(
      count("cbCompleteQty q",
            "q.FQty <> (SELECT SUM(p.FQty) FROM cbProductQty p WHERE p.FYear = q.FYear AND p.FPeriod = "
            "q.FPeriod AND p.FDeptID = q.FDeptID AND p.FCostObjID = q.FCostObjID) AND NOT EXISTS (SELECT 1 "
            "FROM cbCostObj c WHERE c.FItemID = q.FCostObjID AND c.FCalculateType = 909)"),
      0);
}

TEST_F(DemoPlantTest, TheClosedPeriodsReportAgreesWithItsCostRowsAndVouchers) {
  com::Ref<com::Dispatch> calInfo = com::createObject("Marlstone.CalInfo");
  com::Variant answer = callOn(*calInfo, db_.props("en"), "GetProductInfo_ForVchGen", {2024, 2});
  auto& rs = dynamic_cast<ado::Recordset&>(*answer.toObject());
  std::map<std::string, std::string> vouchers;  // department -> voucher number of its subtotal
  for (rs.moveFirst(); rs.value("FSumSort").toLong() != 101; rs.moveNext()) {
    const com::Variant& number = rs.value("FVoucherNumber");
    if (rs.value("FSumSort").toLong() == 102)
      vouchers[rs.value("FBillNo").toString()] = number.isNull() ? "NULL" : number.toString();
  }
  EXPECT_EQ(vouchers,
            (std::map<std::string, std::string>{
                {"D.00001", "TV-44"}, {"D.00002", "TV-45"}, {"D.00003", "NULL"}, {"D.00004", "NULL"}}));
  EXPECT_EQ(rs.value("FRealAmount").toString(),
            scalar("SELECT CONVERT(DECIMAL(28,10), SUM(FAmount)) FROM cbProductCalInfo WHERE FPeriod = 2"));
  EXPECT_EQ(rs.value("FStdAmount").toString(),
            scalar("SELECT SUM(FAmount) FROM CBKZProductCalInfo WHERE FPeriod = 2"));
}

}  // namespace
}  // namespace mls::testing

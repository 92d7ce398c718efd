#include "calculation/stock_bill_snapshot.h"

#include <string>

#include "frame/domain_codes.h"
#include "frame/period_window.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"

namespace mls::calculation {
namespace {

// The bills the snapshot takes, on the header alias `h`.
std::string billFilter(const frame::PeriodWindow& w) {
  return std::string("WHERE h.FTranType IN (") + frame::codes::kMaterialIssue + ", " +
         frame::codes::kProductReceipt + ", " + frame::codes::kPurchaseReceipt +
         ") AND h.FDate >= " + frame::sqlDate(w.begin) + " AND h.FDate < " + frame::sqlDate(w.next);
}

// The record of the period the snapshot holds is emptied before the snapshot
// goes, so that a snapshot that fails half-way records no period at all.
void dropSnapshot(frame::SqlScript& sql) {
  sql.line("IF OBJECT_ID('" + std::string(kSnapshotPeriodTable) + "') IS NULL")
      .line("CREATE TABLE " + std::string(kSnapshotPeriodTable) +
            " (FYear INT NOT NULL, FPeriod INT NOT NULL) ON [PRIMARY]")
      .line("DELETE FROM " + std::string(kSnapshotPeriodTable))
      .line("IF OBJECT_ID('cb_ICStockBill') IS NOT NULL DROP TABLE cb_ICStockBill")
      .line("IF OBJECT_ID('cb_ICStockBillEntry') IS NOT NULL DROP TABLE cb_ICStockBillEntry");
}

void createAndFill(frame::SqlScript& sql, int32_t year, int32_t period, const frame::PeriodWindow& w) {
  sql.line("DECLARE @headerError INT")
      .line("IF NOT EXISTS (SELECT 1 FROM sysobjects WHERE name = 'cb_ICStockBill' AND type = 'U')")
      .line("CREATE TABLE cb_ICStockBill (")
      .line("  FInterID INT NOT NULL DEFAULT(0),")
      .line("  FTranType SMALLINT NOT NULL DEFAULT(0),")
      .line("  FDate DATETIME NULL,")
      .line("  FBillNo NVARCHAR(255) NOT NULL DEFAULT(''),")
      .line("  FDeptID INT NOT NULL DEFAULT(0),")
      .line("  FHookInterID INT NOT NULL DEFAULT(0),")
      .line("  FVchInterID INT NOT NULL DEFAULT(0),")
      .line("  FROB INT NOT NULL DEFAULT(1),")
      .line("  FCheckerID INT NOT NULL DEFAULT(0),")
      .line("  FStatus SMALLINT NOT NULL DEFAULT(0),")
      .line("  FCancellation INT NOT NULL DEFAULT(0),")
      .line("  FPurposeID INT NOT NULL DEFAULT(0)")
      .line(") ON [PRIMARY]")
      .line("IF NOT EXISTS (SELECT 1 FROM sysobjects WHERE name = 'cb_ICStockBillEntry' AND type = 'U')")
      .line("CREATE TABLE cb_ICStockBillEntry (")
      .line("  FInterID INT NOT NULL DEFAULT(0),")
      .line("  FEntryID INT NOT NULL DEFAULT(0),")
      .line("  FItemID INT NOT NULL DEFAULT(0),")
      .line("  FQty DECIMAL(23,10) NOT NULL DEFAULT(0),")
      .line("  FPrice DECIMAL(23,10) NOT NULL DEFAULT(0),")
      .line("  FBatchNo VARCHAR(200) NOT NULL DEFAULT(''),")
      .line("  FAmount DECIMAL(23,10) NOT NULL DEFAULT(0),")
      .line("  FUnitID INT NOT NULL DEFAULT(0),")
      .line("  FPlanPrice DECIMAL(23,10) NOT NULL DEFAULT(0),")
      .line("  FPlanAmount DECIMAL(23,10) NOT NULL DEFAULT(0),")
      .line("  FCostCenterID INT NOT NULL DEFAULT(0),")
      .line("  FICMOInterID INT NOT NULL DEFAULT(0),")
      .line("  FCostObjGroupID INT NOT NULL DEFAULT(0),")
      .line("  FCostOBJID INT NOT NULL DEFAULT(0),")
      .line("  FReProduceType INT NOT NULL DEFAULT(0)")
      .line(") ON [PRIMARY]")
      .line(
          "INSERT INTO cb_ICStockBill (FInterID, FTranType, FDate, FBillNo, FDeptID, FHookInterID, "
          "FVchInterID,")
      .line("  FROB, FCheckerID, FStatus, FCancellation, FPurposeID)")
      .line(
          "SELECT h.FInterID, h.FTranType, h.FDate, ISNULL(h.FBillNo, ''), ISNULL(h.FDeptID, 0), "
          "ISNULL(h.FHookInterID, 0),")
      .line(
          "  ISNULL(h.FVchInterID, 0), ISNULL(h.FROB, 0), ISNULL(h.FCheckerID, 0), h.FStatus, "
          "h.FCancellation,")
      .line("  h.FPurposeID")
      .line("FROM ICStockBill h")
      .line(billFilter(w))
      .line("SET @headerError = @@ERROR")
      .line(
          "INSERT INTO cb_ICStockBillEntry (FInterID, FEntryID, FItemID, FQty, FPrice, FBatchNo, FAmount, "
          "FUnitID,")
      .line(
          "  FPlanPrice, FPlanAmount, FCostCenterID, FICMOInterID, FCostObjGroupID, FCostOBJID, "
          "FReProduceType)")
      .line("SELECT e.FInterID, e.FEntryID, e.FItemID, e.FQty, e.FPrice, e.FBatchNo, e.FAmount, e.FUnitID,")
      .line(
          "  e.FPlanPrice, e.FPlanAmount, e.FCostCenterID, e.FICMOInterID, e.FCostObjGroupID, e.FCostOBJID,")
      .line("  e.FReProduceType")
      .line("FROM ICStockBillEntry e INNER JOIN ICStockBill h ON e.FInterID = h.FInterID")
      .line(billFilter(w))
      // Recorded only when both copies ran, also on a server that ends just the
      // failing statement.
      .line("IF @headerError = 0 AND @@ERROR = 0")
      .line("  INSERT INTO " + std::string(kSnapshotPeriodTable) + " (FYear, FPeriod) VALUES (" +
            frame::sqlNumber(year) + ", " + frame::sqlNumber(period) + ")");
}

void addKeys(frame::SqlScript& sql) {
  sql.line("IF NOT EXISTS (SELECT 1 FROM sysobjects WHERE name = 'pk_cb_ICStockBill' AND xtype = 'PK')")
      .line("ALTER TABLE cb_ICStockBill WITH NOCHECK ADD CONSTRAINT pk_cb_ICStockBill")
      .line("  PRIMARY KEY CLUSTERED (FInterID ASC) ON [PRIMARY]")
      .line("IF NOT EXISTS (SELECT 1 FROM sysindexes WHERE id = OBJECT_ID('cb_ICStockBill')")
      .line("  AND name = 'idx_cb_ICStockBill_FDate')")
      .line("CREATE NONCLUSTERED INDEX idx_cb_ICStockBill_FDate ON cb_ICStockBill (FDate ASC, FInterID ASC,")
      .line("  FTranType ASC, FDeptID ASC, FCancellation ASC, FStatus ASC, FPurposeID ASC) ON [PRIMARY]")
      .line("IF NOT EXISTS (SELECT 1 FROM sysindexes WHERE id = OBJECT_ID('cb_ICStockBill')")
      .line("  AND name = 'idx_cb_ICStockBill_FHookInterID')")
      .line("CREATE NONCLUSTERED INDEX idx_cb_ICStockBill_FHookInterID ON cb_ICStockBill (FHookInterID ASC)")
      .line("  ON [PRIMARY]")
      .line("IF NOT EXISTS (SELECT 1 FROM sysindexes WHERE id = OBJECT_ID('cb_ICStockBill')")
      .line("  AND name = 'idx_cb_ICStockBill_FVchInterID')")
      .line("CREATE NONCLUSTERED INDEX idx_cb_ICStockBill_FVchInterID ON cb_ICStockBill (FVchInterID ASC)")
      .line("  ON [PRIMARY]")
      .line("IF NOT EXISTS (SELECT 1 FROM sysobjects WHERE name = 'pk_cb_ICStockBillEntry' AND xtype = 'PK')")
      .line("ALTER TABLE cb_ICStockBillEntry WITH NOCHECK ADD CONSTRAINT pk_cb_ICStockBillEntry")
      .line("  PRIMARY KEY CLUSTERED (FInterID ASC, FEntryID ASC) ON [PRIMARY]")
      .line("IF NOT EXISTS (SELECT 1 FROM sysindexes WHERE id = OBJECT_ID('cb_ICStockBillEntry')")
      .line("  AND name = 'idx_cb_ICStockBillEntry_FItemID')")
      .line("CREATE NONCLUSTERED INDEX idx_cb_ICStockBillEntry_FItemID ON cb_ICStockBillEntry (FInterID ASC,")
      .line(
          "  FEntryID ASC, FItemID ASC, FBatchNo ASC, FReProduceType ASC, FCostObjGroupID ASC, FCostOBJID "
          "ASC)")
      .line("  ON [PRIMARY]");
}

void recreateWorkTables(frame::SqlScript& sql) {
  sql.line("IF OBJECT_ID('CBCalInfo_CurData') IS NOT NULL DROP TABLE CBCalInfo_CurData")
      .line("IF NOT EXISTS (SELECT 1 FROM sysobjects WHERE name = 'CBCalInfo_CurData' AND type = 'U')")
      .line("BEGIN")
      .line("CREATE TABLE CBCalInfo_CurData (")
      .line("  FYear SMALLINT NOT NULL DEFAULT(0),")
      .line("  FPeriod SMALLINT NOT NULL DEFAULT(0),")
      .line("  FDeptID INT NOT NULL DEFAULT(0),")
      .line("  FCostObjID INT NOT NULL DEFAULT(0),")
      .line("  FCostItemID INT NOT NULL DEFAULT(0),")
      .line("  FStandardID INT NOT NULL DEFAULT(0),")
      .line("  FStdSubID INT NOT NULL DEFAULT(0),")
      .line("  FStandarddata DECIMAL(28,13) NOT NULL DEFAULT(0),")
      .line("  FOverAmount DECIMAL(28,13) NOT NULL DEFAULT(0),")
      .line("  FOnlineAmount DECIMAL(28,13) NOT NULL DEFAULT(0),")
      .line("  FRevertAmount DECIMAL(28,13) NOT NULL DEFAULT(0),")
      .line("  FRevQuo DECIMAL(28,13) NOT NULL DEFAULT(0),")
      .line("  FLevel SMALLINT NOT NULL DEFAULT(0)")
      .line(") ON [PRIMARY]")
      .line("CREATE CLUSTERED INDEX PK_CBCalInfo_CurData ON CBCalInfo_CurData (FYear ASC, FPeriod ASC,")
      .line("  FDeptID ASC, FCostObjID ASC, FCostItemID ASC) ON [PRIMARY]")
      .line("CREATE NONCLUSTERED INDEX IDX_CBCalInfo_CurData_FYearPeriod ON CBCalInfo_CurData (FYear ASC,")
      .line("  FPeriod ASC, FCostObjID ASC) ON [PRIMARY]")
      .line("END")
      .line("TRUNCATE TABLE CBCalInfo_CurData")
      .line("IF OBJECT_ID('CBCalInfoDetail_CurData') IS NOT NULL DROP TABLE CBCalInfoDetail_CurData")
      .line("IF NOT EXISTS (SELECT 1 FROM sysobjects WHERE name = 'CBCalInfoDetail_CurData' AND type = 'U')")
      .line("BEGIN")
      .line("CREATE TABLE CBCalInfoDetail_CurData (")
      .line("  FYear SMALLINT NOT NULL DEFAULT(0),")
      .line("  FPeriod SMALLINT NOT NULL DEFAULT(0),")
      .line("  FDeptID INT NOT NULL DEFAULT(0),")
      .line("  FCostObjID INT NOT NULL DEFAULT(0),")
      .line("  FCostItemID INT NOT NULL DEFAULT(0),")
      .line("  FMaterielID INT NOT NULL DEFAULT(0),")
      .line("  FBatchNo VARCHAR(2550) NOT NULL DEFAULT(''),")
      .line("  FSpendCostObjID INT NOT NULL DEFAULT(0),")
      .line("  FOverAmount DECIMAL(28,13) NOT NULL DEFAULT(0),")
      .line("  FOnlineAmount DECIMAL(28,13) NOT NULL DEFAULT(0),")
      .line("  FOverQty DECIMAL(28,13) NOT NULL DEFAULT(0),")
      .line("  FOnlineQty DECIMAL(28,13) NOT NULL DEFAULT(0),")
      .line("  FLevel SMALLINT NOT NULL DEFAULT(0)")
      .line(") ON [PRIMARY]")
      .line("CREATE CLUSTERED INDEX PK_CBCalInfoDetail_CurData ON CBCalInfoDetail_CurData (FYear ASC,")
      .line("  FPeriod ASC, FDeptID ASC, FCostObjID ASC, FCostItemID ASC, FMaterielID ASC, FBatchNo ASC)")
      .line("  ON [PRIMARY]")
      .line("END")
      .line("TRUNCATE TABLE CBCalInfoDetail_CurData");
}

}  // namespace

void getICStockBillDataForCB(frame::Call& call, int32_t year, int32_t period) {
  const frame::PeriodWindow window =
      frame::getPeriodDateRange(call.props(), year, period, frame::WindowForm::NextAsDate);
  ado::Connection& connection = call.connection();
  frame::SqlScript sql;
  dropSnapshot(sql);
  sql.send(connection);
  createAndFill(sql, year, period, window);
  sql.send(connection);
  addKeys(sql);
  recreateWorkTables(sql);
  sql.send(connection);
}

}  // namespace mls::calculation

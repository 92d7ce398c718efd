#include "calculation/product_cost_reports.h"

#include <string>

#include "calculation/period_rows.h"
#include "frame/drop_table.h"
#include "frame/lang_text.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"

namespace mls::calculation {
namespace {

using frame::sqlNumber;

constexpr const char* kSubtotal = "小计";
constexpr const char* kTotal = "合计";

// One cost voucher per department of the period and template type, as
// v(FDeptID, FVchInterID): the latest when a department has several.
std::string departmentVouchers(int32_t year, int32_t period, int32_t templateType) {
  return "(SELECT FDeptID, MAX(FVchInterID) AS FVchInterID FROM cbCostVoucher WHERE " +
         periodRows("", year, period) + " AND FTplType = " + sqlNumber(templateType) + " GROUP BY FDeptID) v";
}

// The voucher number text of t_Voucher t in t_VoucherGroup g.
constexpr const char* kVoucherNumber = "g.FName + '-' + CONVERT(varchar, t.FNumber)";

}  // namespace

com::Ref<ado::Recordset> getProductInfo(frame::Call& call, int32_t year, int32_t period,
                                        const std::string& /*sFilter: not used*/) {
  const std::string language = call.language();
  ado::Connection& connection = call.connection();
  frame::dropTempTable(connection, "#ProductInfo");
  frame::SqlScript sql;
  sql.line("CREATE TABLE #ProductInfo (FDeptID int not null default 0, FDeptNumber varchar(255),")
      .line("  FDeptName varchar(255) not null default '', FProductID int not null default 0,")
      .line("  FVchInterID int not null default 0, FVoucherNumber varchar(255), FNumber varchar(255),")
      .line(
          "  FName varchar(255) not null default '', FBatchNo varchar(355), FCostItemID int not null default "
          "0,")
      .line("  FCostItemNumber varchar(255), FCostItemName varchar(255) not null default '',")
      .line("  FAmount decimal(28,10), FSumSort decimal(28,10), FID int identity(1,1))");
  sql.send(connection);
  sql.line("INSERT INTO #ProductInfo (FDeptNumber, FNumber, FBatchNo, FCostItemNumber, FAmount, FSumSort)")
      .line("SELECT d.FNumber, i.FNumber, a.FBatchNo, c.FNumber, SUM(a.FAmount),")
      .line("  CASE WHEN GROUPING(d.FNumber) = 1 THEN 101 WHEN GROUPING(i.FNumber) = 1 THEN 102")
      .line("    WHEN GROUPING(a.FBatchNo) = 1 THEN 103 WHEN GROUPING(c.FNumber) = 1 THEN 104 ELSE 0 END")
      .line("FROM cbProductCalInfo a INNER JOIN t_Department d ON a.FDeptID = d.FItemID")
      .line(
          "  INNER JOIN t_ICItem i ON a.FProductID = i.FItemID INNER JOIN cbCostItem c ON a.FCostItemID = "
          "c.FItemID")
      .line("WHERE " + periodRows("a", year, period))
      .line("GROUP BY d.FNumber, i.FNumber, a.FBatchNo, c.FNumber WITH ROLLUP");
  sql.send(connection);
  sql.line("DELETE FROM #ProductInfo WHERE FSumSort IN (103, 104)");
  sql.send(connection);
  sql.line("UPDATE p SET FDeptID = d.FItemID, FDeptName = d.FName FROM #ProductInfo p")
      .line("  INNER JOIN t_Department d ON p.FDeptNumber = d.FNumber");
  sql.send(connection);
  sql.line("UPDATE p SET FProductID = i.FItemID, FName = i.FName FROM #ProductInfo p")
      .line("  INNER JOIN t_ICItem i ON p.FNumber = i.FNumber");
  sql.send(connection);
  sql.line("UPDATE p SET FCostItemID = c.FItemID, FCostItemName = c.FName FROM #ProductInfo p")
      .line("  INNER JOIN cbCostItem c ON p.FCostItemNumber = c.FNumber");
  sql.send(connection);
  sql.line("UPDATE p SET FVchInterID = v.FVchInterID, FVoucherNumber = " + std::string(kVoucherNumber))
      .line("FROM #ProductInfo p INNER JOIN " + departmentVouchers(year, period, 7006) +
            " ON p.FDeptID = v.FDeptID")
      .line("  INNER JOIN t_Voucher t ON v.FVchInterID = t.FVoucherID")
      .line("  INNER JOIN t_VoucherGroup g ON t.FGroupID = g.FGroupID");
  sql.send(connection);
  sql.line("UPDATE #ProductInfo SET FDeptName = " + frame::sqlText(frame::langText(kSubtotal, language)) +
           " WHERE FSumSort = 102");
  sql.send(connection);
  sql.line("UPDATE #ProductInfo SET FDeptName = " + frame::sqlText(frame::langText(kTotal, language)) +
           ", FVoucherNumber = '' WHERE FSumSort = 101");
  sql.send(connection);
  com::Ref<ado::Recordset> rs = frame::detachedSelect(
      connection, "SELECT FDeptNumber AS FBillNo, * FROM #ProductInfo WHERE FAmount <> 0");
  connection.execute("DROP TABLE #ProductInfo");
  return rs;
}

com::Ref<ado::Recordset> getProductInfoForVchGen(frame::Call& call, int32_t year, int32_t period) {
  const std::string language = call.language();
  ado::Connection& connection = call.connection();
  const std::string dropBoth =
      "IF Object_ID('tempdb..#KZProductInfo_Inner')<>0 DROP TABLE #KZProductInfo_Inner\r\n"
      "IF Object_ID('tempdb..#KZProductInfo_Outer')<>0 DROP TABLE #KZProductInfo_Outer";
  auto sideAmounts = [&](const char* table, const char* column) {
    return "INSERT INTO #KZProductInfo_Inner (FDeptID, FProductID, FBatchNo, FCostItemID, " +
           std::string(column) +
           ")\r\nSELECT FDeptID, FProductID, FBatchNo, FCostItemID, SUM(FAmount) FROM " + table + " WHERE " +
           periodRows("", year, period) +
           "\r\nGROUP BY FDeptID, FProductID, FBatchNo, FCostItemID HAVING SUM(FAmount) <> 0";
  };
  frame::SqlScript sql;
  sql.line(dropBoth)
      .line(
          "CREATE TABLE #KZProductInfo_Inner (FDeptID int not null default 0, FProductID int not null "
          "default 0,")
      .line("  FBatchNo varchar(355), FCostItemID int not null default 0,")
      .line("  FStdAmount decimal(28,10) not null default 0, FRealAmount decimal(28,10) not null default 0)")
      .line("CREATE TABLE #KZProductInfo_Outer (FDeptID int null, FDeptNumber varchar(255),")
      .line("  FDeptName varchar(255) not null default '', FVchInterID int not null default 0,")
      .line("  FVoucherNumber varchar(255), FProductID int null, FProductNumber varchar(255),")
      .line("  FProductName varchar(255) not null default '', FBatchNo varchar(355), FCostItemID int null,")
      .line("  FCostItemNumber varchar(255), FCostItemName varchar(255) not null default '',")
      .line("  FStdAmount decimal(28,10) not null default 0, FRealAmount decimal(28,10) not null default 0,")
      .line("  FDiffAmount decimal(28,10) not null default 0, FSumSort smallint not null default 0)")
      .line(sideAmounts("CBKZProductCalInfo", "FStdAmount"))
      .line(sideAmounts("cbProductCalInfo", "FRealAmount"))
      .line("INSERT INTO #KZProductInfo_Outer (FDeptNumber, FDeptID, FDeptName, FProductNumber, FProductID,")
      .line("  FProductName, FBatchNo, FCostItemNumber, FCostItemID, FCostItemName, FStdAmount, FRealAmount,")
      .line("  FDiffAmount, FSumSort)")
      .line(
          "SELECT IsNull(d.FNumber, ''), a.FDeptID, IsNull(d.FName, ''), IsNull(i.FNumber, ''), "
          "a.FProductID,")
      .line("  IsNull(i.FName, ''), a.FBatchNo, IsNull(c.FNumber, ''), a.FCostItemID, IsNull(c.FName, ''),")
      .line("  SUM(a.FStdAmount), SUM(a.FRealAmount), SUM(a.FRealAmount - a.FStdAmount),")
      .line("  CASE WHEN GROUPING(d.FNumber) = 1 THEN 101 WHEN GROUPING(a.FDeptID) = 1 THEN -1")
      .line("    WHEN GROUPING(d.FName) = 1 THEN -1 WHEN GROUPING(i.FNumber) = 1 THEN 102")
      .line("    WHEN GROUPING(a.FProductID) = 1 THEN -1 WHEN GROUPING(i.FName) = 1 THEN -1")
      .line("    WHEN GROUPING(a.FBatchNo) = 1 THEN -1 WHEN GROUPING(c.FNumber) = 1 THEN -1")
      .line("    WHEN GROUPING(a.FCostItemID) = 1 THEN -1 WHEN GROUPING(c.FName) = 1 THEN -1 ELSE 0 END")
      .line("FROM #KZProductInfo_Inner a INNER JOIN t_Department d ON a.FDeptID = d.FItemID")
      .line(
          "  INNER JOIN t_ICItem i ON a.FProductID = i.FItemID INNER JOIN cbCostItem c ON a.FCostItemID = "
          "c.FItemID")
      .line(
          "GROUP BY d.FNumber, a.FDeptID, d.FName, i.FNumber, a.FProductID, i.FName, a.FBatchNo, c.FNumber,")
      .line("  a.FCostItemID, c.FName WITH ROLLUP")
      .line("DELETE FROM #KZProductInfo_Outer WHERE FSumSort = -1")
      .line("UPDATE o SET FDeptNumber = d.FNumber, FDeptName = d.FName + '(' + " +
            frame::sqlText(frame::langText(kSubtotal, language)) + " + ')'")
      .line(
          "  FROM #KZProductInfo_Outer o INNER JOIN t_Department d ON o.FDeptID = d.FItemID WHERE o.FSumSort "
          "= 102")
      .line("UPDATE #KZProductInfo_Outer SET FDeptID = 0, FDeptName = " +
            frame::sqlText(frame::langText(kTotal, language)) + " WHERE FSumSort = 101")
      .line("UPDATE o SET FVchInterID = IsNull(v.FVchInterID, 0), FVoucherNumber = " +
            std::string(kVoucherNumber))
      .line("FROM #KZProductInfo_Outer o LEFT JOIN " + departmentVouchers(year, period, 7206) +
            " ON o.FDeptID = v.FDeptID")
      .line("  LEFT JOIN t_Voucher t ON v.FVchInterID = t.FVoucherID")
      .line("  LEFT JOIN t_VoucherGroup g ON t.FGroupID = g.FGroupID")
      .line("WHERE o.FSumSort IN (0, 102)")
      .send(connection);
  sql.line("SELECT FDeptNumber AS FBillNo, * FROM #KZProductInfo_Outer")
      .line("WHERE FStdAmount <> 0 OR FRealAmount <> 0 OR FDiffAmount <> 0");
  com::Ref<ado::Recordset> rs = frame::detachedSelect(connection, sql.text());
  frame::SqlScript drop;
  drop.line(dropBoth).send(connection);
  return rs;
}

}  // namespace mls::calculation

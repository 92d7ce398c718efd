#include "calculation/cost_input_builders.h"

#include <string>

#include "calculation/period_rows.h"
#include "frame/domain_codes.h"
#include "frame/drop_table.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"

namespace mls::calculation {
namespace {

constexpr const char* kValue = " decimal(28,10) not null default(0)";

// The period's rows of the source aliased `a`.
std::string ofPeriod(int32_t year, int32_t period) {
  return "WHERE " + periodRows("a", year, period);
}

// The listed cost objects, joined on the source's cost-object column.
std::string listed(const std::string& column = "a.FCostObjID") {
  return "  INNER JOIN #CostObj o ON " + column + " = o.FCostObjID";
}

std::string values(std::initializer_list<const char*> names) {
  std::string out;
  for (const char* name : names)
    out += std::string(",\r\n  ") + name + kValue;
  return out;
}

void recreate(ado::Connection& connection, const char* table, const std::string& columns) {
  frame::dropTempTable(connection, table);
  frame::SqlScript sql;
  sql.line(std::string("CREATE TABLE ") + table + " (" + columns + ")");
  sql.send(connection);
}

// A distributed amount summed per department, cost object and cost item into
// `column` of #CalTab1; the department is the source's own or its bill's.
enum class DeptOf { Source, IssueBill, ExpenseBill };

void distributed(ado::Connection& connection, const char* table, DeptOf dept, const char* column,
                 int32_t year, int32_t period) {
  std::string deptColumn = "a.FDeptID", billJoin;
  if (dept == DeptOf::IssueBill) {
    deptColumn = "h.FDeptID";
    billJoin = "  INNER JOIN cb_ICStockBill h ON a.FInterID = h.FInterID";
  } else if (dept == DeptOf::ExpenseBill) {
    deptColumn = "h.FDeptID";
    billJoin = "  INNER JOIN CBCostExpenseInfo h ON a.FInterID = h.FInterID";
  }
  frame::SqlScript sql;
  sql.line(std::string("INSERT INTO #CalTab1 (FDeptID, FCostObjID, FCostItemID, ") + column + ")")
      .line("SELECT " + deptColumn + ", a.FCostObjID, a.FCostItemID, SUM(a.FAmount)")
      .line(std::string("FROM ") + table + " a")
      .line(listed());
  if (!billJoin.empty()) sql.line(billJoin);
  sql.line(ofPeriod(year, period)).line("GROUP BY " + deptColumn + ", a.FCostObjID, a.FCostItemID");
  sql.send(connection);
}

void amendments(ado::Connection& connection, int wasteType, const char* column, int32_t year,
                int32_t period) {
  frame::SqlScript sql;
  sql.line(std::string("INSERT INTO #CalTab1 (FDeptID, FCostObjID, FCostItemID, ") + column + ")")
      .line("SELECT a.FDeptID, a.FCostObjID, a.FCostItemID, SUM(a.FAmount)")
      .line("FROM CBWasterAmends a")
      .line(listed() + " AND a.FWasterTypeID = " + frame::sqlNumber(wasteType))
      .line(ofPeriod(year, period))
      .line("GROUP BY a.FDeptID, a.FCostObjID, a.FCostItemID");
  sql.send(connection);
}

// Issue-line distribution (material, quantity) summed per department, cost
// object, cost item, material and batch into two columns of #CalTab1; `grouped`
// false copies the rows one by one.
void issuedMateriel(ado::Connection& connection, const char* table, const char* amount, const char* qty,
                    bool grouped, int32_t year, int32_t period) {
  frame::SqlScript sql;
  sql.line(std::string("INSERT INTO #CalTab1 (FDeptID, FCostObjID, FCostItemID, FMaterielID, FBatchNo, ") +
           amount + ", " + qty + ")")
      .line(grouped
                ? "SELECT h.FDeptID, a.FCostObjID, a.FCostItemID, e.FItemID, e.FBatchNo, SUM(a.FAmount), "
                  "SUM(a.FQty)"
                : "SELECT h.FDeptID, a.FCostObjID, a.FCostItemID, e.FItemID, e.FBatchNo, a.FAmount, a.FQty")
      .line(std::string("FROM ") + table + " a")
      .line(listed())
      .line("  INNER JOIN cb_ICStockBill h ON a.FInterID = h.FInterID")
      .line("  INNER JOIN cb_ICStockBillEntry e ON a.FInterID = e.FInterID AND a.FEntryID = e.FEntryID")
      .line(ofPeriod(year, period));
  if (grouped) sql.line("GROUP BY h.FDeptID, a.FCostObjID, a.FCostItemID, e.FItemID, e.FBatchNo");
  sql.send(connection);
}

// The rows `select` answers, detached, with the result table and its work
// table dropped after it.
com::Ref<ado::Recordset> takeRows(ado::Connection& connection, const char* select, const char* result,
                                  const char* work) {
  com::Ref<ado::Recordset> rs = frame::detachedSelect(connection, select);
  connection.execute(std::string("Drop Table ") + result, nullptr, -1);
  connection.execute(std::string("Drop Table ") + work, nullptr, -1);
  return rs;
}

}  // namespace

com::Ref<ado::Recordset> getOperateInfo(ado::Connection& connection, int32_t year, int32_t period) {
  const std::string layout =
      "\r\n  FDeptID int,\r\n  FCostObjID int,\r\n  FCostItemID Int" +
      values({"FBegAmount", "FNorAmount", "FWasAmount", "FAskAmount", "FYAskAmount", "FBadAmount"});
  recreate(connection, "#CalTab1", layout);
  recreate(connection, "#CalTab", layout);

  frame::SqlScript sql;
  sql.line("INSERT INTO #CalTab1 (FDeptID, FCostObjID, FCostItemID, FBegAmount)")
      .line("SELECT a.FDepID, a.FProductID, a.FCostID, a.FBegBal")
      .line("FROM cbBalance a")
      .line(listed("a.FProductID"))
      .line(ofPeriod(year, period) + " AND a.FBegBal <> 0 AND a.FCostID <> -1 AND a.FCostID <> 0");
  sql.send(connection);

  distributed(connection, "cbMaterielInfo", DeptOf::IssueBill, "FNorAmount", year, period);
  distributed(connection, "cbAssistDistrbuteInfo", DeptOf::Source, "FNorAmount", year, period);
  distributed(connection, "cbExpenseDistributeInfo", DeptOf::ExpenseBill, "FNorAmount", year, period);
  distributed(connection, "cbMakeDistributeInfo", DeptOf::Source, "FNorAmount", year, period);
  distributed(connection, "cbWMaterielInfo", DeptOf::IssueBill, "FWasAmount", year, period);
  distributed(connection, "cbWAssistDistrbuteInfo", DeptOf::Source, "FWasAmount", year, period);
  distributed(connection, "cbWExpenseDistributeInfo", DeptOf::ExpenseBill, "FWasAmount", year, period);
  distributed(connection, "cbWMakeDistributeInfo", DeptOf::Source, "FWasAmount", year, period);
  amendments(connection, 1, "FYAskAmount", year, period);
  amendments(connection, 0, "FAskAmount", year, period);

  sql.line("INSERT INTO #CalTab1 (FDeptID, FCostObjID, FCostItemID, FBadAmount)")
      .line("SELECT h.FDeptID, a.FCostObjID, a.FCostItemID, a.FAmount")
      .line("FROM CBWBMaterielInfo a")
      .line(listed())
      .line("  INNER JOIN cb_ICStockBill h ON a.FInterID = h.FInterID")
      .line(ofPeriod(year, period));
  sql.send(connection);

  // Every cost item in every department where the cost object has amounts.
  sql.line("INSERT INTO #CalTab1 (FDeptID, FCostObjID, FCostItemID)")
      .line("SELECT d.FDeptID, d.FCostObjID, i.FItemID")
      .line("FROM (SELECT DISTINCT FDeptID, FCostObjID FROM #CalTab1) d CROSS JOIN cbCostItem i");
  sql.send(connection);

  sql.line(
         "INSERT INTO #CalTab (FDeptID, FCostObjID, FCostItemID, FBegAmount, FNorAmount, FWasAmount, "
         "FAskAmount, FYAskAmount, FBadAmount)")
      .line(
          "SELECT FDeptID, FCostObjID, FCostItemID, SUM(FBegAmount), SUM(FNorAmount), SUM(FWasAmount), "
          "SUM(FAskAmount), SUM(FYAskAmount), SUM(FBadAmount)")
      .line("FROM #CalTab1 GROUP BY FDeptID, FCostObjID, FCostItemID");
  sql.send(connection);

  return takeRows(connection,
                  "SELECT t.FDeptID, t.FCostObjID, t.FCostItemID, t.FBegAmount, t.FNorAmount, t.FWasAmount, "
                  "t.FAskAmount, t.FYAskAmount, t.FBadAmount, i.FTypeID\r\n"
                  "FROM #CalTab t LEFT JOIN cbCostItem i ON t.FCostItemID = i.FItemID\r\n",
                  "#CalTab", "#CalTab1");
}

com::Ref<ado::Recordset> getSpendMateriel(ado::Connection& connection, int32_t year, int32_t period) {
  const auto amounts = {"FBegAmount", "FNorAmount", "FWasAmount", "FBegQty",
                        "FNorQty",    "FWasQty",    "FBadAmount", "FBadQty"};
  recreate(
      connection, "#CalTab1",
      "\r\n  FDeptID int,\r\n  FCostObjID int,\r\n  FCostItemID Int,\r\n  FMaterielID Int,\r\n  FBatchNo "
      "varchar(255)" +
          values(amounts));
  recreate(
      connection, "#CalTab",
      "\r\n  FDeptID int,\r\n  FCostObjID int,\r\n  FCostItemID Int,\r\n  FMaterielID Int,\r\n  FErpClsID "
      "int,\r\n  FQtyDecimal smallint not Null Default(4),\r\n  FSpendCostObjID Int not Null "
      "Default(0),\r\n  FBatchNo varchar(255)" +
          values(amounts));

  frame::SqlScript sql;
  sql.line(
         "INSERT INTO #CalTab1 (FDeptID, FCostObjID, FCostItemID, FMaterielID, FBatchNo, FBegAmount, "
         "FBegQty)")
      .line("SELECT a.FDepID, a.FCostObjID, a.FCostItemID, a.FMaterielID, a.FBatchNo, a.FSum, a.FQty")
      .line("FROM cbCostObjDetail a")
      .line(listed())
      .line(ofPeriod(year, period));
  sql.send(connection);
  issuedMateriel(connection, "cbMaterielInfo", "FNorAmount", "FNorQty", true, year, period);
  issuedMateriel(connection, "cbWMaterielInfo", "FWasAmount", "FWasQty", true, year, period);
  issuedMateriel(connection, "CBWBMaterielInfo", "FBadAmount", "FBadQty", false, year, period);

  sql.line("UPDATE t SET FBatchNo = '' FROM #CalTab1 t INNER JOIN t_ICItem i ON t.FMaterielID = i.FItemID")
      .line("WHERE i.FTrack <> " + std::string(frame::codes::kBatchTracked));
  sql.send(connection);

  sql.line(
         "INSERT INTO #CalTab (FDeptID, FCostObjID, FCostItemID, FMaterielID, FBatchNo, FBegAmount, "
         "FNorAmount, FWasAmount, FBegQty, FNorQty, FWasQty, FBadAmount, FBadQty)")
      .line(
          "SELECT FDeptID, FCostObjID, FCostItemID, FMaterielID, FBatchNo, SUM(FBegAmount), SUM(FNorAmount), "
          "SUM(FWasAmount), SUM(FBegQty), SUM(FNorQty), SUM(FWasQty), SUM(FBadAmount), SUM(FBadQty)")
      .line("FROM #CalTab1 GROUP BY FDeptID, FCostObjID, FCostItemID, FMaterielID, FBatchNo");
  sql.send(connection);

  // An item without quantity decimals keeps the default 4.
  sql.line("UPDATE t SET FErpClsID = i.FErpClsID, FQtyDecimal = ISNULL(i.FQtyDecimal, 4)")
      .line("FROM #CalTab t INNER JOIN t_ICItem i ON t.FMaterielID = i.FItemID");
  sql.send(connection);

  // The producer: a cost object with the material among its products and the
  // same batch, the highest calculation type first.
  sql.line("UPDATE t SET FSpendCostObjID = ISNULL((SELECT TOP 1 c.FItemID")
      .line("  FROM cbCostObj c INNER JOIN cb_CostObj_Product p ON c.FItemID = p.FCostObjID")
      .line("  WHERE p.FProductID = t.FMaterielID AND c.FBatchNo = t.FBatchNo")
      .line("  ORDER BY c.FCalculateType DESC), 0)")
      .line("FROM #CalTab t");
  sql.send(connection);

  return takeRows(connection, "SELECT * FROM  #CalTab", "#CalTab", "#CalTab1");
}

com::Ref<ado::Recordset> getOverOnlineQty(ado::Connection& connection, int32_t year, int32_t period) {
  const char* qty = " decimal(28,10) not Null Default(0)";
  const std::string layout = std::string("\r\n  FDeptID int,\r\n  FCostObjID int,\r\n  FOverQty") + qty +
                             ",\r\n  FOnlineQty" + qty + ",\r\n  FNoMatWasQty" + qty + ",\r\n  FNoOthWasQty" +
                             qty;
  recreate(connection, "#OnlineCostObj", layout);
  recreate(connection, "#OnlineCostObjSum", layout + ",\r\n  FSumQty" + qty);

  frame::SqlScript sql;
  for (const auto& [table, column] :
       {std::pair{"cbCompleteQty", "FOverQty"}, {"cbCostObjCheck", "FOnlineQty"}}) {
    sql.line(std::string("INSERT INTO #OnlineCostObj (FDeptID, FCostObjID, ") + column + ")")
        .line("SELECT a.FDeptID, a.FCostObjID, a.FQty")
        .line(std::string("FROM ") + table + " a")
        .line(listed())
        .line(ofPeriod(year, period));
    sql.send(connection);
  }
  sql.line("INSERT INTO #OnlineCostObj (FDeptID, FCostObjID, FNoMatWasQty, FNoOthWasQty)")
      .line("SELECT a.FDeptID, a.FCostObjID, a.FQty * a.FMatPercent / 100, a.FQty * a.FOthPercent / 100")
      .line("FROM CBWasterCostObjInfo a")
      .line(listed())
      .line(ofPeriod(year, period) + " AND a.FWasterTypeID = 1");
  sql.send(connection);

  sql.line(
         "INSERT INTO #OnlineCostObjSum (FDeptID, FCostObjID, FOverQty, FOnlineQty, FNoMatWasQty, "
         "FNoOthWasQty)")
      .line(
          "SELECT FDeptID, FCostObjID, SUM(FOverQty), SUM(FOnlineQty), SUM(FNoMatWasQty), SUM(FNoOthWasQty)")
      .line("FROM #OnlineCostObj GROUP BY FDeptID, FCostObjID")
      .line("UPDATE #OnlineCostObjSum SET FSumQty = FOverQty + FOnlineQty");
  sql.send(connection);

  return takeRows(connection, "SELECT * FROM #OnlineCostObjSum", "#OnlineCostObjSum", "#OnlineCostObj");
}

com::Ref<ado::Recordset> getZeroInfo(ado::Connection& connection, int32_t year, int32_t period) {
  frame::SqlScript sql;
  sql.line("SELECT a.FCostObjID, h.FBillNo, e.FEntryID, i.FNumber, i.FName")
      .line("FROM cbMaterielInfo a")
      .line(listed())
      .line("  INNER JOIN cb_ICStockBill h ON a.FInterID = h.FInterID")
      .line("  INNER JOIN cb_ICStockBillEntry e ON a.FInterID = e.FInterID AND a.FEntryID = e.FEntryID")
      .line("  INNER JOIN t_ICItem i ON e.FItemID = i.FItemID")
      .line(ofPeriod(year, period) + " AND e.FAmount = 0");
  return frame::detachedSelect(connection, sql.text());
}

}  // namespace mls::calculation

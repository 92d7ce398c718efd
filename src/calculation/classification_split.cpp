#include "calculation/classification_split.h"

#include <string>
#include <string_view>
#include <vector>

#include "frame/domain_codes.h"
#include "frame/drop_table.h"
#include "frame/period_window.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "platform/ado/recordset.h"
#include "platform/com/decimal.h"
#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/object_context.h"
#include "standards/sort_standard.h"

namespace mls::calculation {
namespace {

using com::Decimal;
using frame::sqlNumber;

constexpr const char* kCalInfo = "Marlstone.CalInfo";
constexpr const char* kTempTables[] = {"#Result", "#ResultSort", "#ResultDeputy"};

// <member> of a new CalInfo made through the object context; its answer must
// be a recordset.  The instance goes with the call.
com::Ref<ado::Recordset> askCalInfo(std::string_view member, std::vector<com::Variant> args) {
  com::Ref<com::Dispatch> info = com::getObjectContext().createInstance(kCalInfo);
  com::Variant answer = com::invokeByName(*info, member, com::kMethodOrGet, args);
  auto* rs = dynamic_cast<ado::Recordset*>(answer.toObject().get());
  if (!rs) com::raise(com::err::kTypeMismatch);
  return com::Ref<ado::Recordset>(rs);
}

Decimal cents(const Decimal& v) {
  return v.roundHalfEven(2);
}

class Split {
 public:
  Split(frame::Call& call, int32_t year, int32_t period, int32_t deptID, int32_t costObjID,
        int32_t costItemID)
      : call_(call),
        db_(call.connection()),
        year_(year),
        period_(period),
        dept_(deptID),
        costObj_(costObjID),
        costItem_(costItemID) {}

  void createResultSort() {
    frame::dropTempTable(db_, "#ResultSort");
    frame::SqlScript sql;
    sql.line("CREATE TABLE #ResultSort (FID INT IDENTITY(1,1), FDeptID int, FCostObjID int, FProductID int,")
        .line("  FCostItemID int, FIsDeputy int,")
        .line("  FStdQty Decimal(28,10) not Null Default(0), FQuotiety Decimal(28,10) not Null Default(0),")
        .line("  FDeputyAmount Decimal(28,10) not Null Default(0), FQty Decimal(28,10) not Null Default(0),")
        .line(
            "  FStandardQty Decimal(28,10) not Null Default(0), FRevQuo Decimal(28,10) not Null Default(0),")
        .line(
            "  FRevertAmount Decimal(28,10) not Null Default(0), FAmount Decimal(28,10) not Null "
            "Default(0))");
    sql.send(db_);
  }

  // The products' standard data under the standard, in the order CalInfo
  // answers them.
  void standardRows(int32_t standardID) {
    com::Ref<ado::Recordset> rs =
        askCalInfo("GetSortStandarddata",
                   {com::Variant(call_.props()), year_, period_, dept_, costObj_, costItem_, standardID});
    frame::SqlScript sql;
    for (; !rs->eof(); rs->moveNext()) {
      sql.line(
          "INSERT INTO #ResultSort (FDeptID,FCostObjID,FProductID,FCostItemID,FIsDeputy,FStdQty) VALUES (" +
          sqlNumber(rs->value("FDeptID").toLong()) + "," + sqlNumber(rs->value("FCostObjID").toLong()) + "," +
          sqlNumber(rs->value("FProductID").toLong()) + "," + sqlNumber(rs->value("FCostItemID").toLong()) +
          "," + sqlNumber(rs->value("FIsDeputy").toLong()) + "," +
          sqlNumber(frame::decimalOf(rs->value("FQty"))) + ")");
    }
    if (!sql.text().empty()) sql.send(db_);
  }

  // The products with a quantity of this cost object in the department, in
  // product order.
  void productRows() {
    frame::SqlScript sql;
    sql.line("INSERT INTO #ResultSort (FDeptID,FCostObjID,FProductID,FCostItemID,FIsDeputy)")
        .line("SELECT q.FDeptID," + sqlNumber(costObj_) + ",p.FProductID," + sqlNumber(costItem_) +
              ",p.FIsDeputy")
        .line(standards::productsWithQuantity(costObj_, dept_, year_, period_))
        .line("ORDER BY p.FProductID, q.FBatchNo");
    sql.send(db_);
  }

  // The by-products' fixed amounts.
  void deputyAmounts() {
    frame::dropTempTable(db_, "#ResultDeputy");
    frame::SqlScript sql;
    sql.line("CREATE TABLE #ResultDeputy (FID INT IDENTITY(1,1), FProductID int, FCostItemID int,")
        .line("  FAmount Decimal(28,10) not Null Default(0))");
    com::Ref<ado::Recordset> rs =
        askCalInfo("GetDeputyData", {com::Variant(call_.props()), year_, period_, dept_, costObj_});
    for (; !rs->eof(); rs->moveNext()) {
      sql.line("INSERT INTO #ResultDeputy (FProductID,FCostItemID,FAmount) VALUES (" +
               sqlNumber(rs->value("FProductID").toLong()) + "," +
               sqlNumber(rs->value("FCostItemID").toLong()) + "," +
               sqlNumber(frame::decimalOf(rs->value("FAmount"))) + ")");
    }
    sql.line("UPDATE #ResultSort SET FDeputyAmount=ISNULL((SELECT SUM(d.FAmount) FROM #ResultDeputy d")
        .line("  WHERE d.FProductID=#ResultSort.FProductID AND d.FCostItemID=#ResultSort.FCostItemID),0)")
        .line("WHERE FIsDeputy=1");
    sql.send(db_);
  }

  // SUM(<expr>) over the rows; Null when there are none.
  com::Variant sum(const std::string& expr, const std::string& where = {}) {
    com::Ref<ado::Recordset> rs =
        db_.execute("SELECT SUM(" + expr + ") FROM #ResultSort" + (where.empty() ? "" : " WHERE " + where));
    com::Variant v = rs->value(0);
    rs->close();
    return v;
  }

  void execute(const std::string& sql) { db_.execute(sql); }

  // The received quantities of the products in the department and period,
  // and each product's coefficient.
  void receivedQuantities(const frame::PeriodWindow& w) {
    frame::dropTempTable(db_, "#Result");
    frame::SqlScript sql;
    sql.line("CREATE TABLE #Result (FID INT IDENTITY(1,1), FProductID int,")
        .line("  FQty Decimal(28,10) not Null Default(0), FStandardQty Decimal(28,10) not Null Default(0),")
        .line("  FRevQuo Decimal(28,10) not Null Default(0), FQuotiety Decimal(28,10) not Null Default(0),")
        .line("  FAmount Decimal(28,10) not Null Default(0))")
        .line("INSERT INTO #Result (FProductID,FQty,FStandardQty,FRevQuo)")
        .line("SELECT e.FItemID, SUM(e.FQty), ROUND(SUM(e.FQty*p.FQuotiety), MAX(ISNULL(i.FQtyDecimal,4))),")
        .line("  MAX(p.FQuotiety)")
        .line("FROM cb_ICStockBill h INNER JOIN cb_ICStockBillEntry e ON e.FInterID=h.FInterID")
        .line("  INNER JOIN cb_CostObj_Product p ON p.FProductID=e.FItemID")
        .line(std::string("  INNER JOIN cbCostObj c ON c.FItemID=p.FCostObjID AND c.FCalculateType=") +
              frame::codes::kClassification + " AND c.FItemID=" + sqlNumber(costObj_))
        .line("  LEFT JOIN t_ICItem i ON i.FItemID=c.FStdProductID")
        .line(std::string("WHERE h.FTranType=") + frame::codes::kProductReceipt +
              " AND h.FDate>=" + frame::sqlDate(w.begin) + " AND h.FDate<" + frame::sqlDate(w.next))
        .line("  AND h.FStatus>0 AND h.FCancellation=0 AND h.FDeptID=" + sqlNumber(dept_))
        .line("GROUP BY e.FItemID")
        .line("UPDATE s SET s.FStandardQty=r.FStandardQty, s.FQty=r.FQty, s.FRevQuo=r.FRevQuo")
        .line("FROM #ResultSort s INNER JOIN #Result r ON r.FProductID=s.FProductID");
    sql.send(db_);
  }

  void writeRows(int32_t level) {
    frame::SqlScript sql;
    sql.line(
           "INSERT INTO cbProductCalInfo (FYear,FPeriod,FDeptID,FCostObjID,FCostItemID,FProductID,FBatchNo,")
        .line("  FAmount,FRevertAmount,FQty,FStandardQty,FRevQuo,FLevel)")
        .line(
            "SELECT " + sqlNumber(year_) + "," + sqlNumber(period_) +
            ",FDeptID,FCostObjID,FCostItemID,FProductID,'',FAmount,FRevertAmount,FQty,FStandardQty,FRevQuo," +
            sqlNumber(level))
        .line("FROM #ResultSort ORDER BY FID");
    sql.send(db_);
  }

  void dropAll() {
    for (const char* table : kTempTables)
      frame::dropTempTable(db_, table);
  }

 private:
  frame::Call& call_;
  ado::Connection& db_;
  int32_t year_, period_, dept_, costObj_, costItem_;
};

constexpr const char* kFirstMainRow = "(SELECT TOP 1 FID FROM #ResultSort WHERE FIsDeputy=0 ORDER BY FID)";

}  // namespace

com::Variant distributeTaxCost(frame::Call& call, int32_t year, int32_t period, int32_t deptID,
                               int32_t costObjID, int32_t costItemID, int32_t level, double sumAmount,
                               int32_t standardID, frame::ByRef<int32_t> dataQty, int32_t proCount) {
  const frame::PeriodWindow window =
      frame::getPeriodDateRange(call.props(), year, period, frame::WindowForm::NextAsDate);
  const Decimal amount = frame::decimalOf(sumAmount);
  Split split(call, year, period, deptID, costObjID, costItemID);
  // Nothing is written and no vote is cast.
  auto refuse = [&] {
    dataQty = 0;
    split.dropAll();
    return com::Variant();
  };

  split.createResultSort();
  if (standardID != 0) {
    split.standardRows(standardID);
    const com::Variant standardSum = split.sum("FStdQty");
    if (!standardSum.isNull() && standardSum.toDecimal().isZero() && !amount.isZero()) return refuse();
  } else {
    split.productRows();
  }
  dataQty = 1;
  split.deputyAmounts();

  const com::Variant deputySum = split.sum("FDeputyAmount");
  const Decimal deputies = deputySum.isNull() ? Decimal() : deputySum.toDecimal();
  const com::Variant standardSum = split.sum("FStdQty");
  const Decimal standards = standardSum.isNull() ? Decimal() : standardSum.toDecimal();
  const Decimal rest = amount - deputies;
  // Without a main product the rest has nowhere to go.
  if (split.sum("1", "FIsDeputy=0").isNull() && cents(amount) != cents(deputies)) return refuse();

  if (!standards.isZero())
    split.execute("UPDATE #ResultSort SET FQuotiety=FStdQty/(" + sqlNumber(standards) + ")");
  if (standardID != 0) {
    split.execute("UPDATE #ResultSort SET FAmount=ROUND((" + sqlNumber(rest) +
                  ")*FQuotiety,2) WHERE FIsDeputy=0");
  } else if (proCount == 1) {
    split.execute("UPDATE #ResultSort SET FAmount=" + sqlNumber(rest) + " WHERE FIsDeputy=0");
  } else {
    split.execute("UPDATE #ResultSort SET FAmount=" + sqlNumber(rest) + " WHERE FID=" + kFirstMainRow);
  }
  split.execute("UPDATE #ResultSort SET FAmount=FDeputyAmount WHERE FIsDeputy=1");
  split.receivedQuantities(window);

  const com::Variant written = split.sum("FAmount");
  if (!written.isNull()) {
    const Decimal difference = cents(amount) - cents(written.toDecimal());
    if (!difference.isZero())
      split.execute("UPDATE #ResultSort SET FAmount=FAmount+(" + sqlNumber(difference) +
                    ") WHERE FID=" + kFirstMainRow);
  }
  split.writeRows(level);
  split.dropAll();
  call.connection().close();
  com::getObjectContext().setComplete();
  return {};
}

}  // namespace mls::calculation

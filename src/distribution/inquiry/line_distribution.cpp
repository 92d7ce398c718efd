#include "distribution/inquiry/line_distribution.h"

#include <optional>
#include <string>
#include <vector>

#include "distribution/engine/client_values.h"
#include "distribution/engine/issue_lines.h"
#include "distribution/engine/line_rows.h"
#include "frame/component.h"
#include "frame/drop_table.h"
#include "frame/lang_text.h"
#include "frame/records.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "platform/com/decimal.h"
#include "platform/com/error.h"
#include "platform/com/object_context.h"
#include "platform/common/ascii_text.h"

namespace mls::distribution::inquiry {
namespace {

using com::Decimal;
using engine::Purpose;
using frame::sqlNText;
using frame::sqlNumber;
using frame::textOf;

constexpr const char* kLineGone = "单据[%1]已经被删除或者不存在。";
constexpr const char* kDept = "部门";
constexpr const char* kNoStandard = "共耗材料分配标准未设置。";
constexpr const char* kNoWasteStandard = "废品损失共耗材料分配标准未设置。";
// The other-expense component's standard setting of the shared material.
constexpr int16_t kSharedMaterialExpense = 1;
constexpr int32_t kStandardPerItem = -999;

ado::Recordset& recordsetOf(const com::Variant& v) {
  auto* rs = dynamic_cast<ado::Recordset*>(v.toObject().get());
  if (!rs) com::raise(com::err::kTypeMismatch, frame::kComponent);
  return *rs;
}

// What differs between the normal class and its repairable-waste twin.
struct Twin {
  Purpose purpose;
  const char* progId;
  int16_t otherExpensePurpose;
  const char* noStandard;
  const char* guard;
  bool normal() const { return purpose == Purpose::Normal; }
};
constexpr Twin kNormal{Purpose::Normal, "Marlstone.ConcludeInfo", 0, kNoStandard, "CheckIsOnlineCostObj"};
constexpr Twin kWaste{Purpose::RepairableWaste, "Marlstone.WConcludeInfo", 1, kNoWasteStandard,
                      "CheckIsWasterCostObj"};

// The issue line as read from the snapshot.
struct Line {
  int qtyDecimal = 10;
  int32_t costObjID = 0;  // 0: shared
  Decimal qty;
  Decimal amount;
  int32_t standardID = 0;  // the saved standard
  std::string standardName;
  int32_t deptID = 0;
  std::string deptName, deptNumber, materielName, materielNumber;
  int32_t itemID = 0;
  int32_t groupID = 0;
};

// One receiving cost object.
struct Share {
  int32_t costObjID = 0;
  Decimal standardQty, qty, amount;
  std::optional<Decimal> costItemID;  // none: NULL
  int32_t chk = 0;
};

class LineDistribution {
 public:
  LineDistribution(frame::Call& call, const Twin& twin, int32_t year, int32_t period)
      : call_(call), db_(call.connection()), twin_(twin), year_(year), period_(period) {}

  com::Ref<ado::Recordset> run(int32_t interID, int32_t entryID, bool refresh,
                               const com::Ref<halvern::List>& vctData, int32_t standardBySelect,
                               const std::string& nameBySelect, int32_t groupID, const std::string& billNo) {
    Line line = readLine(interID, entryID, billNo);
    if (groupID == 0 && twin_.normal()) groupID = line.groupID;
    chooseStandard(line, standardBySelect, nameBySelect);
    std::vector<Share> shares;
    if (line.costObjID != 0) {
      if (!vctData) guard(line);
      shares.push_back({line.costObjID, Decimal(), line.qty, line.amount, std::nullopt, 0});
    } else {
      com::Ref<ado::Recordset> data =
          vctData ? standardDataByVector(*vctData) : standardData(line, interID, entryID, refresh, groupID);
      shares = spread(line, *data);
    }
    // Rows of no standard quantity and no amount go, whatever their quantity:
    // a direct line of amount 0 shows nothing (the waste class keeps them).
    if (twin_.normal()) {
      std::erase_if(shares, [](const Share& s) { return s.standardQty.isZero() && s.amount.isZero(); });
    }
    writeResult(shares);
    if (!vctData) costItems(line, interID, entryID, refresh);
    return frame::detachedSelect(db_, resultSelect(line, billNo));
  }

 private:
  Line readLine(int32_t interID, int32_t entryID, const std::string& billNo) {
    const int32_t style = engine::matCalStyle(db_);
    const std::string saved = " FROM " + std::string(engine::rowTable(twin_.purpose)) +
                              " m WHERE m.FInterID=v1.FInterID AND m.FEntryID=v1.FEntryID";
    frame::SqlScript sql;
    sql.line("SELECT " + engine::qtyPlaces("t1") + ",")
        .line(" CASE WHEN t2.FItemID IS NULL OR t2.FNumber='MaterielShareID' THEN 0 ELSE t2.FItemID END,")
        .line(" v1.FQty," + engine::valuedAmount(style, "t1") + ",")
        .line(" ISNULL((SELECT TOP 1 m.FStdID" + saved + "),0),")
        .line(std::string(" ISNULL((SELECT TOP 1 s.") + standardNameColumn() + " FROM " +
              std::string(engine::rowTable(twin_.purpose)) +
              " m INNER JOIN cb_BmStandard s ON s.FNum=m.FStdID WHERE m.FInterID=v1.FInterID AND "
              "m.FEntryID=v1.FEntryID),''),")
        .line(" u1.FDeptID,t3.FName,t3.FNumber,t1.FName,t1.FNumber,v1.FItemID,v1.FCostObjGroupID")
        .line("FROM cb_ICStockBill u1 INNER JOIN cb_ICStockBillEntry v1 ON u1.FInterID=v1.FInterID")
        .line(" INNER JOIN t_ICItem t1 ON v1.FItemID=t1.FItemID")
        .line(" LEFT OUTER JOIN cbCostObj t2 ON v1.FCostObjID=t2.FItemID")
        .line(" INNER JOIN t_Department t3 ON u1.FDeptID=t3.FItemID")
        .line("WHERE u1.FInterID=" + sqlNumber(interID) + " AND v1.FEntryID=" + sqlNumber(entryID));
    com::Ref<ado::Recordset> rs = db_.execute(sql.text(), nullptr, -1);
    if (rs->eof()) {
      com::Variant args(com::SafeArray::vector({com::Variant(billNo)}));
      com::raise(com::err::kInvalidCall, {}, frame::langTextFormat(call_.language(), kLineGone, args));
    }
    Line l;
    l.qtyDecimal = rs->value(size_t{0}).toLong();
    l.costObjID = rs->value(1).toLong();
    l.qty = rs->value(2).toDecimal();
    l.amount = rs->value(3).toDecimal();
    l.standardID = rs->value(4).toLong();
    l.standardName = textOf(rs->value(5));
    l.deptID = rs->value(6).toLong();
    l.deptName = textOf(rs->value(7));
    l.deptNumber = textOf(rs->value(8));
    l.materielName = textOf(rs->value(9));
    l.materielNumber = textOf(rs->value(10));
    l.itemID = rs->value(11).toLong();
    l.groupID = rs->value(12).toLong();
    rs->close();
    return l;
  }

  // The column of a standard's name in the caller's language.
  const char* standardNameColumn() const {
    const std::string language = ascii::lowerCase(call_.language());
    return language == "en" ? "FName_en" : language == "cht" ? "FName_cht" : "FName";
  }

  // The standard of the line: picked by the user, else saved, else the
  // department's setting.
  void chooseStandard(Line& line, int32_t standardBySelect, const std::string& nameBySelect) {
    if (standardBySelect >= 1) {
      line.standardID = standardBySelect;
      line.standardName = nameBySelect;
      return;
    }
    const bool ask = line.standardID == 0 && (line.costObjID == 0 || !twin_.normal());
    if (!ask) return;
    com::Ref<com::Dispatch> other = com::getObjectContext().createInstance("Ashgrove.OthenExpense");
    com::Variant setting =
        com::callByName(*other, "GetOtherExpStandardSet", call_.props(), line.deptID,
                        com::Variant(kSharedMaterialExpense), com::Variant(twin_.otherExpensePurpose));
    ado::Recordset& rs = recordsetOf(setting);
    if (rs.eof()) return;
    line.standardID = rs.value("FStandardID").toLong();
    line.standardName = textOf(rs.value("FStandardName"));
    if (line.standardID == kStandardPerItem) itemStandard(line);
    if (line.standardName.empty()) {
      com::raise(com::err::kInvalidCall, {},
                 frame::langText(kDept, call_.language()) + line.deptName +
                     frame::langText(twin_.noStandard, call_.language()));
    }
  }

  // The item's own standard, when the department's lines of the purpose name it.
  void itemStandard(Line& line) {
    com::Ref<halvern::Dictionary> filter = com::makeObject<halvern::Dictionary>();
    filter->setItem("Year", year_);
    filter->setItem("Period", period_);
    com::Ref<com::Dispatch> info = com::getObjectContext().createInstance("Marlstone.AutoDisInfo");
    com::Variant answer = com::callByName(
        *info, "GetItemStandardByDept", call_.props(), line.deptID, twin_.normal() ? 0 : 1,
        com::Variant(com::Ref<com::Dispatch>(filter)), " AND v1.FItemID=" + sqlNumber(line.itemID));
    ado::Recordset& rs = recordsetOf(answer);
    if (rs.eof()) return;
    const com::Variant& id = rs.value("FCBBMStandardID");
    line.standardID = id.isNull() ? 0 : id.toLong();
    line.standardName = textOf(rs.value("FStandardName"));
  }

  void guard(const Line& line) {
    com::Ref<com::Dispatch> check = com::getObjectContext().createInstance("Marlstone.CalInfoCheck");
    com::callByName(*check, twin_.guard, call_.props(), year_, period_, line.deptID, line.costObjID);
  }

  com::Ref<ado::Recordset> standardData(const Line& line, int32_t interID, int32_t entryID, bool refresh,
                                        int32_t groupID) {
    com::Ref<com::Dispatch> evaluator = com::getObjectContext().createInstance(twin_.progId);
    com::Variant answer =
        twin_.normal()
            ? com::callByName(*evaluator, "GetStandarddata", call_.props(), year_, period_, line.deptID, 0,
                              line.standardID, interID, entryID, refresh, groupID, line.itemID)
            : com::callByName(*evaluator, "GetStandarddata", call_.props(), year_, period_, line.deptID, 0,
                              line.standardID, interID, entryID, refresh, groupID);
    return com::Ref<ado::Recordset>(&recordsetOf(answer));
  }

  // The client's standard quantities per cost object as standard data, on
  // this connection.
  com::Ref<ado::Recordset> standardDataByVector(const halvern::List& vctData) {
    frame::dropTempTable(db_, "#OnlineCostObj");
    frame::SqlScript sql;
    sql.line("CREATE TABLE #OnlineCostObj (FCostObjID int, FQty Decimal(28,10) not null default 0,")
        .line(" FCostItemID Decimal(28,10) not null default 0" +
              std::string(twin_.normal() ? ", FChk smallint not null default 0)" : ")"));
    int32_t n = 0;
    for (const com::Variant& item : vctData) {
      ++n;
      auto* record = dynamic_cast<halvern::Dictionary*>(
          item.deref().kind() == com::VarKind::Object ? item.toObject().get() : nullptr);
      const std::string what = "vctData item " + std::to_string(n) + "'s ";
      if (!record)
        com::raise(com::err::kTypeMismatch, call_.fullName(),
                   "vctData item " + std::to_string(n) + " is not a dictionary");
      auto number = [&](const char* key) {
        return sqlNumber(engine::clientNumber(call_, record->itemOrDefault(key, com::Variant()), what + key));
      };
      sql.line("INSERT INTO #OnlineCostObj (FCostObjID,FQty,FCostItemID) VALUES (" + number("FCostObjID") +
               "," + number("FStandardData") + "," + number("FCostItemID") + ")");
    }
    sql.send(db_);
    com::Ref<ado::Recordset> rs =
        frame::detachedSelect(db_, std::string("SELECT FCostObjID,FQty,FCostItemID") +
                                       (twin_.normal() ? ",FChk" : "") + " FROM #OnlineCostObj");
    frame::dropTempTable(db_, "#OnlineCostObj");
    return rs;
  }

  // Each receiver's part of the line: the line times its standard quantity
  // over their sum, rounded half to even (0 when the sum is 0); the rounding
  // difference on one row.
  std::vector<Share> spread(const Line& line, ado::Recordset& data) {
    std::vector<Share> shares;
    Decimal total;
    for (; !data.eof(); data.moveNext()) {
      Share s;
      s.costObjID = data.value("FCostObjID").toLong();
      s.standardQty = data.value("FQty").toDecimal();
      total = total + s.standardQty;
      const com::Variant& costItem = data.value("FCostItemID");
      if (!costItem.isNull()) s.costItemID = costItem.toDecimal();
      if (twin_.normal()) s.chk = data.value("FChk").toLong();
      shares.push_back(s);
    }
    for (Share& s : shares) {
      if (total.isZero()) continue;
      s.amount = engine::weighedPartHalfEven(line.amount, s.standardQty, total, 2);
      s.qty = engine::weighedPartHalfEven(line.qty, s.standardQty, total, line.qtyDecimal);
    }
    settle(shares, line.amount, 2, &Share::amount);
    settle(shares, line.qty, line.qtyDecimal, &Share::qty);
    return shares;
  }

  // The only row takes the difference; else the normal class, as the saved
  // distribution puts it, the row of the largest standard quantity, among
  // equal ones the largest cost-object id; the waste class the first row of
  // any but 0.  Rows of standard quantity 0 take none.
  void settle(std::vector<Share>& shares, const Decimal& whole, int places, Decimal Share::*part) const {
    if (shares.empty()) return;
    Decimal sum;
    for (const Share& s : shares)
      sum = sum + s.*part;
    if (sum == whole) return;
    Share* target = shares.size() == 1 ? &shares[0] : nullptr;
    for (size_t i = 0; shares.size() > 1 && i < shares.size(); ++i) {
      Share& s = shares[i];
      if (s.standardQty.isZero()) continue;
      if (!target) {
        target = &s;
        if (!twin_.normal()) break;
      } else if (s.standardQty > target->standardQty ||
                 (s.standardQty == target->standardQty && s.costObjID > target->costObjID)) {
        target = &s;
      }
    }
    if (target) target->*part = target->*part + (whole.roundHalfEven(places) - sum.roundHalfEven(places));
  }

  void writeResult(const std::vector<Share>& shares) {
    frame::dropTempTable(db_, "#Result");
    frame::SqlScript sql;
    sql.line("CREATE TABLE #Result (FID INT IDENTITY(1,1), FCostObjID int,")
        .line(
            " FStandardQty Decimal(28,10) not null default 0, FDistributQty Decimal(28,10) not null default "
            "0,")
        .line(" FDistributAmount Decimal(28,10) not null default 0, FCostItemID int" +
              std::string(twin_.normal() ? ", FChk smallint not null default 0)" : ")"));
    for (const Share& s : shares) {
      sql.line("INSERT INTO #Result (FCostObjID,FStandardQty,FDistributQty,FDistributAmount,FCostItemID" +
               std::string(twin_.normal() ? ",FChk" : "") + ") VALUES (" + sqlNumber(s.costObjID) + "," +
               sqlNumber(s.standardQty) + "," + sqlNumber(s.qty) + "," + sqlNumber(s.amount) + "," +
               (s.costItemID ? sqlNumber(*s.costItemID) : "NULL") +
               (twin_.normal() ? "," + sqlNumber(s.chk) : std::string()) + ")");
    }
    sql.send(db_);
  }

  // The item's cost item, else the line's saved one (unless refreshed), else
  // the defaults of shared lines.
  void costItems(const Line& line, int32_t interID, int32_t entryID, bool refresh) {
    frame::SqlScript sql;
    sql.line(
        "UPDATE #Result SET FCostItemID=ISNULL((SELECT c.FItemID FROM t_ICItem i INNER JOIN cbCostItem c ON "
        "c.FItemID=i.FCostProject WHERE i.FItemID=" +
        sqlNumber(line.itemID) + "),0)");
    if (!refresh) {
      sql.line("UPDATE r SET FCostItemID=m.FCostItemID FROM #Result r INNER JOIN " +
               std::string(engine::rowTable(twin_.purpose)) + " m ON m.FCostObjID=r.FCostObjID")
          .line(" WHERE m.FInterID=" + sqlNumber(interID) + " AND m.FEntryID=" + sqlNumber(entryID) +
                " AND m.FYear=" + sqlNumber(year_) + " AND m.FPeriod=" + sqlNumber(period_) +
                " AND m.FCostItemID<>0");
    }
    sql.add(engine::defaultCostItems("#Result"));
    sql.send(db_);
  }

  std::string resultSelect(const Line& line, const std::string& billNo) const {
    frame::SqlScript sql;
    sql.line(
           "SELECT t2.FNumber AS FCostObjNumber,t2.FName AS FCostobjName,r.FStandardQty,r.FDistributAmount,")
        .line(
            " r.FDistributQty,c.FName AS FCostItemName,c.FNumber AS "
            "FCostItemNumber,r.FCostItemID,r.FCostObjID,")
        .line(" " + sqlNText(line.deptName) + " AS FDeptName," + sqlNText(line.deptNumber) +
              " AS FDeptNumber,")
        .line(" " + sqlNText(line.standardName) + " AS FStandardName," + sqlNumber(line.standardID) +
              " AS FStandardID," + sqlNumber(line.costObjID) + " AS FBCostObjID,")
        .add(" " + sqlNText(line.materielName) + " AS FMaterielName," + sqlNText(line.materielNumber) +
             " AS FMaterielNumber");
    if (twin_.normal()) sql.add(",r.FChk," + sqlNText(billNo) + " AS FBillNo");
    sql.line("")
        .line("FROM #Result r INNER JOIN cbCostObj t2 ON t2.FItemID=r.FCostObjID")
        .line(" LEFT JOIN cbCostItem c ON c.FItemID=r.FCostItemID")
        .line("ORDER BY t2.FNumber");
    return sql.text();
  }

  frame::Call& call_;
  ado::Connection& db_;
  const Twin& twin_;
  int32_t year_;
  int32_t period_;
};

}  // namespace

com::Ref<ado::Recordset> getMaterielExpenseDistribute(frame::Call& call, int32_t year, int32_t period,
                                                      int32_t interID, int32_t entryID, bool refresh,
                                                      com::Ref<halvern::List> vctData,
                                                      int32_t standardBySelect,
                                                      std::string standardNameBySelect, int32_t groupID,
                                                      std::string billNo) {
  return LineDistribution(call, kNormal, year, period)
      .run(interID, entryID, refresh, vctData, standardBySelect, standardNameBySelect, groupID, billNo);
}

com::Ref<ado::Recordset> getWasteMaterielExpenseDistribute(frame::Call& call, int32_t year, int32_t period,
                                                           int32_t interID, int32_t entryID, bool refresh,
                                                           com::Ref<halvern::List> vctData,
                                                           int32_t standardBySelect,
                                                           std::string standardNameBySelect, int32_t groupID,
                                                           std::string billNo) {
  return LineDistribution(call, kWaste, year, period)
      .run(interID, entryID, refresh, vctData, standardBySelect, standardNameBySelect, groupID, billNo);
}

}  // namespace mls::distribution::inquiry

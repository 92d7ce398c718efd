#include "schema/demoplant/plant.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <tuple>

#include "frame/sql_literal.h"
#include "platform/com/decimal.h"
#include "schema/demoplant/calendar.h"
#include "schema/demoplant/row_writer.h"

namespace mls::demoplant {
namespace {

using frame::sqlNText;
using frame::sqlNumber;
using frame::sqlText;

const std::string kNull = "NULL";

// splitmix64: the same sequence on every platform.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }
  bool percent(int p) { return below(100) < p; }

 private:
  uint64_t state_;
};

std::string code(const char* prefix, int n) {
  char text[48];
  std::snprintf(text, sizeof text, "%s%05d", prefix, n);
  return text;
}

double round2(double v) {
  return std::round(v * 100.0) / 100.0;
}

// A figure the generator computed, as the decimal it stands for.
std::string figure(double v) {
  return sqlNumber(frame::decimalOf(v));
}

constexpr int kFirstDept = 101;
// The ERP class of the products: made here, so a BOM of one counts its usage.
constexpr int kSelfMade = 2;
constexpr int kDepartments = 6;  // 101-104 production, 105-106 auxiliary
constexpr int kMaterialCostItem = 1;

struct CostObject {
  int id = 0;
  int type = 906;
  int product = 0;
  std::string batch;
  std::vector<int> products;  // 909: main, second, by-product
};

struct Line {
  int interId, entryId, costObj;
  double qty, amount;
  int item = 0;
  std::string batch{};
};

class Generator {
 public:
  Generator(const PlantOptions& o, Plant& plant)
      : o_(o),
        plant_(plant),
        out_(plant.statements),
        rnd_(o.seed),
        prev_(periodWindow(o.year, o.period - 1)),
        cur_(periodWindow(o.year, o.period)),
        after_(periodWindow(o.year, o.period + 1)) {}

  void run() {
    calendar();
    departments();
    materials();
    costObjects();
    bills();
    otherExpenses();
    results();
    unitsAndByProductValues();
    standardSources();
    costReportData();
    classificationSources();
    distributionSources();
    purchaseInvoices();
    workInProcess();
    repricingSources();
  }

 private:
  void calendar() {
    out_.push_back("DELETE FROM t_PeriodCalendar WHERE FYear IN (" + sqlNumber(o_.year) + ", " +
                   sqlNumber(o_.year + 1) + ")\r\n");
    RowWriter w(out_, "t_PeriodCalendar", "FYear, FPeriod, FStartDate");
    for (int year : {o_.year, o_.year + 1}) {
      for (int p = 1; p <= 12; ++p)
        w.row({sqlNumber(year), sqlNumber(p), sqlText(dayText(periodWindow(year, p).begin))});
    }
  }

  void departments() {
    const char* names[kDepartments] = {"Machining", "Assembly", "Painting", "Packing", "Tool room", "Power"};
    RowWriter w(out_, "t_Department", "FItemID, FNumber, FName, FCostAccountType");
    for (int i = 0; i < kDepartments; ++i)
      w.row({sqlNumber(kFirstDept + i), sqlNText(code("D.", i + 1)), sqlNText(names[i]),
             sqlNumber(i < 4 ? 361 : 362)});
    plant_.facts.departments = kDepartments;
  }

  void materials() {
    const int count = std::max(20, std::min(2000, o_.billLines / 40));
    RowWriter w(out_, "t_ICItem", "FItemID, FNumber, FName, FTrack, FQtyDecimal, FPriceDecimal");
    for (int i = 0; i < count; ++i) {
      int id = 10000 + i;
      materials_.push_back(id);
      tracked_.push_back(i % 5 == 0);
      w.row({sqlNumber(id), sqlNText(code("M.", i)), sqlNText("Material " + std::to_string(i)),
             sqlNumber(i % 5 == 0 ? 80 : 0), i % 4 == 0 ? kNull : sqlNumber((i % 3) * 2), sqlNumber(2)});
    }
    plant_.facts.items += count;
  }

  int newProduct(RowWriter& items, bool tracked, bool wholeUnits) {
    int id = 20000 + products_++;
    items.row({sqlNumber(id), sqlNText(code("P.", id - 20000)),
               sqlNText("Product " + std::to_string(id - 20000)), sqlNumber(tracked ? 80 : 0),
               wholeUnits ? sqlNumber(0) : kNull, sqlNumber(2), sqlNumber(kSelfMade)});
    ++plant_.facts.items;
    return id;
  }

  // Types by position in each group of eight: 906, 907, 908, 908 (the same
  // product, another batch), 909, 906 and 907 sharing the first two's
  // products, 906.
  void costObjects() {
    static constexpr int kTypes[8] = {906, 907, 908, 908, 909, 906, 907, 906};
    const int count = std::max(8, std::min(4000, o_.billLines / 100));
    RowWriter items(out_, "t_ICItem",
                    "FItemID, FNumber, FName, FTrack, FQtyDecimal, FPriceDecimal, FErpClsID");
    RowWriter products(out_, "cb_CostObj_Product", "FCostObjID, FProductID, FQuotiety, FIsDeputy");
    for (int i = 0; i < count; ++i) {
      CostObject c;
      c.id = 50000 + i;
      c.type = kTypes[i % 8];
      switch (i % 8) {
        case 3:
          c.product = objects_.back().product;
          break;
        case 5:
        case 6:
          c.product = objects_[objects_.size() - 5].product;
          break;
        case 4: {
          c.product = newProduct(items, false, i % 16 == 4);
          int second = newProduct(items, false, false);
          int byProduct = newProduct(items, false, false);
          c.products = {c.product, second, byProduct};
          products.row({sqlNumber(c.id), sqlNumber(c.product), figure(1.0), sqlNumber(0)});
          products.row({sqlNumber(c.id), sqlNumber(second), figure(0.5), sqlNumber(0)});
          products.row({sqlNumber(c.id), sqlNumber(byProduct), figure(0.2), sqlNumber(1)});
          break;
        }
        default:
          c.product = newProduct(items, c.type == 908, false);
      }
      if (c.type == 908) c.batch = code("B", i);
      objects_.push_back(std::move(c));
    }
    RowWriter w(out_, "cbCostObj", "FItemID, FNumber, FName, FStdProductID, FBatchNo, FCalculateType");
    for (const CostObject& c : objects_) {
      w.row({sqlNumber(c.id), sqlNText(code("CO.", c.id - 50000)),
             sqlNText("Cost object " + std::to_string(c.id - 50000)), sqlNumber(c.product), sqlText(c.batch),
             sqlNumber(c.type)});
    }
    plant_.facts.costObjects = count;
  }

  int billDate(Window& in) {
    int roll = rnd_.below(100);
    if (roll < 46)
      in = cur_;
    else if (roll < 92)
      in = after_;
    else if (roll < 95)
      return (in = cur_).begin;  // the period's first day: in
    else if (roll < 97)
      return (in = after_).begin;  // the next period's first day: out
    else
      in = prev_;
    return in.begin + rnd_.below(in.next - in.begin);
  }

  void bills() {
    RowWriter heads(
        out_, "ICStockBill",
        "FInterID, FBillNo, FTranType, FDate, FDeptID, FHookInterID, FVchInterID, FROB, FCheckerID, "
        "FStatus, FCancellation, FPurposeID");
    RowWriter lines(out_, "ICStockBillEntry",
                    "FInterID, FEntryID, FItemID, FQty, FPrice, FBatchNo, FAmount, FUnitID, FPlanPrice, "
                    "FPlanAmount, FCostCenterID, FICMOInterID, FCostObjGroupID, FCostOBJID, FReProduceType");
    RowWriter normal(out_, "cbMaterielInfo", distributionColumns(true));
    RowWriter waste(out_, "cbWMaterielInfo", distributionColumns(true));
    RowWriter residual(out_, "CBWBMaterielInfo", distributionColumns(false));
    int interId = 0;
    while (plant_.facts.billLines < o_.billLines) {
      ++interId;
      int roll = rnd_.below(100);
      int type = roll < 55 ? 24 : roll < 80 ? 2 : roll < 88 ? 5 : (roll < 92 ? 1 : roll < 96 ? 21 : 29);
      Window window{};
      Day date = billDate(window);
      bool unchecked = rnd_.percent(8);
      int purpose = 0;
      if (type == 24) {
        int p = rnd_.below(100);
        purpose = p < 75 ? 12000 : p < 90 ? 12001 : 12002;
      }
      // Issues and receipts mostly in production departments.
      int dept = kFirstDept + (rnd_.percent(85) ? rnd_.below(4) : 4 + rnd_.below(2));
      heads.row({sqlNumber(interId),
                 rnd_.percent(5) ? kNull : sqlNText(code(type == 2 ? "CIN" : "SOUT", interId)),
                 sqlNumber(type), sqlText(dayText(date)), rnd_.percent(2) ? kNull : sqlNumber(dept),
                 rnd_.percent(25) ? sqlNumber(interId + 7) : kNull, rnd_.percent(30) ? kNull : sqlNumber(0),
                 rnd_.percent(10) ? kNull : sqlNumber(1),
                 unchecked ? (rnd_.percent(50) ? kNull : sqlNumber(0)) : sqlNumber(16394),
                 sqlNumber(unchecked ? 0 : 1), sqlNumber(rnd_.percent(5) ? 1 : 0), sqlNumber(purpose)});
      if (type == 5 && window.begin == cur_.begin && !unchecked) receipts_.push_back(interId);
      int count = std::min(1 + rnd_.below(6), o_.billLines - plant_.facts.billLines);
      for (int entry = 1; entry <= count; ++entry) {
        Line l =
            type == 2 ? receiptLine(lines, interId, entry, dept) : issueLine(lines, interId, entry, dept);
        ++plant_.facts.billLines;
        if (type != 24) continue;
        if (window.begin == cur_.begin && purpose == 12000 && dept <= kFirstDept + 3) {
          Used& used = consumed_[{dept, l.item, l.batch}];
          used.qty += l.qty;
          used.amount += l.amount;
        }
        RowWriter& table = purpose == 12000 ? normal : purpose == 12001 ? waste : residual;
        if (window.begin == cur_.begin)
          distribute(table, purpose != 12002, l, o_.period);
        else if (window.begin == prev_.begin)
          distribute(table, purpose != 12002, l, o_.period - 1);
        // A distribution row of a line deleted since.
        if (window.begin == cur_.begin && entry == count && rnd_.percent(10)) {
          l.entryId = count + 1;
          distribute(table, purpose != 12002, l, o_.period);
        }
      }
    }
    plant_.facts.bills = interId;
  }

  Line issueLine(RowWriter& w, int interId, int entry, int dept) {
    int m = rnd_.below(static_cast<int>(materials_.size()));
    double qty = (1 + rnd_.below(50000)) / 100.0;
    double price = (1 + rnd_.below(10000)) / 100.0;
    double amount = round2(qty * price);
    int costObj = rnd_.percent(30) ? 0 : objects_[rnd_.below(static_cast<int>(objects_.size()))].id;
    std::string batch = tracked_[m] ? "L" + std::to_string(1 + rnd_.below(5)) : "";
    w.row({sqlNumber(interId), sqlNumber(entry), sqlNumber(materials_[m]), figure(qty), figure(price),
           sqlText(batch), figure(amount), sqlNumber(1), figure(price), figure(amount), sqlNumber(dept),
           sqlNumber(rnd_.percent(50) ? 0 : 700 + rnd_.below(50)), sqlNumber(0), sqlNumber(costObj),
           sqlNumber(rnd_.percent(5) ? 1058 : 0)});
    return {interId, entry, costObj, qty, amount, materials_[m], batch};
  }

  Line receiptLine(RowWriter& w, int interId, int entry, int dept) {
    const CostObject& c = objects_[rnd_.below(static_cast<int>(objects_.size()))];
    int item = c.products.empty() ? c.product : c.products[rnd_.below(3)];
    std::string batch = c.type == 908 ? (rnd_.percent(85) ? c.batch : "BX") : "";
    double qty = (1 + rnd_.below(800)) / 4.0;
    double price = (100 + rnd_.below(90000)) / 100.0;
    double amount = round2(qty * price);
    w.row({sqlNumber(interId), sqlNumber(entry), sqlNumber(item), figure(qty), figure(price), sqlText(batch),
           figure(amount), sqlNumber(receiptUnit(item)), figure(price), figure(amount), sqlNumber(dept),
           sqlNumber(0), sqlNumber(0), sqlNumber(c.id), sqlNumber(0)});
    return {interId, entry, c.id, qty, amount};
  }

  static std::string distributionColumns(bool withStandard) {
    return std::string("FYear, FPeriod, FInterID, FEntryID, FCostObjID, FCostItemID, ") +
           (withStandard ? "FStdID, FStandardData, " : "") + "FQty, FAmount";
  }

  // The line's quantity and amount to its own cost object, or halved between
  // two cost objects for a shared line.
  void distribute(RowWriter& w, bool withStandard, const Line& l, int period) {
    std::vector<int> receivers{l.costObj};
    if (l.costObj == 0) {
      receivers = {objects_[rnd_.below(static_cast<int>(objects_.size()))].id,
                   objects_[rnd_.below(static_cast<int>(objects_.size()))].id};
    }
    double share = 1.0 / static_cast<double>(receivers.size());
    for (int receiver : receivers) {
      std::vector<std::string> row{sqlNumber(o_.year),   sqlNumber(period),   sqlNumber(l.interId),
                                   sqlNumber(l.entryId), sqlNumber(receiver), sqlNumber(kMaterialCostItem)};
      if (withStandard) {
        row.push_back(sqlNumber(1 + rnd_.below(3)));
        row.push_back(figure(share));
      }
      row.push_back(figure(round2(l.qty * share)));
      row.push_back(figure(round2(l.amount * share)));
      w.row(row);
      ++plant_.facts.distributionRows;
    }
  }

  // Two other-expense bills per production department and purpose; their
  // distribution, with orphans: a row of a repairable-waste bill in the
  // normal table, a row of a bill that no longer exists, a row of a bill of
  // the period before.
  void otherExpenses() {
    RowWriter bills(out_, "cbCostExpenseInfo", "FInterID, FYear, FPeriod, FDeptID, FPurposeID, FAmount");
    RowWriter normal(out_, "cbExpenseDistributeInfo",
                     "FYear, FPeriod, FInterID, FCostObjID, FCostItemID, FAmount");
    RowWriter waste(out_, "cbWExpenseDistributeInfo",
                    "FYear, FPeriod, FInterID, FCostObjID, FCostItemID, FAmount");
    int interId = 900000;
    auto spread = [&](RowWriter& w, int period, int bill) {
      for (int k = 0; k < 2; ++k) {
        w.row({sqlNumber(o_.year), sqlNumber(period), sqlNumber(bill),
               sqlNumber(objects_[rnd_.below(static_cast<int>(objects_.size()))].id), sqlNumber(2),
               figure((1 + rnd_.below(100000)) / 100.0)});
        ++plant_.facts.distributionRows;
      }
    };
    for (int d = 0; d < 4; ++d) {
      for (int purpose : {0, 1}) {
        for (int k = 0; k < 2; ++k) {
          ++interId;
          bills.row({sqlNumber(interId), sqlNumber(o_.year), sqlNumber(o_.period), sqlNumber(kFirstDept + d),
                     sqlNumber(purpose), figure((1 + rnd_.below(1000000)) / 100.0)});
          spread(purpose == 0 ? normal : waste, o_.period, interId);
        }
      }
    }
    // A stray bill without an interior ID must not keep orphans alive.
    bills.row(
        {kNull, sqlNumber(o_.year), sqlNumber(o_.period), sqlNumber(kFirstDept), sqlNumber(0), figure(1.0)});
    spread(normal, o_.period, interId);     // a repairable-waste bill in the normal table
    spread(waste, o_.period, interId - 2);  // a normal bill in the repairable-waste table
    spread(normal, o_.period, 999999);      // a bill deleted since
    bills.row({sqlNumber(++interId), sqlNumber(o_.year), sqlNumber(o_.period - 1), sqlNumber(kFirstDept),
               sqlNumber(0), figure(10.0)});
    spread(normal, o_.period - 1, interId);  // the period before: untouched
  }

  // Results of an earlier calculation of the period and of the period before.
  void results() {
    RowWriter product(
        out_, "cbProductCalInfo",
        "FYear, FPeriod, FDeptID, FCostObjID, FCostItemID, FProductID, FBatchNo, FAmount, FLevel, FQty");
    RowWriter calInfo(
        out_, "CBCalInfo",
        "FYear, FPeriod, FDeptID, FCostObjID, FCostItemID, FStandardID, FOverAmount, FOnlineAmount, FLevel");
    RowWriter detail(
        out_, "CBCalInfoDetail",
        "FYear, FPeriod, FDeptID, FCostObjID, FCostItemID, FMaterielID, FOverAmount, FOverQty, FLevel");
    RowWriter online(out_, "CBOnlineMaterielDispInfo",
                     "FYear, FPeriod, FDeptID, FCostObjID, FItemID, FQty, FAmount");
    const int count = std::min(40, static_cast<int>(objects_.size()));
    for (int period : {o_.period - 1, o_.period}) {
      for (int i = 0; i < count; ++i) {
        const CostObject& c = objects_[i];
        std::string dept = sqlNumber(kFirstDept + i % 4);
        const double actual = (1 + rnd_.below(1000000)) / 100.0;
        actuals_.push_back({period, i, actual});
        std::string amount = figure(actual);
        std::string y = sqlNumber(o_.year), p = sqlNumber(period), id = sqlNumber(c.id),
                    item = sqlNumber(kMaterialCostItem);
        product.row({y, p, dept, id, item, sqlNumber(c.product), sqlText(c.batch), amount, sqlNumber(1),
                     figure(10.0)});
        calInfo.row({y, p, dept, id, item, sqlNumber(1), amount, figure(0.0), sqlNumber(1)});
        detail.row({y, p, dept, id, item, sqlNumber(materials_[i % materials_.size()]), amount, figure(5.0),
                    sqlNumber(1)});
        online.row({y, p, dept, id, sqlNumber(materials_[i % materials_.size()]), figure(2.0), figure(3.5)});
        plant_.facts.resultRows += 4;
      }
    }
  }

  // ---- Units of measure and by-product values ----
  // Receipts of every third product are counted in boxes of 12.
  static int receiptUnit(int item) { return item % 3 == 0 ? kBoxUnit : kPieceUnit; }
  static constexpr int kPieceUnit = 1;
  static constexpr int kBoxUnit = 2;

  // The units, and a value per unit for the by-products (the third product
  // of each classification cost object) in the period.
  void unitsAndByProductValues() {
    RowWriter units(out_, "t_MeasureUnit", "FItemID, FNumber, FName, FCoefficient, FScale");
    units.row({sqlNumber(kPieceUnit), sqlNText("PCS"), sqlNText("Piece"), figure(1.0), figure(0.0)});
    units.row({sqlNumber(kBoxUnit), sqlNText("BOX"), sqlNText("Box of 12"), figure(12.0), figure(0.0)});
    RowWriter values(out_, "CBDeputyInfo", "FYear, FPeriod, FProductID, FAmount");
    for (const CostObject& c : objects_) {
      if (c.products.size() == 3)
        values.row({sqlNumber(o_.year), sqlNumber(o_.period), sqlNumber(c.products[2]),
                    figure((1 + rnd_.below(5000)) / 100.0)});
    }
  }

  // What the allocation standards read beyond the bills: the period's input
  // per production department and cost object, two cost-object groups, BOMs
  // of two levels (assemblies of ERP class 5 and 6 under the products), one
  // customer BOM line, and a complex standard of input times BOM usage.
  void standardSources() {
    RowWriter input(out_, "CBInQty", "FYear, FPeriod, FDeptID, FCostObjID, FQty");
    RowWriter groups(out_, "cbCostObjGroup", "FItemID, FNumber, FName");
    RowWriter members(out_, "CB_CostObjGroup_Detail", "FCostObjGroupID, FCostObjID");
    groups.row({sqlNumber(1), sqlNText("G.01"), sqlNText("Even cost objects")});
    groups.row({sqlNumber(2), sqlNText("G.02"), sqlNText("Odd cost objects")});
    for (size_t i = 0; i < objects_.size(); ++i) {
      const CostObject& c = objects_[i];
      input.row({sqlNumber(o_.year), sqlNumber(o_.period), sqlNumber(kFirstDept + static_cast<int>(i % 4)),
                 sqlNumber(c.id), figure(static_cast<double>(1 + rnd_.below(50)))});
      members.row({sqlNumber(1 + static_cast<int>(i % 2)), sqlNumber(c.id)});
    }
    boms();
    out_.push_back(
        "INSERT INTO cbStandardUnit (FItemID, FName, FStandardID) VALUES (2, N'投入产量', 0), (6, "
        "N'BOM用量', 0)\r\n");
    RowWriter standards(out_, "cb_BmStandard", "FNum, FID, FName, FName_EN, FName_CHT, FComPlex, FFormula");
    standards.row({sqlNumber(10), sqlNText("TRBOM"), sqlNText("投入产量BOM用量"),
                   sqlNText("Input by BOM usage"), sqlNText("投入產量BOM用量"), sqlNumber(1),
                   sqlNText("标准=~#投入产量~@*~#BOM用量~@")});
  }

  // What the split of classification cost objects reads: the sort standard
  // 20 set as a template for every classification cost object (all
  // departments, all expenses), its data per production department, product
  // and cost item (by-products included), and the by-product values kept per
  // cost item: the values above become those of cost item 1, cost item 2
  // gets values of its own.
  void classificationSources() {
    RowWriter standards(out_, "cb_BmStandard", "FNum, FID, FName, FName_EN, FName_CHT, FComPlex, FFormula");
    standards.row({sqlNumber(kSortStandard), sqlNText("FLFJQFPBZ"), sqlNText("分类标准"),
                   sqlNText("Sort standard"), sqlNText("分類標準"), sqlNumber(0), kNull});
    RowWriter settings(out_, "CBDeptStdSet", "FDeptID, FCostObjID, FExpID, FStandardID, FDeptAll");
    settings.row({sqlNumber(-1), sqlNumber(0), sqlNumber(-1), sqlNumber(kSortStandard), sqlNumber(1)});
    RowWriter data(out_, "CBSortStandardInfo",
                   "FYear, FPeriod, FStandardID, FDeptID, FCostObjID, FProductID, FCostItemID, FQty");
    RowWriter values(out_, "CBDeputyInfo", "FYear, FPeriod, FProductID, FCostItemID, FAmount");
    out_.push_back("UPDATE CBDeputyInfo SET FCostItemID = 1 WHERE FYear = " + sqlNumber(o_.year) +
                   " AND FPeriod = " + sqlNumber(o_.period) + "\r\n");
    for (const CostObject& c : objects_) {
      if (c.products.size() != 3) continue;
      values.row({sqlNumber(o_.year), sqlNumber(o_.period), sqlNumber(c.products[2]), sqlNumber(2),
                  figure((1 + rnd_.below(500)) / 100.0)});
      for (int d = 0; d < 4; ++d) {
        for (int product : c.products) {
          for (int costItem : {1, 2})
            data.row({sqlNumber(o_.year), sqlNumber(o_.period), sqlNumber(kSortStandard),
                      sqlNumber(kFirstDept + d), sqlNumber(c.id), sqlNumber(product), sqlNumber(costItem),
                      figure(static_cast<double>(1 + rnd_.below(9)))});
        }
      }
    }
  }
  static constexpr int kSortStandard = 20;
  // The invoices the period's checked purchase receipts are hooked to: of
  // every four receipts, one is posted to a voucher itself, one is hooked to
  // an expense invoice and one to a purchase invoice of the period (about
  // half of the invoices posted), and one keeps the header it was given.
  void purchaseInvoices() {
    RowWriter hooks(out_, "ICHookRelations", "FGroupNo, FIBTag, FHookType, FYear, FPeriod");
    RowWriter expenses(out_, "ICExpenses", "FInterID, FHookInterID, FVchInterID");
    RowWriter purchases(out_, "ICPurchase", "FInterID, FHookInterID, FVchInterID");
    int group = 60000;
    for (size_t i = 0; i < receipts_.size(); ++i) {
      const std::string receipt = sqlNumber(receipts_[i]);
      if (i % 4 == 3) continue;
      if (i % 4 == 0) {
        out_.push_back("UPDATE ICStockBill SET FHookInterID = 0, FVchInterID = " +
                       sqlNumber(70000 + receipts_[i]) + " WHERE FInterID = " + receipt + "\r\n");
        continue;
      }
      const bool expense = i % 4 == 1;
      ++group;
      out_.push_back("UPDATE ICStockBill SET FHookInterID = " + sqlNumber(group) +
                     ", FVchInterID = 0 WHERE FInterID = " + receipt + "\r\n");
      hooks.row({sqlNumber(group), sqlNumber(expense ? 2 : 0), sqlNumber(5), sqlNumber(o_.year),
                 sqlNumber(o_.period)});
      const std::string posted =
          rnd_.percent(50) ? sqlNumber(80000 + group) : (rnd_.percent(50) ? kNull : sqlNumber(0));
      (expense ? expenses : purchases).row({sqlNumber(group), sqlNumber(group), posted});
    }
  }

  // A BOM per product (in use, audited) with two materials and one
  // assembly; each assembly's BOM takes two materials.  Every third cost
  // object names its BOM; the others find it by their product.
  void boms() {
    RowWriter items(out_, "t_ICItem", "FItemID, FNumber, FName, FErpClsID");
    RowWriter heads(out_, "ICBom", "FInterID, FItemID, FQty, FUseStatus, FBomType, FStatus");
    RowWriter lines(out_, "ICBomChild",
                    "FInterID, FEntryID, FItemID, FQty, FMaterielType, FBeginDay, FEndDay");
    const std::string from = sqlText("2000-01-01"), to = sqlText("2100-01-01");
    auto material = [&] { return sqlNumber(materials_[rnd_.below(static_cast<int>(materials_.size()))]); };
    constexpr int kAssemblies = 10;
    for (int a = 0; a < kAssemblies; ++a) {
      const int id = 30000 + a;
      items.row({sqlNumber(id), sqlNText(code("A.", a)), sqlNText("Assembly " + std::to_string(a)),
                 sqlNumber(a % 2 == 0 ? 5 : 6)});
      heads.row({sqlNumber(id), sqlNumber(id), figure(1.0), sqlNumber(1072), sqlNumber(0), sqlNumber(1)});
      for (int e = 1; e <= 2; ++e)
        lines.row({sqlNumber(id), sqlNumber(e), material(), figure(1.0 + e), sqlNumber(371), from, to});
      ++plant_.facts.items;
    }
    int bomID = 40000;
    std::vector<int> productBoms;
    for (int product = 20000; product < 20000 + products_; ++product) {
      heads.row(
          {sqlNumber(++bomID), sqlNumber(product), figure(2.0), sqlNumber(1072), sqlNumber(0), sqlNumber(1)});
      lines.row({sqlNumber(bomID), sqlNumber(1), material(), figure(4.0), sqlNumber(371), from, to});
      lines.row({sqlNumber(bomID), sqlNumber(2), material(), figure(1.0), sqlNumber(371), from, to});
      lines.row({sqlNumber(bomID), sqlNumber(3), sqlNumber(30000 + rnd_.below(kAssemblies)), figure(1.0),
                 sqlNumber(371), from, to});
      plant_.facts.bomLines += 3;
    }
    plant_.facts.bomLines += kAssemblies * 2;
    RowWriter customer(out_, "ICCustBomChild",
                       "FInterID, FEntryID, FItemID, FQty, FMaterielType, FBeginDay, FEndDay");
    customer.row({sqlNumber(40001), sqlNumber(4), material(), figure(0.5), sqlNumber(371), from, to});
    ++plant_.facts.bomLines;
    for (size_t i = 0; i < objects_.size(); i += 3) {
      out_.push_back("UPDATE cbCostObj SET FBomID = " + sqlNumber(40001 + objects_[i].product - 20000) +
                     " WHERE FItemID = " + sqlNumber(objects_[i].id) + "\r\n");
    }
  }

  // ---------------------------------------------------------------------------
  // What the inquiries and the product cost reports read beside the cost rows:
  // the cost items, the item base table and the item register, standard costs
  // for three products in four (with a standard-only labour row for some),
  // input quantities and beginning balances of the period, and
  // the cost vouchers of the period before (7006 for three production
  // departments, 7206 for two), whose calculation is closed.
  struct ActualCost {
    int period;
    int object;  // index into objects_
    double amount;
  };

  void costReportData() {
    RowWriter costItems(out_, "cbCostItem", "FItemID, FNumber, FName, FTypeID");
    costItems.row(
        {sqlNumber(kMaterialCostItem), sqlNText("01"), sqlNText("Direct material"), sqlNumber(901)});
    costItems.row({sqlNumber(kMaterialCostItem + 1), sqlNText("02"), sqlNText("Overhead"), sqlNumber(903)});
    costItems.row(
        {sqlNumber(kMaterialCostItem + 2), sqlNText("03"), sqlNText("Direct labour"), sqlNumber(902)});

    RowWriter base(out_, "t_icitembase", "FItemID, FErpClsID");
    for (int m : materials_)
      base.row({sqlNumber(m), sqlNumber(1)});
    for (int p = 0; p < products_; ++p)
      base.row({sqlNumber(20000 + p), sqlNumber(kSelfMade)});
    // Cost objects in the item register; one in fifty deleted.
    RowWriter reg(out_, "t_item", "FItemID, FItemClassID, FNumber, FName, FDeleted");
    for (size_t i = 0; i < objects_.size(); ++i) {
      const CostObject& c = objects_[i];
      reg.row({sqlNumber(c.id), sqlNumber(2001), sqlNText(code("CO.", c.id - 50000)),
               sqlNText("Cost object " + std::to_string(c.id - 50000)), sqlNumber(i % 50 == 49 ? 1 : 0)});
    }

    RowWriter standard(
        out_, "CBKZProductCalInfo",
        "FYear, FPeriod, FDeptID, FCostObjID, FCostItemID, FProductID, FBatchNo, FQty, FPrice, "
        "FAmount, FLevel");
    for (const ActualCost& a : actuals_) {
      if (a.object % 4 == 3) continue;  // no standard: actual only
      const CostObject& c = objects_[a.object];
      auto row = [&](int costItem, double amount) {
        standard.row({sqlNumber(o_.year), sqlNumber(a.period), sqlNumber(kFirstDept + a.object % 4),
                      sqlNumber(c.id), sqlNumber(costItem), sqlNumber(c.product), sqlText(c.batch),
                      figure(10.0), figure(round2(amount / 10.0)), figure(amount), sqlNumber(1)});
      };
      row(kMaterialCostItem, round2(a.amount * (85 + rnd_.below(31)) / 100.0));
      if (a.object % 3 == 0) row(kMaterialCostItem + 2, (1 + rnd_.below(50000)) / 100.0);
    }

    // Input quantities of the period (some 0) and beginning balances: which
    // cost objects are in production.
    RowWriter inQty(out_, "CBInQty", "FYear, FPeriod, FDeptID, FCostObjID, FQty");
    RowWriter balances(out_, "cbBalance", "FYear, FPeriod, FDepID, FProductID, FCostID, FBegBal");
    for (size_t i = 0; i < objects_.size(); ++i) {
      const std::string dept = sqlNumber(kFirstDept + static_cast<int>(i % 4));
      const std::string id = sqlNumber(objects_[i].id);
      if (i % 3 != 2)
        inQty.row({sqlNumber(o_.year), sqlNumber(o_.period), dept, id,
                   figure(i % 7 == 0 ? 0.0 : (1 + rnd_.below(400)) / 4.0)});
      if (i % 5 == 0)
        balances.row({sqlNumber(o_.year), sqlNumber(o_.period), dept, id, sqlNumber(kMaterialCostItem),
                      figure(i % 10 == 0 ? 0.0 : (1 + rnd_.below(100000)) / 100.0)});
    }

    RowWriter vouchers(out_, "cbCostVoucher", "FYear, FPeriod, FDeptID, FTplType, FVchInterID");
    RowWriter numbers(out_, "t_Voucher", "FVoucherID, FGroupID, FNumber, FYear, FPeriod, FDate");
    RowWriter groups(out_, "t_VoucherGroup", "FGroupID, FName");
    groups.row({sqlNumber(1), sqlNText("JV")});
    groups.row({sqlNumber(2), sqlNText("TV")});
    const Window closed = prev_;
    int voucher = 0;
    for (int templateType : {7006, 7206}) {
      for (int d = 0; d < (templateType == 7006 ? 3 : 2); ++d) {
        ++voucher;
        vouchers.row({sqlNumber(o_.year), sqlNumber(o_.period - 1), sqlNumber(kFirstDept + d),
                      sqlNumber(templateType), sqlNumber(voucher)});
        numbers.row({sqlNumber(voucher), sqlNumber(templateType == 7006 ? 1 : 2), sqlNumber(40 + voucher),
                     sqlNumber(o_.year), sqlNumber(o_.period - 1), sqlText(dayText(closed.next - 1))});
      }
    }
  }

  std::vector<ActualCost> actuals_;

  // ---- Material distribution ----
  // The pseudo cost objects of shared and excluded lines, the material
  // expense, plan prices, waste output and an entered standard per department, and shared
  // lines marked in place (every third names MaterielShareID, every
  // seventeenth MaterielMakeID, every fifth of a production department a
  // cost-object group of that department; half of them without rows).  Runs
  // last, so the draws above stay as they are.
  static constexpr int kShareMarker = 59998;
  static constexpr int kMakeMarker = 59999;
  static constexpr size_t kEnteredPerDept = 12;

  void distributionSources() {
    RowWriter markers(out_, "cbCostObj", "FItemID, FNumber, FName");
    markers.row({sqlNumber(kShareMarker), sqlNText("MaterielShareID"), sqlNText("Shared material")});
    markers.row({sqlNumber(kMakeMarker), sqlNText("MaterielMakeID"), sqlNText("Not distributed")});
    RowWriter expenses(out_, "cbExpense", "FItemID, FNumber, FName, FCostItemID");
    expenses.row({sqlNumber(1), sqlNText("5001"), sqlNText("Material"), sqlNumber(kMaterialCostItem)});
    out_.push_back("UPDATE ICStockBillEntry SET FCostOBJID = CASE WHEN (FInterID + FEntryID) % 17 = 1 THEN " +
                   sqlNumber(kMakeMarker) + " ELSE " + sqlNumber(kShareMarker) +
                   " END WHERE FCostOBJID = 0 AND ((FInterID + FEntryID) % 3 = 0 OR (FInterID + FEntryID) % "
                   "17 = 1)\r\n");
    out_.push_back(
        "UPDATE e SET FCostObjGroupID = CASE WHEN b.FDeptID IN (101, 103) THEN 1 ELSE 2 END FROM "
        "ICStockBillEntry e "
        "INNER JOIN ICStockBill b ON b.FInterID = e.FInterID WHERE b.FDeptID BETWEEN 101 AND 104 AND "
        "e.FCostOBJID IN (0, " +
        sqlNumber(kShareMarker) + ") AND e.FInterID % 5 = 0\r\n");
    // Half the period's shared lines lose their rows: they wait for their
    // first distribution.
    for (const char* table : {"cbMaterielInfo", "cbWMaterielInfo"}) {
      out_.push_back(
          std::string("DELETE m FROM ") + table +
          " m INNER JOIN ICStockBillEntry e ON e.FInterID = m.FInterID AND e.FEntryID = m.FEntryID "
          "WHERE m.FYear = " +
          sqlNumber(o_.year) + " AND m.FPeriod = " + sqlNumber(o_.period) + " AND e.FCostOBJID IN (0, " +
          sqlNumber(kShareMarker) + ") AND (m.FInterID + m.FEntryID) % 2 = 1\r\n");
    }
    // Every fourth material of no batch is valued at a plan price (FTrack 81)
    // and every second names its cost item.
    for (size_t i = 0; i < materials_.size(); ++i) {
      std::string set;
      if (i % 2 == 1) set = "FCostProject = " + sqlNumber(kMaterialCostItem);
      if (i % 4 == 3 && !tracked_[i]) {
        set += std::string(set.empty() ? "" : ", ") +
               "FTrack = 81, FPlanPrice = " + figure((1 + rnd_.below(10000)) / 100.0);
      }
      if (!set.empty())
        out_.push_back("UPDATE t_ICItem SET " + set + " WHERE FItemID = " + sqlNumber(materials_[i]) +
                       "\r\n");
    }
    out_.push_back(
        "UPDATE e SET FPlanPrice = i.FPlanPrice, FPlanAmount = ROUND(e.FQty * i.FPlanPrice, 2) FROM "
        "ICStockBillEntry e INNER JOIN t_ICItem i ON i.FItemID = e.FItemID WHERE i.FTrack = 81\r\n");
    // The entered standard (number 11) of the first twelve cost objects of
    // each department, in the department they are in production in (the
    // others weigh nothing), and repairable-waste output for every fifth (and
    // for each department's first in a plant of fewer than 16).
    RowWriter standard(out_, "cb_BmStandard", "FNum, FID, FName, FName_EN, FName_CHT");
    standard.row({sqlNumber(kEnteredStandard), sqlNText("DEFZ"), sqlNText("定额"),
                  sqlNText("Entered standard"), sqlNText("定額")});
    RowWriter entered(out_, "CBRationStandardInfo",
                      "FYear, FPeriod, FStandardID, FDeptID, FCostObjID, FCostItemID, FQty");
    RowWriter waste(out_, "CBWasterCostObjInfo", "FYear, FPeriod, FDeptID, FCostObjID, FWasterTypeID, FQty");
    for (size_t i = 0; i < objects_.size(); ++i) {
      const std::string dept = sqlNumber(kFirstDept + static_cast<int>(i % 4));
      if (i < kEnteredPerDept * 4)
        entered.row({sqlNumber(o_.year), sqlNumber(o_.period), sqlNumber(kEnteredStandard), dept,
                     sqlNumber(objects_[i].id), sqlNumber(0),
                     figure(static_cast<double>(1 + rnd_.below(20)))});
      if (i % 5 == 0) {
        waste.row({sqlNumber(o_.year), sqlNumber(o_.period), dept, sqlNumber(objects_[i].id), sqlNumber(0),
                   figure(static_cast<double>(1 + rnd_.below(10)))});
      } else if (i < 4 && objects_.size() < 16) {
        // A small plant's every fifth leaves a department without any; its
        // first cost object takes some, so that its waste can be spread.
        waste.row({sqlNumber(o_.year), sqlNumber(o_.period), dept, sqlNumber(objects_[i].id), sqlNumber(0),
                   sqlNumber(5)});
      }
    }
  }

  // ---- Work in process ----
  // The period's WIP-material bill: of about two thirds of the materials and
  // batches each production department used in the period on normal issues,
  // a part (10% to 59%) still in process; most lines shared (some through
  // MaterielShareID, some in the department's cost-object group), some of
  // one cost object, some naming the material cost item; a line of the period
  // before now and then.  The counted WIP of the cost objects (a few
  // negative, a sixth without a count), and every fourth cost object of
  // sub-item 5, the kind whose production lets the distribution run.
  struct Used {
    double qty = 0;
    double amount = 0;
  };
  std::map<std::tuple<int, int, std::string>, Used> consumed_;  // department, material, batch

  void workInProcess() {
    RowWriter bills(out_, "CBProductMatWip", "FID, FBillNo, FYear, FPeriod");
    bills.row({sqlNumber(1), sqlNText("WIP.00001"), sqlNumber(o_.year), sqlNumber(o_.period)});
    bills.row({sqlNumber(2), sqlNText("WIP.00002"), sqlNumber(o_.year), sqlNumber(o_.period - 1)});
    RowWriter lines(out_, "CBProductMatWipEntry",
                    "FID, FEntryID, FDeptID, FMaterielID, FBatchNo, FCostObjID, FCostGroupID, FCostItemID, "
                    "FQty, FAmount");
    int entry = 0;
    for (const auto& [key, used] : consumed_) {
      if (!rnd_.percent(67)) continue;
      const auto& [dept, material, batch] = key;
      const double part = (10 + rnd_.below(50)) / 100.0;
      const int roll = rnd_.below(100);
      const int costObj = roll < 15   ? objects_[rnd_.below(static_cast<int>(objects_.size()))].id
                          : roll < 30 ? kShareMarker
                                      : 0;
      const int group = costObj % kShareMarker == 0 && rnd_.percent(15) ? (dept % 2 == 1 ? 1 : 2) : 0;
      const int bill = rnd_.percent(5) ? 2 : 1;
      lines.row({sqlNumber(bill), sqlNumber(++entry), sqlNumber(dept), sqlNumber(material), sqlText(batch),
                 sqlNumber(costObj), sqlNumber(group), sqlNumber(rnd_.percent(20) ? kMaterialCostItem : 0),
                 figure(round2(used.qty * part)), figure(round2(used.amount * part))});
    }
    plant_.facts.wipLines = entry;
    RowWriter counted(out_, "cbCostObjCheck", "FYear, FPeriod, FDeptID, FCostObjID, FQty");
    for (size_t i = 0; i < objects_.size(); ++i) {
      if (i % 6 == 5) continue;
      counted.row({sqlNumber(o_.year), sqlNumber(o_.period), sqlNumber(kFirstDept + static_cast<int>(i % 4)),
                   sqlNumber(objects_[i].id), figure(static_cast<double>(rnd_.below(40) - 3))});
    }
    out_.push_back("UPDATE cbCostObj SET FStdSubItemID = 5 WHERE FItemID % 4 = 1 AND FItemID < " +
                   sqlNumber(kShareMarker) + "\r\n");
  }

  // ---- Saving and re-pricing of distribution rows ----
  // The items' material records (every third without a cost item of its own
  // has none given: NULL) and core records, the standard for material of
  // three production departments, opening balances of every other material
  // (per batch for batch-tracked ones) in the period, and the rework
  // requisitions: half of them wait for a price (amount 0), one in four of
  // those with no auxiliary quantity.  Runs last, so the draws above stay as
  // they are.
  void repricingSources() {
    out_.push_back(
        "INSERT INTO t_ICItemMaterial (FItemID, FCostProject, FTrack) SELECT FItemID, CASE WHEN FCostProject "
        "= 0 "
        "AND FItemID % 3 = 0 THEN NULL ELSE FCostProject END, FTrack FROM t_ICItem\r\n"
        "INSERT INTO t_ICItemCore (FItemID, FTrack) SELECT FItemID, FTrack FROM t_ICItem\r\n");
    RowWriter standards(out_, "cbStandardSet", "FDeptID, FExpID, FStandardID");
    for (int d = 0; d < 3; ++d)
      standards.row({sqlNumber(kFirstDept + d), sqlNumber(1), sqlNumber(kEnteredStandard)});
    RowWriter balances(out_, "icbal", "FItemID, FBatchNo, FYear, FPeriod, FBegBal, FBegQty");
    for (size_t i = 0; i < materials_.size(); i += 2) {
      for (int b = 0; b < (tracked_[i] ? 5 : 1); ++b) {
        const double qty = rnd_.below(4) == 0 ? 0.0 : (1 + rnd_.below(1000)) / 4.0;
        balances.row({sqlNumber(materials_[i]), sqlText(tracked_[i] ? "L" + std::to_string(b + 1) : ""),
                      sqlNumber(o_.year), sqlNumber(o_.period),
                      figure(round2(qty * (1 + rnd_.below(5000)) / 7.0)), figure(qty)});
      }
    }
    out_.push_back(
        "UPDATE ICStockBillEntry SET FAuxQty = CASE WHEN (FInterID + FEntryID) % 8 = 0 THEN 0 ELSE FQty END, "
        "FAmount = CASE WHEN (FInterID + FEntryID) % 2 = 0 THEN 0 ELSE FAmount END WHERE FReProduceType = "
        "1058\r\n");
  }

  const PlantOptions& o_;
  Plant& plant_;
  std::vector<std::string>& out_;
  Random rnd_;
  Window prev_, cur_, after_;
  std::vector<int> materials_;
  std::vector<bool> tracked_;
  std::vector<CostObject> objects_;
  std::vector<int> receipts_;  // the period's checked purchase receipts
  int products_ = 0;
};

}  // namespace

Plant generatePlant(const PlantOptions& options) {
  if (options.period < 2 || options.period > 11)
    throw std::invalid_argument("the plant's period must be 2 to 11");
  if (options.billLines < 1) throw std::invalid_argument("the plant needs at least one bill line");
  Plant plant;
  Generator(options, plant).run();
  return plant;
}

}  // namespace mls::demoplant

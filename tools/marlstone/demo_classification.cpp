#include "demo_classification.h"

#include <iostream>
#include <vector>

#include "frame/sql_literal.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/registry.h"

namespace mls::host {
namespace {

using frame::sqlNumber;

struct Amount {
  int32_t dept, costObj, costItem, level;
  double amount;
};

// The amounts of classification cost objects per department, cost item and
// level, as the client's calculation left them.
std::vector<Amount> amountsToSplit(const std::string& connectString, int year, int period) {
  com::Ref<ado::Connection> c = com::makeObject<ado::Connection>();
  c->setCursorLocation(ado::kUseClient);
  c->open(connectString);
  com::Ref<ado::Recordset> rs = c->execute(
      "SELECT a.FDeptID, a.FCostObjID, a.FCostItemID, a.FLevel, SUM(a.FOverAmount) FROM CBCalInfo_CurData a "
      "INNER JOIN cbCostObj o ON o.FItemID = a.FCostObjID AND o.FCalculateType = 909 WHERE a.FYear = " +
      sqlNumber(year) + " AND a.FPeriod = " + sqlNumber(period) +
      " GROUP BY a.FDeptID, a.FCostObjID, a.FCostItemID, a.FLevel ORDER BY a.FCostObjID, a.FDeptID, "
      "a.FCostItemID, a.FLevel");
  std::vector<Amount> out;
  for (; !rs->eof(); rs->moveNext()) {
    out.push_back({rs->value(0).toLong(), rs->value(1).toLong(), rs->value(2).toLong(), rs->value(3).toLong(),
                   rs->value(4).toDouble()});
  }
  c->close();
  return out;
}

}  // namespace

void runClassificationDemo(const DemoCalls& calls, const ClassificationDemo& demo, int year, int period) {
  std::cout
      << "\nclassification cost objects: the sort standard set once for all of them, expanded to each,\n"
         "then each amount split over the main products by the standard and the by-product's value\n";
  calls.show("standard settings before",
             "SELECT FDeptID, FCostObjID, FExpID, FStandardID, FDeptAll FROM CBDeptStdSet");
  calls.step("UpdateClassifyCostObjStandardSet", {year, period, std::string("COST")});
  calls.show(
      "standard settings after",
      "SELECT FDeptID, FCostObjID, FExpID, FStandardID, FDeptAll FROM CBDeptStdSet ORDER BY FCostObjID");

  com::Ref<com::Dispatch> info = com::createObject("Marlstone.CalInfo");
  com::Ref<com::Dispatch> update = com::createObject("Marlstone.ConcludeUpdate");
  for (const Amount& a : amountsToSplit(demo.connectString, year, period)) {
    const int32_t standard = com::callByName(*info, "GetSortStandardID", demo.props, a.costObj).toLong();
    std::cout << "ConcludeUpdate.DistributeTaxCost(" << year << ", " << period << ", " << a.dept << ", "
              << a.costObj << ", " << a.costItem << ", " << a.level << ", " << sqlNumber(a.amount) << ", "
              << standard << "): ";
    com::Variant dataQty;
    std::vector<com::Variant> args{com::Variant(demo.props),
                                   year,
                                   period,
                                   a.dept,
                                   a.costObj,
                                   a.costItem,
                                   a.level,
                                   a.amount,
                                   standard,
                                   com::Variant::byRef(&dataQty)};
    try {
      com::invokeByName(*update, "DistributeTaxCost", com::kMethodOrGet, args);
      std::cout << "lDataQty " << dataQty.toLong()
                << (dataQty.toLong() == 0 ? ": refused, nothing written (no main product made there)" : "")
                << "\n";
    } catch (const com::ComError& e) {
      std::cout << "error " << e.number() << " (" << e.source() << "): " << e.description() << "\n";
    }
  }
  calls.show(
      "product cost rows of the classification cost objects",
      "SELECT p.FDeptID, p.FCostObjID, p.FCostItemID, p.FLevel, p.FProductID, d.FIsDeputy, p.FQty, "
      "p.FStandardQty, p.FAmount FROM cbProductCalInfo p INNER JOIN cb_CostObj_Product d ON d.FCostObjID = "
      "p.FCostObjID AND d.FProductID = p.FProductID WHERE p.FYear = " +
          sqlNumber(year) + " AND p.FPeriod = " + sqlNumber(period) +
          " ORDER BY p.FCostObjID, p.FDeptID, p.FCostItemID, p.FLevel, p.FProductID");
  // Both sides grouped first: each amount beside the sum of its rows.
  const std::string inPeriod = " WHERE FYear = " + sqlNumber(year) + " AND FPeriod = " + sqlNumber(period);
  calls.show(
      "amounts against their product cost rows",
      "SELECT a.FDeptID, a.FCostObjID, a.FCostItemID, a.FLevel, a.Amount, p.ProductRows FROM (SELECT "
      "FDeptID, FCostObjID, FCostItemID, FLevel, SUM(FOverAmount) AS Amount FROM CBCalInfo_CurData" +
          inPeriod +
          " AND FCostObjID IN (SELECT FItemID FROM cbCostObj WHERE FCalculateType = 909) GROUP BY FDeptID, "
          "FCostObjID, FCostItemID, FLevel) a LEFT JOIN (SELECT FDeptID, FCostObjID, FCostItemID, FLevel, "
          "SUM(FAmount) AS ProductRows FROM cbProductCalInfo" +
          inPeriod +
          " GROUP BY FDeptID, FCostObjID, FCostItemID, FLevel) p ON p.FDeptID = a.FDeptID AND p.FCostObjID "
          "= a.FCostObjID AND p.FCostItemID = a.FCostItemID AND p.FLevel = a.FLevel ORDER BY a.FCostObjID, "
          "a.FDeptID, a.FCostItemID, a.FLevel");
}

}  // namespace mls::host

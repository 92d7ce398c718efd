#include "demo_wip.h"

#include <iostream>
#include <string>

#include "frame/sql_literal.h"

namespace mls::host {
namespace {

using frame::sqlNumber;

// The period's WIP lines with the sums of their rows; FKind: direct (a real
// cost object) or shared.
std::string linesWithRows(int year, int period) {
  const std::string y = sqlNumber(year), p = sqlNumber(period);
  return "(SELECT e.FID, e.FEntryID, e.FDeptID, e.FMaterielID, e.FBatchNo, e.FQty, e.FAmount,\r\n"
         " CASE WHEN e.FCostObjID <> 0 AND e.FCostObjID NOT IN (SELECT FItemID FROM cbCostObj WHERE FNumber "
         "= "
         "'MaterielShareID') THEN 'direct' ELSE 'shared' END AS FKind,\r\n"
         " (SELECT COUNT(*) FROM CBOnlineMaterielDispInfo r WHERE r.FYear = " +
         y + " AND r.FPeriod = " + p +
         " AND r.FInterID = e.FID AND r.FEntryID = e.FEntryID) AS FRows,\r\n"
         " (SELECT SUM(r.FQty) FROM CBOnlineMaterielDispInfo r WHERE r.FYear = " +
         y + " AND r.FPeriod = " + p +
         " AND r.FInterID = e.FID AND r.FEntryID = e.FEntryID) AS FRowsQty,\r\n"
         " (SELECT SUM(r.FAmount) FROM CBOnlineMaterielDispInfo r WHERE r.FYear = " +
         y + " AND r.FPeriod = " + p +
         " AND r.FInterID = e.FID AND r.FEntryID = e.FEntryID) AS FRowsAmount\r\n"
         " FROM CBProductMatWipEntry e INNER JOIN CBProductMatWip b ON b.FID = e.FID WHERE b.FYear = " +
         y + " AND b.FPeriod = " + p + ") x";
}

}  // namespace

void runWipDemo(const DemoCalls& calls, int year, int period) {
  std::cout << "\nwork-in-process materials distributed to the cost objects that consumed them (by quantity: "
               "CB MaterielWIPCheckType 0)\n";
  calls.step("DispOnlineMateriel", {year, period});
  calls.step("DispOnlineMateriel", {year, period, 1});
  const std::string lines = linesWithRows(year, period);
  calls.show(
      "WIP lines by kind: with rows, and with rows adding up to their quantity",
      "SELECT FKind, COUNT(*) AS Lines, SUM(CASE WHEN FRows > 0 THEN 1 ELSE 0 END) AS WithRows, SUM(CASE "
      "WHEN FRowsQty = FQty THEN 1 ELSE 0 END) AS AddingUp FROM " +
          lines + " GROUP BY FKind ORDER BY FKind");
  calls.show("shared rows of receivers with all their input in process (nothing completed), and the others",
             "SELECT CASE WHEN FStandardData = 0 THEN 'all-online' ELSE 'weighed or direct' END AS Receiver, "
             "COUNT(*) AS "
             "Rows, SUM(FQty) AS Qty, SUM(FAmount) AS Amount FROM CBOnlineMaterielDispInfo WHERE FYear = " +
                 sqlNumber(year) + " AND FPeriod = " + sqlNumber(period) +
                 " GROUP BY CASE WHEN FStandardData = 0 THEN 'all-online' ELSE 'weighed or direct' END ORDER "
                 "BY Receiver");
  const std::string shown = "SELECT TOP 3 FID, FEntryID FROM " + lines +
                            " WHERE FKind = 'shared' AND FRows > 1 ORDER BY FID, FEntryID";
  calls.show("three shared lines",
             "SELECT x.FEntryID, x.FDeptID, x.FMaterielID, x.FBatchNo, x.FQty, x.FAmount, x.FRowsQty, "
             "x.FRowsAmount FROM " +
                 lines + " INNER JOIN (" + shown +
                 ") s ON s.FID = x.FID AND s.FEntryID = x.FEntryID ORDER BY x.FEntryID");
  calls.show(
      "their rows",
      "SELECT r.FEntryID, r.FCostObjID, r.FStandardData, r.FQty, r.FPrice, r.FAmount, r.FCostItemID FROM "
      "CBOnlineMaterielDispInfo r INNER JOIN (" +
          shown + ") s ON s.FID = r.FInterID AND s.FEntryID = r.FEntryID WHERE r.FYear = " + sqlNumber(year) +
          " AND r.FPeriod = " + sqlNumber(period) + " ORDER BY r.FEntryID, r.FID");
}

}  // namespace mls::host

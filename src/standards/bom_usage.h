// The usage of one material in bills of material, per BOM: the where-used
// walk climbs from the BOM lines that consume the material through parents of
// ERP class 5 and 6, multiplying the per-unit quantities level by level, and
// sums per BOM (class 5 parents are only passed through; class 6 parents count
// and are passed through; any other class counts and ends its branch; a parent
// whose class is unset, NULL, neither counts nor is passed through).  Lines
// of ICBomChild and ICCustBomChild are combined with UNION, so equal lines
// count once.
//
// The walk fills the FQty of a caller's table with one row per (cost object,
// BOM): the BOM usage of a bill line's cost objects here, the distribution's
// cost-BOM work table elsewhere.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "frame/call_frame.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"

namespace mls::standards {

// The deepest BOM structure the walk follows; deeper means a cycle.
inline constexpr int kMaxBomLevels = 100;

// Which BOM lines are valid for the period, when the system profile's
// CB / SetBOMEnable is 1.
struct BomValidity {
  std::string begin;  // 'yyyy-mm-dd': the period's first day
  std::string next;   // 'yyyy-mm-dd': the next period's first day
  // True: compare the date parts of FBeginDay / FEndDay; False: the stored
  // date and time.
  bool datePartsOnly = true;
};

// The validity of BOM lines for (year, period) on `connection`: none unless
// SetBOMEnable is 1 (no row: 0), else the period window from the period
// component.
std::optional<BomValidity> bomValidity(ado::Connection& connection, std::string_view props, int32_t year,
                                       int32_t period, bool datePartsOnly);

// Runs the walk for `itemID` on `connection` and sets FQty of every row of
// `table` (columns FBomID, FQty): 0, or the material's usage per unit of the
// row's BOM parent where that is not 0.  A structure deeper than
// kMaxBomLevels raises -1 ("BOM展开超过%1层...") before the table changes.
// `table` must be a table name ("#" allowed first); other names raise 5.
void walkBomUsage(ado::Connection& connection, int32_t itemID, const std::optional<BomValidity>& validity,
                  std::string_view table, std::string_view language);

// Runs `body`; an error leaving it is raised again with its number, source
// "GetMateriel" and LangText("取BOM分材料分配时出现错误：") + its description.
void asBomError(std::string_view language, const std::function<void()>& body);

// The condition that cost object `costObjColumn` is in production in the
// department in (year, period): it has input (CBInQty) or a balance
// (cbBalance; of types 1 and 2 only when `balanceTypes12`).
std::string inProduction(std::string_view costObjColumn, int32_t deptID, int32_t year, int32_t period,
                         bool balanceTypes12);

// Fills `table` (FCostObjID, FBomID, FStdProductID, FQty) with the cost
// objects of the department in production in (year, period) and their BOM:
// their own, else the highest in-use BOM (use status 1072) of types 0 and 3
// of their standard product; cost objects without a BOM are left out.
void fillCostObjBoms(ado::Connection& connection, std::string_view table, int32_t deptID, int32_t year,
                     int32_t period);

// Which class asks: the one of normal production or its repairable-waste twin.
enum class IssueUse { Normal, RepairableWaste };

// GetBomCostObjData of ConcludeInfo / WConcludeInfo: on a new READ
// UNCOMMITTED connection of the call's data source, the cost objects of the
// department in production in the period (CBInQty, or cbBalance of types 1
// and 2) with their BOM (their own, else the highest in-use BOM of types 0 and
// 3 of their standard product; none: left out), and the usage of the bill
// line's material per unit of that BOM: a detached recordset of FCostObjID,
// FBomID, FStdProductID, FQty.  Every error, a bill line that is not in the
// snapshot included, comes out as asBomError() makes it.
com::Ref<ado::Recordset> getBomCostObjData(frame::Call& call, IssueUse use, int32_t year, int32_t period,
                                           int32_t interID, int32_t entryID, int32_t deptID);

}  // namespace mls::standards

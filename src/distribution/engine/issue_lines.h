// The common ground of every operation that distributes issued material: the
// three distribution row tables, and the SQL fragments that pick a period's
// issue lines from the snapshot (cb_ICStockBill u1, cb_ICStockBillEntry v1),
// tell shared lines from direct ones, narrow them to a cost-object group,
// value them (the plan-price rule), find the cost object that makes the
// issued material and default a line's cost item.  Operations compose their
// statements from these pieces so that one rule reads the same everywhere.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ado/connection.h"

namespace mls::distribution::engine {

// The bill's purpose, and with it the table of its distribution rows.
enum class Purpose { Normal, RepairableWaste, ResidualValue };

// 0: normal use; any other value: repairable waste (the automatic
// distribution's mapping).
Purpose purposeOfType(int32_t typeID);
// The bill's FPurposeID: 12000, 12001, 12002 (frame/domain_codes.h).
const char* purposeCode(Purpose purpose);
// cbMaterielInfo, cbWMaterielInfo, CBWBMaterielInfo.
const char* rowTable(Purpose purpose);

// The period's issue lines: material issues (24) dated in the window, not
// cancelled, checked.  `begin` and `next` are quoted 'yyyy-mm-dd' literals.
std::string periodIssueCondition(std::string_view begin, std::string_view next);
// " AND u1.FPurposeID=12000 " and its twins.
std::string purposeCondition(Purpose purpose);
// Lines whose entry names the pseudo cost object MaterielMakeID take no part.
std::string notExcludedCondition();
// Shared: the entry names MaterielShareID or no cost object.
std::string sharedCondition();
// Direct: the entry names a real cost object (neither marker, not 0).
std::string directCondition();

// The group's left join (alias t100) and its condition: a group id of 1 or
// more picks that group's lines; below 1, the lines of no existing group.
std::string groupJoin();
std::string groupCondition(int32_t groupID);

// The quantity places of a line whose item has none (t_ICItem.FQtyDecimal
// NULL), in the split and in its preview alike: the quantities' own scale.
std::string qtyPlaces(std::string_view item);

// The valuation style (t_SystemProfile CB / MatCalStyle): the number its
// text begins with, as an integer; 0 without a row or a number.
int32_t matCalStyle(ado::Connection& connection);
// The line's price and amount under `style` (1: items of FTrack 81 at plan
// price), `item` being the alias of the line's t_ICItem row.
std::string valuedPrice(int32_t style, std::string_view item);
std::string valuedAmount(int32_t style, std::string_view item);

// The cost object that makes the line's material, as a left join of the
// producers under `alias` (its FCostObjID, NULL: none): the one of the
// highest calculation type, then the highest id, among those listing the
// material as a product, of the line's batch when the material is
// batch-tracked (FTrack 80), else of no batch.  `item` is the alias of the
// line's t_ICItem row.
std::string producerJoin(std::string_view item, std::string_view alias);

// Two updates of `table`'s FCostItemID where it is 0: the cost item of
// expense '5001', then the first material cost item (type 901).  A line left
// without any keeps 0.
std::string defaultCostItems(std::string_view table);

// A name the caller of a distribution hands in that reaches SQL as a table:
// "Temp_CostBom" followed by nine digits.
bool isCostBomTableName(std::string_view name);

}  // namespace mls::distribution::engine

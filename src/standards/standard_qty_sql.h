// ModStandardData's entry points: the T-SQL text that fills one quantity
// column of the caller's #OnlineCostObj for one standard (kind 0) or one unit
// of a complex standard (kind = the unit's FItemID, number = its
// FStandardID).  The builders only assemble text; the caller creates
// #OnlineCostObj with the columns its kinds need, inserts the receivers and
// executes the text on the same connection.  Every text is one UPDATE of the
// column (kind 3: three), matched to the receivers by cost object and
// department; rows without data keep their value, except the material quota
// of every row's own material, which sets every row.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/com/variant.h"

namespace mls::standards {

// How the data are read beyond the usual; every caller of the cost module
// leaves both False.
struct StandardQtyOptions {
  // Ration data entered for the whole department (FCostObjID 0) serve every
  // receiver of the department.
  bool departmentWide = false;
  // Daily costing: no material-quota test.  Daily data of the system kinds
  // are not kept, so a choice that lands on a system kind with a text raises
  // error 5 rather than reading the period's data.
  bool daily = false;
};

// ModStandardData.BuildStandardQtySql.  First match wins:
//   1. a system kind (1 to 8, 70001 and up): its text (system_standard_sql.h);
//   2. `standardCode` "CLDETLD" in any case: the material-quota text of
//      `itemID` (-1 = every row's own material);
//   3. number 2: the completed quantity (kind 3); number 3: man-hours (kind 7);
//   4. the ration data of number `standardID` in cbRationStandardInfo, for the
//      receiver's cost item when `byCostItem`, else the rows of cost item 0.
// The column must be an identifier (error 5 otherwise).
std::string buildStandardQtySql(int32_t kind, int32_t standardID, int32_t year, int32_t period,
                                const com::Variant& beginDate, const com::Variant& endDate,
                                std::string_view column, bool byCostItem,
                                const StandardQtyOptions& options = {}, std::string_view standardCode = {},
                                int32_t itemID = -1);

// ModStandardData.BuildSortStandardQtySql, for the products of a joint cost
// object: kinds 70005, 70006 and 70010 take their system text (material -1);
// any other kind the sort data of number `standardID` in CBSortStandardInfo,
// matched on cost object, department, product and cost item, with no
// material-quota test and no special number.
std::string buildSortStandardQtySql(int32_t kind, int32_t standardID, int32_t year, int32_t period,
                                    const com::Variant& beginDate, const com::Variant& endDate,
                                    std::string_view column, bool byCostItem);

}  // namespace mls::standards

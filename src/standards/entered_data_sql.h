// The texts of entered standard data: the ration data of cbRationStandardInfo
// (per cost object and department, or for the whole department) and the sort
// data of joint cost objects per product in CBSortStandardInfo.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "standards/text_scope.h"

namespace mls::standards {

// The ration row of the standard with the receiver's department and cost
// object (cost object 0 when `departmentWide`), and with the receiver's cost
// item when `byCostItem`, else cost item 0.  No summing.
std::string rationText(const TextScope& scope, int32_t standardID, bool byCostItem, bool departmentWide);

// The sort row with the receiver's cost object, department, product and cost
// item, of the standard whose number `standardExpr` gives (a number or a
// scalar subquery); `mainProductsOnly` leaves by-product rows (FIsDeputy not
// 0) as they are.
std::string sortText(const TextScope& scope, std::string_view standardExpr, bool mainProductsOnly);

}  // namespace mls::standards

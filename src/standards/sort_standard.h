// The data of the split of a classification-method cost object (calculation
// type 909) over its products: the sort standard set for it, the standard
// data of each of its products under a standard, and the fixed amounts of its
// by-products.
#pragma once

#include <cstdint>
#include <string>

#include "frame/call_frame.h"
#include "platform/ado/recordset.h"

namespace mls::standards {

// The products with a quantity of cost object `costObjID` in department
// `deptID` in the period: the FROM and WHERE of a select over p
// (cb_CostObj_Product) and q (CBProductQty), one row per product quantity.
// Only the cost object's own quantity rows count: matched on the product
// alone, a product that two classification cost objects share would bring
// the other's rows too, and so take its standard data and its part of the
// amount twice.
std::string productsWithQuantity(int32_t costObjID, int32_t deptID, int32_t year, int32_t period);

// CalInfo.GetSortStandardID: the standard set in CBDeptStdSet for the cost
// object, all departments and all expenses (-1, -1), among the standards that
// exist; 0 when none is set.
int32_t getSortStandardID(frame::Call& call, int32_t costObjID);

// CalInfo.GetSortStandarddata: a detached recordset of FCostObjID, FDeptID,
// FProductID, FCostItemID, FIsDeputy, one FQty<unit> column per unit of a
// complex standard, and FQty: one row per product of the cost object with a
// product quantity of the cost object in the department and period.  A
// simple standard reads the sort data of every product; a complex one
// evaluates its formula on the main products only (by-products keep 0).  User
// errors are raised with -1 and source "-1".
com::Ref<ado::Recordset> getSortStandarddata(frame::Call& call, int32_t year, int32_t period, int32_t deptID,
                                             int32_t costObjID, int32_t costItemID, int32_t standardID);

// CalInfo.GetDeputyData: FDeptID, FProductID, FCostItemID and FAmount, the
// by-product's value per unit of the period times the product quantity of
// the cost object in the department, rounded to cents, per cost item.
com::Ref<ado::Recordset> getDeputyData(frame::Call& call, int32_t year, int32_t period, int32_t deptID,
                                       int32_t costObjID);

}  // namespace mls::standards

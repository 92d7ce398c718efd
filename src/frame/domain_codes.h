// The ERP's codes that recur in the statements, named once, as the decimal
// text they take in SQL, and the rules written with them that several statements share.
#pragma once

#include <string>
#include <string_view>

namespace mls::frame::codes {

// t_Department.FCostAccountType: a production department, an auxiliary
// production department.
inline constexpr const char* kProductionDept = "361";
inline constexpr const char* kAuxiliaryDept = "362";

// cbCostObj.FCalculateType: ordinary cost objects calculated at level 1 or at a
// higher level, batch costing, the classification method (several products,
// by-products among them).
inline constexpr const char* kOrdinaryLevel1 = "906";
inline constexpr const char* kOrdinaryHigherLevel = "907";
inline constexpr const char* kBatchCosting = "908";
inline constexpr const char* kClassification = "909";

// ICStockBill.FTranType: a material issue, a product receipt, a purchase
// receipt (the period snapshot copies the three).
inline constexpr const char* kMaterialIssue = "24";
inline constexpr const char* kProductReceipt = "2";
inline constexpr const char* kPurchaseReceipt = "5";

// ICMO.FTranType of a production order.
inline constexpr const char* kProductionOrder = "85";

// t_ICItem.FTrack of a batch-tracked item: its lines match by batch number.
inline constexpr const char* kBatchTracked = "80";

// t_ICItem.FTrack of an item valued at plan price under the plan-price rule
// (CB / MatCalStyle 1).
inline constexpr const char* kPlanPriced = "81";

// t_ICItem.FErpClsID of the items the cost side offers as objects, as the
// list an IN (...) takes.
inline constexpr const char* kObjectItemClasses = "2,7";

// cbCostItem.FTypeID of the material cost item.
inline constexpr const char* kMaterialCostItem = "901";

// cbCostObj.FStdSubItemID of the cost objects whose production in a period
// lets the work-in-process distribution run.
inline constexpr const char* kWipSubItem = "5";

// ICStockBill.FPurposeID of an issue: normal use, repairable-waste use,
// residual-value return.
inline constexpr const char* kNormalUse = "12000";
inline constexpr const char* kWasteUse = "12001";
inline constexpr const char* kResidualReturn = "12002";

// cbCostExpenseInfo.FPurposeID of an other-expense bill: normal production,
// repairable waste.
inline constexpr const char* kExpenseNormal = "0";
inline constexpr const char* kExpenseWaste = "1";

// The condition that the cost object `alias` is an ordinary one: neither batch
// costing nor the classification method.  A cost object without a calculation
// type is an ordinary one.
inline std::string ordinaryCostObject(std::string_view alias) {
  return "ISNULL(" + std::string(alias) + ".FCalculateType, 0) NOT IN (" + kBatchCosting + ", " +
         kClassification + ")";
}

}  // namespace mls::frame::codes

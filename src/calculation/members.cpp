#include "calculation/members.h"

#include "calculation/actual_cost_inputs.h"
#include "calculation/calculation_inquiries.h"
#include "calculation/classification_split.h"
#include "calculation/consumption_inquiries.h"
#include "calculation/cost_write_back.h"
#include "calculation/material_inquiries.h"
#include "calculation/period_reset.h"
#include "calculation/product_cost_check.h"
#include "calculation/product_cost_reports.h"
#include "calculation/product_cost_rows.h"
#include "calculation/quantities.h"
#include "calculation/saved_results.h"
#include "calculation/stock_bill_snapshot.h"
#include "frame/member.h"
#include "frame/presets.h"

namespace mls::calculation {

using frame::member;
using frame::opt;
namespace presets = frame::presets;

void addCalInfoMembers(com::TypeInfo& t) {
  member(t, "GetCaculateInfo", presets::kInquiry,
         {"sDsn", "varCostObj", "iYear", "iPeriod", opt("dctCurPeriodDate")}, getCaculateInfo);
  member(t, "IsRequestAssist", presets::kInquiry, {"sDsn", "iYear", "iPeriod", "lLevel"}, isRequestAssist);
  member(t, "IsRequestMake", presets::kInquiry, {"sDsn", "iYear", "iPeriod", "lLevel"}, isRequestMake);
  member(t, "GetProductAmount", presets::kInquiry, {"sDsn", "iYear", "iPeriod", "lLevel"}, getProductAmount);
  member(t, "GetOnOkCostObj", presets::kInquiry, {"sDsn", "iYear", "iPeriod"}, getOnOkCostObj);
  member(t, "GetTaxCost", presets::kInquiry, {"sDsn", "iYear", "iPeriod", "lLevel", "lIsID"}, getTaxCost);
  member(t, "GetMateriel", presets::kInquiry, {"sDsn", "iYear", "iPeriod", opt("lngCal", 0)}, getMateriel);
  member(t, "GetMaterielBySetLevel", presets::kInquiry, {"sDsn", "iYear", "iPeriod", opt("lngCal", 0)},
         getMaterielBySetLevel);
  member(t, "GetProductIn", presets::kInquiry, {"sDsn", "iYear", "iPeriod", opt("dctCurPeriodDate")},
         getProductIn);
  member(t, "GetAmountZero", presets::kInquiry, {"sDsn", "iYear", "iPeriod", "iCostObjID"}, getAmountZero);
  member(t, "GetOnlineCostobj", presets::kInquiry, {"sDsn", "iYear", "iPeriod", opt("dctCurPeriodDate")},
         getOnlineCostobj);
  member(t, "GetSpendMaterielSum", presets::kInquiry,
         {"sDsn", "iYear", "iPeriod", opt("lngDeptID", 0), opt("lngCostObjID", 0)}, getSpendMaterielSum);
  member(t, "GetICMOMaterielQtyToCostItem", presets::kInquiry,
         {"sDsn", "lngDeptID", "lngCostObjID", "iYear", "iPeriod"}, getICMOMaterielQtyToCostItem);
  member(t, "GetProductInfo", presets::kInquiry, {"sDsn", "iYear", "iPeriod", "sFilter"}, getProductInfo);
  member(t, "GetProductInfo_ForVchGen", presets::kInquiry.names(frame::Naming::WithLineBreak),
         {"sDsn", "lYear", "lPeriod"}, getProductInfoForVchGen);
}

void addConcludeUpdateMembers(com::TypeInfo& t) {
  member(t, "GetICStockBillDataForCB", presets::kUncommittedOnSuccess, {"sDsn", "lYear", "lPeriod"},
         getICStockBillDataForCB);
  member(t, "DeleteCalInfo", presets::kWriter, {"sDsn", "iYear", "iPeriod"}, deleteCalInfo);
  member(t, "DeleteNDisTable", presets::kWriter, {"sDsn", "iYear", "iPeriod"}, deleteNDisTable);
  member(t, "SaveCBCalInfo", presets::kNamedWriter, {"sDsn"}, saveCBCalInfo);
  member(t, "CalCompleteQty", presets::kWriter, {"sDsn", "iYear", "iPeriod", opt("dctCurPeriodDate")},
         calCompleteQty);
  member(t, "CalProductQty", presets::kWriter, {"sDsn", "iYear", "iPeriod"}, calProductQty);
  member(t, "UpdateCalCompleteQtyStatus", presets::kWriterWithoutAbort, {"sDsn"}, updateCalCompleteQtyStatus);
  member(t, "UpdateProduct", presets::kWriter, {"sDsn", "lLevel", "iYear", "iPeriod"}, updateProduct);
  member(t, "UpdateCalType", presets::kWriter, {"sDsn", "iYear", "iPeriod"}, updateCalType);
  member(t, "AdjustAmountDiff", presets::kNamedWriter, {"sDsn", "lYear", "lPeriod", "lLevel"},
         adjustAmountDiff);
  // The write-back has no handler of its own: an error passes unchanged,
  // without SetAbort and without a vote.
  member(t, "SetCostToDBByLevel", presets::kWriterWithoutAbort,
         {"sDsn", "lYear", "lPeriod", "lLevel", opt("dctCurPeriodDate")}, setCostToDBByLevel);
  member(
      t, "SetCostToDBByProduct", presets::kWriterWithoutAbort,
      {"sDsn", "iYear", "iPeriod", "lProductID", "lDeptID", "sBatchNo", "dbAmount", opt("dctCurPeriodDate")},
      setCostToDBByProduct);
  // The split has no handler of its own either; it votes SetComplete itself
  // once its rows are written, and casts no vote when it refuses.
  member(t, "DistributeTaxCost", frame::FrameFacts().connects(frame::Isolation::ReadCommitted),
         {"sDsn", "iYear", "iPeriod", "lDeptID", "lCostObjID", "lCostItemID", "lLevel", "dbSumAmount",
          "lStandardID", "lDataQty", opt("lProCount", 0)},
         distributeTaxCost);
}

}  // namespace mls::calculation

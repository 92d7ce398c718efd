// The period's product cost reports for the client: the actual product cost
// per department, product, batch and cost item, and the standard cost against
// the actual cost for the same keys.  Each adds a subtotal row per department
// and a grand total (FSumSort 0 detail, 102 department subtotal, 101 total),
// names the subtotal and the total in the caller's language and carries the
// number of the department's cost voucher of the period ("group-number").
// Both only read; their work tables live in the call's connection.
#pragma once

#include <cstdint>
#include <string>

#include "frame/call_frame.h"
#include "platform/ado/recordset.h"

namespace mls::calculation {

// CalInfo.GetProductInfo: FBillNo (the department number), then the columns
// of #ProductInfo; rows whose amount is 0 are left out.  Vouchers of template
// type 7006 reach a department's detail and subtotal rows; the total row has
// the voucher number ''.
com::Ref<ado::Recordset> getProductInfo(frame::Call& call, int32_t year, int32_t period,
                                        const std::string& /*sFilter: not used*/);

// CalInfo.GetProductInfo_ForVchGen: FBillNo, then the columns of
// #KZProductInfo_Outer: standard (CBKZProductCalInfo), actual
// (cbProductCalInfo) and their difference, actual minus standard; rows whose
// three amounts are all 0 are left out.  Vouchers of template type 7206 reach
// detail and subtotal rows (FVchInterID 0 and a Null number without one).
com::Ref<ado::Recordset> getProductInfoForVchGen(frame::Call& call, int32_t year, int32_t period);

}  // namespace mls::calculation

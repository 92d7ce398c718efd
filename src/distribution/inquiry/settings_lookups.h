// The distribution settings and look-up lists the client reads from
// ConcludeInfo: the inventory side's EnableEcnRight switch, the cost side's
// switch of bill-of-material validity, the flag of stored completed
// quantities, a cost-object group's ID by its number, and the items of ERP
// classes 2 and 7 as a recordset and as a list.
// Each body runs on the READ UNCOMMITTED connection its call frame opened.
#pragma once

#include <cstdint>
#include <string_view>

#include "frame/call_frame.h"
#include "platform/ado/recordset.h"
#include "platform/com/dispatch.h"
#include "platform/com/variant.h"
#include "platform/halvern/list.h"

namespace mls::distribution::inquiry {

// IC EnableEcnRight of the system profile as a whole number: 0 without a row
// or with a Null value; a value that is no number raises 13.
int32_t getEnableEcnRight(frame::Call& call);
// CB SetBOMEnable, read the same way (1: BOM child rows count only while valid
// in the period).
int32_t getCostEnableEcnRight(frame::Call& call);
// CB CB_CALCOMPLETEQTY_OK (1: the period's completed quantities are stored):
// 0 without a row; a Null value raises 94, a value that is no number 13.
int32_t getCalCompleteQtyStatus(frame::Call& call);

// FItemID of the first cost-object group whose FNumber is `groupNumber` as
// text (Null and Empty read as ""), 0 when there is none.  The number reaches
// the statement as a quoted literal, so any text, quotes included, is looked up
// as it is.
int32_t getCostObjGroupIDByNumber(frame::Call& call, const com::Variant& groupNumber);

// FItemID, FNumber, FName of every item of ERP class 2 or 7, unordered, detached.
com::Ref<ado::Recordset> getObject(frame::Call& call);

// The recordset the call's own object answers to GetObject(props), called by
// name so that it runs in a frame of its own, as a List of one Dictionary per
// item (keys "FItemID", "FNumber", "FName").
com::Ref<halvern::List> getCostObject(frame::Call& call);

}  // namespace mls::distribution::inquiry

// What the distribution's inquiry and writers read from the client: the
// period and other items of a filter dictionary, numbers out of the client's
// records, and the pieces of SQL built from them.  A value reaches SQL only as a formatted
// number: one that is not a number raises 13, a required item that is absent
// raises 5, both naming the method and the item.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "distribution/engine/issue_lines.h"
#include "frame/call_frame.h"
#include "platform/com/decimal.h"
#include "platform/com/variant.h"
#include "platform/halvern/dictionary.h"

namespace mls::distribution::engine {

// The whole number under `key` of the client's filter dictionary (`name` is
// the argument's name, for the error texts).  A missing dictionary is 91.
int32_t filterLong(const frame::Call& call, const com::Ref<halvern::Dictionary>& filter,
                   std::string_view name, std::string_view key);
// The same, `fallback` when the key is absent.
int32_t filterLong(const frame::Call& call, const com::Ref<halvern::Dictionary>& filter,
                   std::string_view name, std::string_view key, int32_t fallback);
bool filterBool(const frame::Call& call, const com::Ref<halvern::Dictionary>& filter, std::string_view name,
                std::string_view key, bool fallback);

// `value` as a number (13 naming `what` when it is none: Empty, Null, text that
// is no number, an object).
com::Decimal clientNumber(const frame::Call& call, const com::Variant& value, std::string_view what);
int32_t clientLong(const frame::Call& call, const com::Variant& value, std::string_view what);

// The quoted 'yyyy-mm-dd' days of the period window of (year, period).
struct WindowDays {
  std::string begin;
  std::string next;
};
WindowDays windowDays(const frame::Call& call, int32_t year, int32_t period);

// " AND NOT EXISTS (...)": the line u1 / v1 has no row of the period in the
// purpose's distribution table.
std::string undistributedCondition(engine::Purpose purpose, int32_t year, int32_t period);

// The statement that fills #ItemTmp (FItemID) with the distinct items of the
// snapshot's checked purchase receipts (u, v) that wait for their costs in
// (year, period): dated in the window without voucher or hook, or hooked to
// an expense invoice (FIBTag 2) or a purchase invoice (FIBTag 0) of the
// period's hook groups that is not posted.
std::string receiptItems(int32_t year, int32_t period, const WindowDays& w);

// 0 normal use, 1 repairable waste, any other value residual-value return.
engine::Purpose threeWayPurpose(int32_t typeID);

}  // namespace mls::distribution::engine

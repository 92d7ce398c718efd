#include "distribution/engine/client_values.h"

#include "frame/domain_codes.h"
#include "frame/period_window.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "platform/com/error.h"

namespace mls::distribution::engine {
namespace {

const com::Variant& filterItem(const frame::Call& call, const com::Ref<halvern::Dictionary>& filter,
                               std::string_view name, std::string_view key) {
  if (!filter) com::raise(com::err::kObjectVariableNotSet, call.fullName());
  if (!filter->exists(key))
    com::raise(com::err::kInvalidCall, call.fullName(),
               std::string(name) + " holds no item \"" + std::string(key) + "\"");
  return filter->item(key);
}

[[noreturn]] void notANumber(const frame::Call& call, const com::Variant& value, std::string_view what) {
  std::string shown = "an object";
  if (value.isEmpty()) shown = "Empty";
  if (value.isNull()) shown = "Null";
  if (value.kind() != com::VarKind::Object && !value.isEmpty() && !value.isNull())
    shown = "\"" + value.toString() + "\"";
  com::raise(com::err::kTypeMismatch, call.fullName(), std::string(what) + " is not a number: " + shown);
}

}  // namespace

int32_t filterLong(const frame::Call& call, const com::Ref<halvern::Dictionary>& filter,
                   std::string_view name, std::string_view key) {
  return clientLong(call, filterItem(call, filter, name, key),
                    std::string(name) + "(\"" + std::string(key) + "\")");
}

int32_t filterLong(const frame::Call& call, const com::Ref<halvern::Dictionary>& filter,
                   std::string_view name, std::string_view key, int32_t fallback) {
  if (filter && !filter->exists(key)) return fallback;
  return filterLong(call, filter, name, key);
}

bool filterBool(const frame::Call& call, const com::Ref<halvern::Dictionary>& filter, std::string_view name,
                std::string_view key, bool fallback) {
  if (filter && !filter->exists(key)) return fallback;
  const com::Variant& value = filterItem(call, filter, name, key);
  try {
    return value.toBool();
  } catch (const com::ComError&) {
    notANumber(call, value, std::string(name) + "(\"" + std::string(key) + "\")");
  }
}

com::Decimal clientNumber(const frame::Call& call, const com::Variant& value, std::string_view what) {
  const com::Variant& v = value.deref();
  if (v.isEmpty() || v.isNull() || v.kind() == com::VarKind::Object) notANumber(call, v, what);
  try {
    return frame::decimalOf(v);
  } catch (const com::ComError&) {
    notANumber(call, v, what);
  }
}

int32_t clientLong(const frame::Call& call, const com::Variant& value, std::string_view what) {
  const com::Variant& v = value.deref();
  if (v.isEmpty() || v.isNull() || v.kind() == com::VarKind::Object) notANumber(call, v, what);
  try {
    return v.toLong();
  } catch (const com::ComError& e) {
    if (e.number() != com::err::kTypeMismatch) throw;
    notANumber(call, v, what);
  }
}

WindowDays windowDays(const frame::Call& call, int32_t year, int32_t period) {
  frame::PeriodWindow w =
      frame::getPeriodDateRange(call.props(), year, period, frame::WindowForm::NextAsText);
  return {frame::sqlDate(w.begin), frame::sqlDate(w.next)};
}

std::string undistributedCondition(engine::Purpose purpose, int32_t year, int32_t period) {
  return " AND NOT EXISTS (SELECT 1 FROM " + std::string(engine::rowTable(purpose)) +
         " d WHERE d.FYear=" + frame::sqlNumber(year) + " AND d.FPeriod=" + frame::sqlNumber(period) +
         " AND d.FInterID=u1.FInterID AND d.FEntryID=v1.FEntryID) ";
}

std::string receiptItems(int32_t year, int32_t period, const WindowDays& w) {
  const std::string hookGroups =
      "SELECT FGroupNo FROM ICHookRelations WHERE FHookType=5 AND FYear=" + frame::sqlNumber(year) +
      " AND FPeriod=" + frame::sqlNumber(period) + " AND FIBTag=";
  frame::SqlScript items;
  items.line("SELECT DISTINCT v.FItemID INTO #ItemTmp")
      .line("FROM cb_ICStockBill u INNER JOIN cb_ICStockBillEntry v ON u.FInterID=v.FInterID")
      .line("WHERE u.FTranType=" + std::string(frame::codes::kPurchaseReceipt) +
            " AND u.FCheckerID<>0 AND u.FCancellation=0 AND (")
      .line(" (u.FDate>=" + w.begin + " AND u.FDate<" + w.next +
            " AND ISNULL(u.FVchInterID,0)=0 AND ISNULL(u.FHookInterID,0)=0)")
      .line(" OR u.FHookInterID IN (SELECT FHookInterID FROM ICExpenses WHERE FHookInterID IN (" +
            hookGroups + "2) AND ISNULL(FVchInterID,0)=0)")
      .line(" OR u.FHookInterID IN (SELECT FHookInterID FROM ICPurchase WHERE FHookInterID IN (" +
            hookGroups + "0) AND ISNULL(FVchInterID,0)=0))");
  return items.text();
}

engine::Purpose threeWayPurpose(int32_t typeID) {
  if (typeID == 0) return engine::Purpose::Normal;
  if (typeID == 1) return engine::Purpose::RepairableWaste;
  return engine::Purpose::ResidualValue;
}

}  // namespace mls::distribution::engine

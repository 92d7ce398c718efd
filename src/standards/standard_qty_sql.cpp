#include "standards/standard_qty_sql.h"

#include "frame/sql_literal.h"
#include "platform/com/error.h"
#include "standards/checked_column.h"
#include "standards/entered_data_sql.h"
#include "standards/material_quota_sql.h"
#include "standards/system_standard_sql.h"
#include "standards/text_scope.h"

namespace mls::standards {
namespace {

bool isMaterialQuotaCode(std::string_view code) {
  constexpr std::string_view kQuota = "CLDETLD";
  if (code.size() != kQuota.size()) return false;
  for (size_t i = 0; i < code.size(); ++i) {
    char c = code[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != kQuota[i]) return false;
  }
  return true;
}

// A system text chosen in daily costing.
std::string refusedWhenDaily(std::string text, const StandardQtyOptions& options, int32_t kind) {
  if (options.daily && !text.empty()) {
    com::raise(com::err::kInvalidCall, kBuilderSource,
               "The standard kind " + std::to_string(kind) + " has no daily data.");
  }
  return text;
}

}  // namespace

std::string buildStandardQtySql(int32_t kind, int32_t standardID, int32_t year, int32_t period,
                                const com::Variant& beginDate, const com::Variant& endDate,
                                std::string_view column, bool byCostItem, const StandardQtyOptions& options,
                                std::string_view standardCode, int32_t itemID) {
  auto system = [&](int32_t systemKind, int32_t item) {
    return refusedWhenDaily(
        buildSystemStandardQtySql(systemKind, year, period, beginDate, endDate, column, byCostItem, item),
        options, systemKind);
  };
  if (isSystemKind(kind)) return system(kind, itemID);
  const TextScope scope = makeTextScope(year, period, beginDate, endDate, column);
  if (!options.daily && isMaterialQuotaCode(standardCode)) return materialQuotaText(scope, itemID);
  if (standardID == 2) return system(3, -1);
  if (standardID == 3) return system(7, -1);
  return rationText(scope, standardID, byCostItem, options.departmentWide);
}

std::string buildSortStandardQtySql(int32_t kind, int32_t standardID, int32_t year, int32_t period,
                                    const com::Variant& beginDate, const com::Variant& endDate,
                                    std::string_view column, bool byCostItem) {
  if (kind == 70005 || kind == 70006 || kind == 70010)
    return buildSystemStandardQtySql(kind, year, period, beginDate, endDate, column, byCostItem, -1);
  const TextScope scope = makeTextScope(year, period, beginDate, endDate, column);
  return sortText(scope, frame::sqlNumber(standardID), false);
}

}  // namespace mls::standards

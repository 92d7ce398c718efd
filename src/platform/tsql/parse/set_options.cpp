#include "platform/tsql/parse/set_options.h"

#include <algorithm>
#include <array>

namespace mls::tsql {

namespace {

using K = SetValueKind;
using R = SetRule;

// The defaults are those of an OLE DB or ODBC connection in us_english.
constexpr std::array<SetOptionRule, 39> kRules = {{
    {"ANSI_DEFAULTS", K::OnOff, R::Refused, ""},  // sets IMPLICIT_TRANSACTIONS and others together
    {"ANSI_NULLS", K::OnOff, R::OnlyValue, "ON"},
    {"ANSI_NULL_DFLT_OFF", K::OnOff, R::OnlyValue, "OFF"},
    {"ANSI_NULL_DFLT_ON", K::OnOff, R::OnlyValue, "ON"},  // a column without NULL / NOT NULL allows NULL
    {"ANSI_PADDING", K::OnOff, R::OnlyValue, "ON"},
    {"ANSI_WARNINGS", K::OnOff, R::Honoured, ""},
    {"ARITHABORT", K::OnOff, R::Honoured, ""},
    {"ARITHIGNORE", K::OnOff, R::OnlyValue, "OFF"},
    {"CONCAT_NULL_YIELDS_NULL", K::OnOff, R::OnlyValue, "ON"},
    {"CONTEXT_INFO", K::Word, R::Refused, ""},
    {"CURSOR_CLOSE_ON_COMMIT", K::OnOff, R::OnlyValue, "OFF"},
    {"DATEFIRST", K::Number, R::OnlyValue, "7"},
    {"DATEFORMAT", K::Word, R::Honoured, ""},
    {"DEADLOCK_PRIORITY", K::Word, R::OnlyValue, "NORMAL|0"},
    {"FIPS_FLAGGER", K::Word, R::OnlyValue, "OFF"},
    {"FMTONLY", K::OnOff, R::OnlyValue, "OFF"},
    {"FORCEPLAN", K::OnOff, R::OnlyValue, "OFF"},
    {"IMPLICIT_TRANSACTIONS", K::OnOff, R::OnlyValue, "OFF"},
    {"LANGUAGE", K::Word, R::OnlyValue, "US_ENGLISH|ENGLISH"},  // sets DATEFORMAT back to mdy
    {"LOCK_TIMEOUT", K::Number, R::Honoured, ""},
    {"NOCOUNT", K::OnOff, R::Honoured, ""},
    {"NOEXEC", K::OnOff, R::OnlyValue, "OFF"},
    {"NO_BROWSETABLE", K::OnOff, R::OnlyValue, "OFF"},
    {"NUMERIC_ROUNDABORT", K::OnOff, R::OnlyValue, "OFF"},
    {"OFFSETS", K::Word, R::Refused, ""},
    {"PARSEONLY", K::OnOff, R::OnlyValue, "OFF"},
    {"QUERY_GOVERNOR_COST_LIMIT", K::Number, R::OnlyValue, "0"},
    {"QUOTED_IDENTIFIER", K::OnOff, R::OnlyValue, "ON"},
    {"REMOTE_PROC_TRANSACTIONS", K::OnOff, R::OnlyValue, "OFF"},
    {"ROWCOUNT", K::Number, R::Honoured, ""},
    {"SHOWPLAN_ALL", K::OnOff, R::OnlyValue, "OFF"},
    {"SHOWPLAN_TEXT", K::OnOff, R::OnlyValue, "OFF"},
    {"SHOWPLAN_XML", K::OnOff, R::OnlyValue, "OFF"},
    {"STATISTICS IO", K::OnOff, R::OnlyValue, "OFF"},
    {"STATISTICS PROFILE", K::OnOff, R::OnlyValue, "OFF"},
    {"STATISTICS TIME", K::OnOff, R::OnlyValue, "OFF"},
    {"STATISTICS XML", K::OnOff, R::OnlyValue, "OFF"},
    {"TEXTSIZE", K::Number, R::OnlyValue, "2147483647|-1"},  // no limit, as the engine returns text whole
    {"XACT_ABORT", K::OnOff, R::Honoured, ""},
}};

constexpr bool sorted() {
  for (size_t i = 1; i < kRules.size(); ++i) {
    if (!(kRules[i - 1].name < kRules[i].name)) return false;
  }
  return true;
}
static_assert(sorted());

}  // namespace

std::span<const SetOptionRule> setOptionRules() {
  return kRules;
}

const SetOptionRule* findSetOptionRule(std::string_view name) {
  auto it = std::lower_bound(kRules.begin(), kRules.end(), name,
                             [](const SetOptionRule& r, std::string_view n) { return r.name < n; });
  return it != kRules.end() && it->name == name ? &*it : nullptr;
}

bool acceptsValue(const SetOptionRule& rule, std::string_view value) {
  std::string_view values = rule.values;
  while (!values.empty()) {
    size_t bar = values.find('|');
    if (values.substr(0, bar) == value) return true;
    if (bar == std::string_view::npos) break;
    values.remove_prefix(bar + 1);
  }
  return false;
}

}  // namespace mls::tsql

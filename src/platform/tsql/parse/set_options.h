// The SET options the engine knows, and how it takes each: every option is
// honoured as SQL Server honours it or refused with an error that names it;
// none is accepted and then ignored.
#pragma once

#include <span>
#include <string_view>

namespace mls::tsql {

enum class SetValueKind {
  OnOff,   // ON | OFF
  Number,  // an integer (a leading '-' allowed) or a variable
  Word,    // a word, a string or a variable (DATEFORMAT dmy, LANGUAGE us_english)
};

enum class SetRule {
  Honoured,  // every value, as SQL Server takes it
  // Only `values` (one, or several separated by '|'): the setting the engine
  // always runs under; another value, or one from a variable, is refused.
  OnlyValue,
  Refused,  // any value is refused
};

struct SetOptionRule {
  std::string_view name;  // upper case; "STATISTICS IO" for the two-word options
  SetValueKind kind;
  SetRule rule;
  std::string_view values;  // OnlyValue: the accepted values, upper case
};

// Every option, sorted by name.
std::span<const SetOptionRule> setOptionRules();

// The rule of an option by its upper-cased name; nullptr for a name SQL Server
// does not know as a SET option.
const SetOptionRule* findSetOptionRule(std::string_view name);

// Whether `value` (upper-cased words, numbers as written) is one of the rule's
// accepted values.
bool acceptsValue(const SetOptionRule& rule, std::string_view value);

}  // namespace mls::tsql

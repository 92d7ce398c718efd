#include "standards/checked_column.h"

#include "platform/com/error.h"

namespace mls::standards {
namespace {

bool isLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

std::string checkedColumn(std::string_view column) {
  bool ok = !column.empty() && column.size() <= 128 && isLetter(column.front());
  for (char c : column)
    ok = ok && (isLetter(c) || isDigit(c));
  if (!ok) {
    com::raise(com::err::kInvalidCall, kBuilderSource,
               "The column \"" + std::string(column) +
                   "\" of #OnlineCostObj is not a valid column name (letters, digits and \"_\" only).");
  }
  return std::string(column);
}

}  // namespace mls::standards

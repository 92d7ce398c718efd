// Halvern.DateFormat: dates as text in a caller-given pattern.
#pragma once

#include <string>
#include <string_view>

#include "platform/com/variant.h"

namespace mls::halvern {

class DateFormat {
 public:
  // Formats a date value (a Date, or anything that converts to one) with a
  // pattern such as "YYYY-MM-DD": "YYYY" is the four-digit year (zero-padded),
  // "MM" the month and "DD" the day, two digits each; other characters are kept.
  // The time of day is dropped.
  static std::string formatDate(const com::Variant& date, std::string_view pattern);
};

}  // namespace mls::halvern

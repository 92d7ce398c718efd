#include "platform/halvern/date_format.h"

#include <cstdio>

namespace mls::halvern {

std::string DateFormat::formatDate(const com::Variant& date, std::string_view pattern) {
  com::DateParts p = com::splitDate(date.toDate());
  std::string out;
  char buf[8];
  for (size_t i = 0; i < pattern.size();) {
    std::string_view rest = pattern.substr(i);
    if (rest.starts_with("YYYY")) {
      std::snprintf(buf, sizeof buf, "%04d", p.year);
      i += 4;
    } else if (rest.starts_with("MM")) {
      std::snprintf(buf, sizeof buf, "%02d", p.month);
      i += 2;
    } else if (rest.starts_with("DD")) {
      std::snprintf(buf, sizeof buf, "%02d", p.day);
      i += 2;
    } else {
      out += pattern[i++];
      continue;
    }
    out += buf;
  }
  return out;
}

}  // namespace mls::halvern

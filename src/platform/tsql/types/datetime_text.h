// Date/time to and from text: the string forms the engine reads and the
// CONVERT styles it writes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/tsql/types/datetime.h"
#include "platform/tsql/types/sql_type.h"

namespace mls::tsql {

enum class DateParse { Ok, BadFormat, OutOfRange };

// Reads 'yyyy-mm-dd', 'yyyy/mm/dd', 'yyyy.mm.dd', 'yyyymmdd' (year first
// whatever the language), a date alone being midnight, with an optional time
// ' hh:mi[:ss[.fff]][AM|PM]' (or 'T' before it), or a time alone on
// 1900-01-01.  CONVERT styles 101/1 (mm/dd/yyyy) and 103/3 (dd/mm/yyyy) read
// month-first and day-first text.  Empty text is 1900-01-01 00:00.  A
// calendar-invalid date is OutOfRange.
DateParse parseDateTimeText(std::string_view text, int style, DateTime& out);

// Writes `t` of type `type` in CONVERT style `style`; empty for an unknown style.
// Style 0 of DATETIME / SMALLDATETIME is 'mon dd yyyy hh:miAM'; of DATE, yyyy-mm-dd.
std::optional<std::string> formatDateTime(DateTime t, TypeId type, int style);

}  // namespace mls::tsql

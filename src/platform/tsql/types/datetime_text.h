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

// The order in which numeric date text gives day, month and year (SET
// DATEFORMAT).  A session's language sets it; us_english, the only language
// the engine has, reads mdy.
enum class DateOrder { Mdy, Dmy, Ymd, Ydm, Myd, Dym };

// The us_english names of month 1..12 and of weekday 1 (Sunday) .. 7.
std::string_view monthName(int month);
std::string_view weekdayName(int weekday);

// "mdy", "DMY", ... (any case); nullopt for any other text.
std::optional<DateOrder> dateOrderNamed(std::string_view name);
std::string_view dateOrderName(DateOrder order);

// Reads date/time text as SQL Server does under SET LANGUAGE us_english:
//   numeric   'm/d/y', 'm-d-y', 'm.d.y' in the order `order`; a four-digit
//             number is the year wherever it stands, the month and the day
//             keeping the order's relative places (under dmy '2026-03-25' is
//             year-day-month for DATETIME); DATE reads a four-digit year
//             first always as year-month-day.
//   alphabetic a month's name or its three-letter abbreviation with a day and
//             a year in any of the documented places ('Mar 25 2026',
//             '25 March, 2026', '2026 Mar 25', 'March 2026' is the 1st);
//             the order does not apply.
//   ISO 8601  'yyyy-mm-ddThh:mi:ss[.mmm]', and the unseparated 'yyyymmdd',
//             'yymmdd' and 'yyyy', read year first under every order.
// A two-digit year up to 49 is 20yy, from 50 on 19yy (the cutoff 2049).  A
// time 'hh:mi[:ss[.fff|:mmm]]' or 'h AM', with AM/PM, follows the date (after
// a space, or a 'T' in the ISO form) or stands alone on 1900-01-01; a date
// alone is midnight; empty text is 1900-01-01 00:00.  CONVERT styles that
// name an order (1/101, 10/110, 22 mdy; 3/103, 4/104, 5/105 dmy; 2/102,
// 11/111 ymd) replace `order`; the ODBC and ISO styles (20/120, 21/121, 23,
// 25, 126, 127) read a four-digit year written first as year-month-day, as
// DATE does; style 127 reads a 'Z' (UTC) after an ISO
// time.  Text that is no date is BadFormat; a date that reads
// but does not exist (month 13, 30 February) is OutOfRange.
DateParse parseDateTimeText(std::string_view text, int style, DateTime& out, DateOrder order = DateOrder::Mdy,
                            bool toDate = false);

// Whether CONVERT reads and writes date/time text in `style`: 0 to 14, 20
// to 25, 100 to 114, 120, 121, 126 and 127 (the Hijri styles 130 and 131
// are not among them).
bool isDateStyle(int style);

// The order conversions of text to a date type read in on this thread:
// mdy unless a DateOrderScope is open.  The executor opens one around each
// statement it runs with the session's SET DATEFORMAT setting.
DateOrder currentDateOrder();

class DateOrderScope {
 public:
  explicit DateOrderScope(DateOrder order);
  ~DateOrderScope();
  DateOrderScope(const DateOrderScope&) = delete;
  DateOrderScope& operator=(const DateOrderScope&) = delete;

 private:
  DateOrder saved_;
};

// Writes `t` of type `type` in CONVERT style `style`; empty for an unknown style.
// Style 0 of DATETIME / SMALLDATETIME is 'mon dd yyyy hh:miAM'; of DATE, yyyy-mm-dd.
std::optional<std::string> formatDateTime(DateTime t, TypeId type, int style);

}  // namespace mls::tsql

// Date text under each SET DATEFORMAT order, read directly; the forms read
// under the default mdy are checked through SQL in
// tests/platform/tsql/cases/date_text.test, the session's SET DATEFORMAT in
// set_options_applied.test.
#include <gtest/gtest.h>

#include <string>

#include "platform/tsql/types/datetime_text.h"
#include "test_util.h"

namespace mls::tsql {
namespace {

using namespace mls::tsql::testing;

// The date `text` gives, as yyyy-mm-dd, or "bad" / "range".
std::string read(std::string_view text, DateOrder order, bool toDate = false, int style = 0) {
  DateTime t;
  switch (parseDateTimeText(text, style, t, order, toDate)) {
    case DateParse::BadFormat:
      return "bad";
    case DateParse::OutOfRange:
      return "range";
    case DateParse::Ok:
      break;
  }
  DateTime::Parts p = t.parts();
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", p.year, p.month, p.day);
  return buf;
}

TEST(DateText, NumericTextFollowsTheOrderAndAFourDigitYearStandsAnywhere) {
  struct Case {
    const char* text;
    DateOrder order;
    const char* expected;
  };
  const Case cases[] = {
      {"05/03/2026", DateOrder::Mdy, "2026-05-03"},
      {"05/03/2026", DateOrder::Dmy, "2026-03-05"},
      {"26/03/05", DateOrder::Ymd, "2026-03-05"},
      {"26/05/03", DateOrder::Ydm, "2026-03-05"},
      {"03/26/05", DateOrder::Myd, "2026-03-05"},
      {"05/26/03", DateOrder::Dym, "2026-03-05"},
      {"25.12.49", DateOrder::Dmy, "2049-12-25"},  // the cutoff year 2049
      {"25.12.50", DateOrder::Dmy, "1950-12-25"},
      // a four-digit year is the year; month and day keep their order
      {"2026-03-25", DateOrder::Mdy, "2026-03-25"},
      {"2026-03-25", DateOrder::Dmy, "range"},  // year-day-month: month 25
      {"2026-25-03", DateOrder::Dmy, "2026-03-25"},
      {"2026-03-25", DateOrder::Ymd, "2026-03-25"},
      {"2026-03-25", DateOrder::Myd, "2026-03-25"},
      {"2026-25-03", DateOrder::Dym, "2026-03-25"},
      {"03/25/2026", DateOrder::Ymd, "2026-03-25"},
      {"25/03/2026", DateOrder::Mdy, "range"},
      {"25/2026/03", DateOrder::Dmy, "2026-03-25"},
      // ISO 8601 and unseparated text, and month names, ignore the order
      {"2026-03-25T10:00:00", DateOrder::Dmy, "2026-03-25"},
      {"20260325", DateOrder::Dmy, "2026-03-25"},
      {"260325", DateOrder::Dym, "2026-03-25"},
      {"Mar 5 2026", DateOrder::Dmy, "2026-03-05"},
      {"5 March 26", DateOrder::Ymd, "2026-03-05"},
      // no date: two years, mixed separators, three digits, too few parts
      {"2026/2026/01", DateOrder::Mdy, "bad"},
      {"03/25-2026", DateOrder::Mdy, "bad"},
      {"03/025/2026", DateOrder::Mdy, "bad"},
      {"03/25", DateOrder::Mdy, "bad"},
      {"2026-03-25T10:00", DateOrder::Mdy, "2026-03-25"},
      {"03/25/2026T10:00", DateOrder::Mdy, "bad"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(read(c.text, c.order), c.expected) << c.text << " " << dateOrderName(c.order);
}

TEST(DateText, DateReadsAFourDigitYearFirstAsYearMonthDayUnderEveryOrder) {
  EXPECT_EQ(read("2026-03-25", DateOrder::Dmy, true), "2026-03-25");
  EXPECT_EQ(read("2026/03/25", DateOrder::Ydm, true), "2026-03-25");
  EXPECT_EQ(read("25/03/2026", DateOrder::Dmy, true), "2026-03-25");
}

TEST(DateText, ConvertStylesNameTheirOrder) {
  EXPECT_EQ(read("05/03/2026", DateOrder::Mdy, false, 103), "2026-03-05");
  EXPECT_EQ(read("05-03-2026", DateOrder::Dmy, false, 110), "2026-05-03");
  EXPECT_EQ(read("26.03.05", DateOrder::Dmy, false, 2), "2026-03-05");
  EXPECT_EQ(read("05/03/2026", DateOrder::Dmy, false, 120), "2026-03-05");
  // The ODBC and ISO styles read a year written first as year-month-day,
  // where DATETIME's own reading under dmy is year-day-month.
  EXPECT_EQ(read("2026-05-03", DateOrder::Dmy, false, 0), "2026-03-05");
  for (int style : {20, 21, 23, 25, 120, 121})
    EXPECT_EQ(read("2026-05-03", DateOrder::Dmy, false, style), "2026-05-03") << style;
}

TEST(DateText, OrderNamesAreTheSixOfSetDateformat) {
  for (const char* name : {"mdy", "DMY", "Ymd", "ydm", "myd", "dym"}) {
    auto order = dateOrderNamed(name);
    ASSERT_TRUE(order) << name;
    EXPECT_TRUE(dateOrderNamed(dateOrderName(*order)) == order);
  }
  EXPECT_FALSE(dateOrderNamed("dm"));
  EXPECT_FALSE(dateOrderNamed("mdyy"));
}

TEST(DateText, ConversionsReadInTheOrderOfTheOpenScope) {
  const SqlType dt(TypeId::DateTime);
  auto cast = [&](std::string_view s) {
    return castValue(Value::string(s), stringLiteralType(s, false), dt).asDateTime().parts().month;
  };
  EXPECT_EQ(currentDateOrder(), DateOrder::Mdy);
  EXPECT_EQ(cast("05/03/2026"), 5);
  {
    DateOrderScope dmy(DateOrder::Dmy);
    EXPECT_EQ(cast("05/03/2026"), 3);
    EXPECT_EQ(errorOf([&] { cast("2026-03-25"); }), 242);  // year-day-month
    {
      DateOrderScope ymd(DateOrder::Ymd);
      EXPECT_EQ(cast("2026-03-25"), 3);
    }
    EXPECT_EQ(currentDateOrder(), DateOrder::Dmy);
  }
  EXPECT_EQ(currentDateOrder(), DateOrder::Mdy);
  EXPECT_EQ(errorOf([&] { cast("13/25/2026"); }), 242);
  EXPECT_EQ(errorOf([&] { cast("March 32nd"); }), 241);
}

}  // namespace
}  // namespace mls::tsql

// GetPeriodStartEnd as system.sql creates it: a period's first day and the
// first day of the period after it, from t_PeriodCalendar or in calendar
// months, and the errors of a period it cannot bound.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/tsql/engine.h"
#include "schema/schema_files.h"

namespace mls::tsql {
namespace {

struct Bounds {
  std::string start, end;  // yyyy-mm-dd, "NULL"
  int status = 0;
};

class PeriodProcedureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const std::string& batch : schema::schemaBatches("system.sql"))
      s_.execute(batch);
  }

  // The procedure's answer for (year, period); its error when it raises one.
  Bounds call(const std::string& year, const std::string& period, std::optional<SqlError>* error = nullptr) {
    const std::string sql =
        "DECLARE @b DATETIME = '1999-01-01', @e DATETIME = '1999-01-01', @rc INT\n"
        "EXEC @rc = GetPeriodStartEnd " +
        year + ", " + period +
        ", @b OUTPUT, @e OUTPUT\n"
        "SELECT ISNULL(CONVERT(VARCHAR(10), @b, 120), 'NULL'), ISNULL(CONVERT(VARCHAR(10), @e, 120), "
        "'NULL'), @rc";
    BatchResult r;
    try {
      r = s_.execute(sql);
    } catch (const SqlError& e) {
      if (!error) throw;
      *error = e;
      r = e.partial();
    }
    const Rowset& rs = r.items.back().rowset;
    return {std::string(rs.rows[0][0].asString()), std::string(rs.rows[0][1].asString()),
            static_cast<int>(rs.rows[0][2].asInt())};
  }

  std::shared_ptr<Database> db_ = Database::create();
  Session s_{db_};
};

// Each case's bounds, or the error of a period the procedure cannot bound
// (50000, NULL bounds, status 1).
TEST_F(PeriodProcedureTest, BoundsComeFromTheCalendarOrCalendarMonths) {
  s_.execute(
      "INSERT t_PeriodCalendar VALUES (2025, 1, '2024-12-26'), (2025, 2, '2025-01-26'), (2025, 3, "
      "'2025-02-26'), "
      "(2026, 1, '2025-03-26'), (2026, 2, '2025-04-26'), (2027, 1, '2026-12-31'), (2027, 3, '2027-02-28'), "
      "(2030, 1, '2030-01-01'), (2030, 2, '2029-12-01'), (2031, 3, '2031-03-01'), (2032, 2, '2032-01-31'), "
      "(2147483647, 1, '9999-01-01')");
  struct Case {
    const char *year, *period;
    Bounds want;
    const char* error = nullptr;  // after "GetPeriodStartEnd: "
  };
  const Bounds none{"NULL", "NULL", 1};
  const Case cases[] = {
      // calendar months: a year without calendar rows
      {"2024", "2", {"2024-02-01", "2024-03-01"}},
      {"2023", "12", {"2023-12-01", "2024-01-01"}},
      {"1753", "1", {"1753-01-01", "1753-02-01"}},
      {"9999", "11", {"9999-11-01", "9999-12-01"}},
      // the calendar: a period ends where the next one starts
      {"2025", "2", {"2025-01-26", "2025-02-26"}},
      // the last period of a year ends where period 1 of the next starts
      {"2025", "3", {"2025-02-26", "2025-03-26"}},
      {"2026", "2", {"2025-04-26", "2026-12-31"}},
      // a gap in the periods: the next one held ends it
      {"2027", "1", {"2026-12-31", "2027-02-28"}},
      // the last period of a year the next year has no rows for: January 1
      {"2027", "3", {"2027-02-28", "2028-01-01"}},
      // NULL in, NULL out
      {"NULL", "1", {"NULL", "NULL"}},
      {"2024", "NULL", {"NULL", "NULL"}},
      {"2027", "2", none, "t_PeriodCalendar has no row for period 2 of 2027"},
      {"2024", "13", none, "there is no period 13 of 2024 in calendar months"},
      {"2024", "0", none, "there is no period 0 of 2024 in calendar months"},
      {"1752", "6", none, "year 1752 is outside 1753..9999"},
      {"9999", "12", none, "year 10000 is outside 1753..9999"},
      {"-2147483648", "12", none, "year -2147483648 is outside 1753..9999"},
      // the next year's calendar holds no period 1
      {"2031", "3", none, "t_PeriodCalendar has no row for period 1 of 2032"},
      {"2030", "1", none, "t_PeriodCalendar's period 1 of 2030 does not end after it starts"},
      // the year after the calendar's last one is beyond the dates
      {"2147483647", "1", none, "year 2147483648 is outside 1753..9999"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.year) + " " + c.period);
    std::optional<SqlError> error;
    Bounds got = call(c.year, c.period, &error);
    ASSERT_EQ(error.has_value(), c.error != nullptr) << (error ? error->message() : "");
    if (error) {
      EXPECT_EQ(error->number(), 50000);
      EXPECT_EQ(error->severity(), 16);
      EXPECT_EQ(error->message(), std::string("GetPeriodStartEnd: ") + c.error);
    }
    EXPECT_EQ(got.start, c.want.start);
    EXPECT_EQ(got.end, c.want.end);
    EXPECT_EQ(got.status, c.want.status);
  }
}

// A database without the calendar table runs in calendar months.
TEST_F(PeriodProcedureTest, ADatabaseWithoutTheCalendarRunsInCalendarMonths) {
  s_.execute("DROP TABLE t_PeriodCalendar");
  Bounds got = call("2024", "12");
  EXPECT_EQ(got.start, "2024-12-01");
  EXPECT_EQ(got.end, "2025-01-01");
}

}  // namespace
}  // namespace mls::tsql

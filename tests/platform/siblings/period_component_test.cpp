// Ridgeholm.AisInfo created by ProgID and called by name on embedded databases.
#include <gtest/gtest.h>

#include "platform/com/dispatch.h"
#include "platform/com/registry.h"
#include "platform/siblings/sibling_classes.h"
#include "support/test_database.h"

namespace mls::siblings {
namespace {

using com::ComError;

class PeriodComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const com::ClassEntry& e : siblingClasses())
      com::ClassRegistry::instance().add(e);
    db_.setPeriods(12, 2023, 4, 2024, 3);
    component_ = com::createObject("Ridgeholm.AisInfo");
    com::letProperty(*component_, "PropsString", db_.props());
  }

  std::string periodDate(int32_t year, int32_t period) {
    com::Variant d = com::callByName(*component_, "GetPeriodDate", year, period);
    EXPECT_EQ(d.kind(), com::VarKind::Date);
    return d.toString();
  }
  // The error GetPeriodDate raises (number 0 when none), and its description.
  int32_t periodDateError(int32_t year, int32_t period, std::string* description = nullptr) {
    try {
      com::callByName(*component_, "GetPeriodDate", year, period);
    } catch (const ComError& e) {
      EXPECT_EQ(e.source(), "Ridgeholm.AisInfo");
      if (description) *description = e.description();
      return e.number();
    }
    return 0;
  }

  testing::TestDatabase db_;
  com::Ref<com::Dispatch> component_;
};

TEST_F(PeriodComponentTest, ReadsTheSystemProfile) {
  EXPECT_EQ(com::getProperty(*component_, "PropsString").toString(), db_.props());
  EXPECT_EQ(com::callByName(*component_, "CBGetPeriodCount").toLong(), 12);
  EXPECT_EQ(com::callByName(*component_, "CBGetCurrYear").toLong(), 2024);
  EXPECT_EQ(com::callByName(*component_, "CBGetCurrPeriod").toLong(), 3);
}

// Calendar months, and first days from calendar rows, are read through CalInfo
// and ConcludeUpdate in tests/frame/period_services_test.cpp.
TEST_F(PeriodComponentTest, PeriodsBeyondTheCountAreTheLastPeriod) {
  EXPECT_EQ(periodDate(2024, 13), "2024-12-01");
  db_.setCalendar(2024, {"2023-12-26", "2024-06-26"});
  db_.setProfile("GL", "PeriodCount", "2");
  EXPECT_EQ(periodDate(2024, 99), "2024-06-26");
}

TEST_F(PeriodComponentTest, PeriodsBeforeTheYearRaiseAClearError) {
  std::string description;
  EXPECT_EQ(periodDateError(2024, 0, &description), com::err::kInvalidCall);
  EXPECT_NE(description.find("periods 1 to 12"), std::string::npos) << description;
  EXPECT_EQ(periodDateError(2024, -1), com::err::kInvalidCall);
  EXPECT_EQ(periodDateError(10000, 1), com::err::kInvalidCall);
}

TEST_F(PeriodComponentTest, CalendarGapsAndShortYearsRaise) {
  db_.setCalendar(2024, {"2024-01-01", "2024-02-01"});
  std::string description;
  EXPECT_EQ(periodDateError(2024, 3, &description), com::err::kInvalidCall);
  EXPECT_NE(description.find("t_PeriodCalendar"), std::string::npos) << description;

  db_.setProfile("GL", "PeriodCount", "13");
  EXPECT_EQ(periodDateError(2025, 14), com::err::kInvalidCall);  // 13 periods need calendar rows
  EXPECT_EQ(periodDateError(2025, 12), 0);
}

TEST_F(PeriodComponentTest, MissingSettingsRaise) {
  db_.run("DELETE FROM t_SystemProfile WHERE FKey = 'PeriodCount'");
  EXPECT_EQ(periodDateError(2024, 1), com::err::kInvalidCall);
  db_.setProfile("GL", "PeriodCount", "twelve");
  std::string description;
  EXPECT_EQ(periodDateError(2024, 1, &description), com::err::kInvalidCall);
  EXPECT_NE(description.find("twelve"), std::string::npos) << description;

  com::letProperty(*component_, "PropsString", "Language=en");
  EXPECT_EQ(periodDateError(2024, 1, &description), com::err::kInvalidCall);
  EXPECT_NE(description.find("ConnectString"), std::string::npos) << description;
}

}  // namespace
}  // namespace mls::siblings

// The period window and the public period services, through CalInfo and
// ConcludeUpdate created by ProgID (the period component behind them is
// created through the object context) on embedded databases.  The dates the
// client's members answer are in cases/period_services.calls.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "classes/library.h"
#include "frame/period_window.h"
#include "platform/com/dispatch.h"
#include "platform/com/object_context.h"
#include "platform/halvern/dictionary.h"
#include "support/com_errors.h"
#include "support/test_database.h"

namespace mls::testing {
namespace {

using com::ComError;
using com::Variant;
using com::Vote;

class PeriodServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::unsetenv("MARLSTONE_RESOURCES");
    classes::registerInProcess();
    db_.setPeriods(12, 2024, 4, 2024, 6);
    calInfo_ = com::createObject("Marlstone.CalInfo");
    concludeUpdate_ = com::createObject("Marlstone.ConcludeUpdate");
  }

  // ClientGetPeriodDate: the first day and the last day's text.
  std::pair<Variant, Variant> clientDates(int32_t year, int32_t period) {
    Variant begin, end;
    com::callByName(*calInfo_, "ClientGetPeriodDate", db_.props(), year, period, Variant::byRef(&begin),
                    Variant::byRef(&end));
    return {begin, end};
  }
  struct Grid {
    bool ok = false;
    Variant clip, rows, colorRow;
  };
  Grid periodsData(const std::string& props, Variant colorRow = Variant()) {
    Grid g;
    g.colorRow = colorRow;
    g.ok = com::callByName(*calInfo_, "GetPeriodsData", props, Variant::byRef(&g.clip),
                           Variant::byRef(&g.rows), Variant::byRef(&g.colorRow))
               .toBool();
    return g;
  }

  TestDatabase db_;
  com::Ref<com::Dispatch> calInfo_, concludeUpdate_;
};

TEST_F(PeriodServicesTest, WindowFormsDifferInTypeAndTimeOfDay) {
  db_.setCalendar(2024, {"2024-01-01 08:30", "2024-02-01 17:00"});
  db_.setProfile("GL", "PeriodCount", "2");
  frame::PeriodWindow text = frame::getPeriodDateRange(db_.props(), 2024, 1, frame::WindowForm::NextAsText);
  EXPECT_EQ(text.begin.toString(), "2024-01-01");
  EXPECT_EQ(text.next.kind(), com::VarKind::String);
  EXPECT_EQ(text.next.toString(), "2024-02-01");
  frame::PeriodWindow date = frame::getPeriodDateRange(db_.props(), 2024, 1, frame::WindowForm::NextAsDate);
  EXPECT_EQ(date.next.kind(), com::VarKind::Date);
  EXPECT_EQ(date.next.toString(), "2024-02-01");
  frame::PeriodWindow check = frame::getPeriodDateRange(db_.props(), 2024, 1, frame::WindowForm::Check);
  EXPECT_EQ(check.begin.toString(), "2024-01-01 08:30:00");
  EXPECT_EQ(check.next.toString(), "2024-02-01");
  EXPECT_EQ(frame::sqlDate(check.begin), "'2024-01-01'");

  db_.setProfile("CB", "CurrentPeriod", "2");
  frame::CurrentPeriodWindow current = frame::getCurPeriodDateRange(db_.props());
  EXPECT_EQ(current.year, 2024);
  EXPECT_EQ(current.period, 2);
  EXPECT_EQ(current.window.begin.toString(), "2024-02-01");
  EXPECT_EQ(current.window.next.toString(), "2025-01-01");  // 2025 has no calendar rows
}

TEST_F(PeriodServicesTest, ClientShortcutSkipsTheComponentOnlyWhenItsFlagIs1) {
  com::Ref<com::Dispatch> dict = com::createObject("Halvern.Dictionary");
  com::letProperty(*dict, "Item", "lngISFindCurDate", "1");
  com::letProperty(*dict, "Item", "datPeriodBeginDate", Variant::date(com::makeDate(2030, 5, 1)));
  com::letProperty(*dict, "Item", "datCurPeriodEndDate", Variant::date(com::makeDate(2030, 6, 1)));
  {
    com::CreateInstanceFailure noComponent("Ridgeholm.AisInfo");
    frame::PeriodWindow w =
        frame::periodWindow(Variant(dict), db_.props(), 2024, 3, frame::WindowForm::NextAsText);
    EXPECT_EQ(w.begin.toString(), "2030-05-01");
    EXPECT_EQ(w.next.toString(), "2030-06-01");
  }
  com::letProperty(*dict, "Item", "lngISFindCurDate", 0);
  frame::PeriodWindow asked =
      frame::periodWindow(Variant(dict), db_.props(), 2024, 3, frame::WindowForm::NextAsText);
  EXPECT_EQ(asked.begin.toString(), "2024-03-01");
  EXPECT_EQ(asked.next.toString(), "2024-04-01");
  frame::PeriodWindow absent =
      frame::periodWindow(Variant::missing(), db_.props(), 2024, 3, frame::WindowForm::NextAsText);
  EXPECT_EQ(absent.next.toString(), "2024-04-01");
}

TEST_F(PeriodServicesTest, WindowsAreConvertedAndRangeCheckedWhenTaken) {
  struct Case {
    Variant begin, next;
    int32_t error;  // 0: taken
  };
  const Case cases[] = {
      {Variant("1753-01-01"), Variant("1753-02-01"), 0},
      {Variant::date(com::makeDate(9999, 12, 1)), Variant("9999-12-31"), 0},
      {Variant("1752-12-01"), Variant("1753-01-01"), com::err::kInvalidCall},
      // Windows that hold no day.
      {Variant("2024-03-26"), Variant("2024-02-26"), com::err::kInvalidCall},
      {Variant("2024-03-01"), Variant::date(com::makeDate(2024, 3, 1)), com::err::kInvalidCall},
      {Variant("2024-03-01"), Variant("next month"), com::err::kTypeMismatch},
      {Variant::null(), Variant("2024-04-01"), com::err::kInvalidUseOfNull},
  };
  com::Ref<com::Dispatch> dict = com::createObject("Halvern.Dictionary");
  com::letProperty(*dict, "Item", "lngISFindCurDate", 1);
  for (const Case& c : cases) {
    com::letProperty(*dict, "Item", "datPeriodBeginDate", c.begin);
    com::letProperty(*dict, "Item", "datCurPeriodEndDate", c.next);
    int32_t error = 0;
    try {
      frame::PeriodWindow w =
          frame::periodWindow(Variant(dict), db_.props(), 2024, 3, frame::WindowForm::NextAsDate);
      EXPECT_EQ(w.next.kind(), com::VarKind::Date);
    } catch (const ComError& e) {
      error = e.number();
    }
    EXPECT_EQ(error, c.error) << c.begin.debugString() << " to " << c.next.debugString();
  }
  // The component's window of a year DATETIME cannot hold.
  com::ExcepInfo e = failureOf("a window of 1752", [&] {
    frame::getPeriodDateRange(db_.props(), 1752, 3, frame::WindowForm::NextAsDate);
  });
  EXPECT_EQ(e.number, com::err::kInvalidCall);
  EXPECT_NE(e.description.find("1752-03-01 to 1752-04-01"), std::string::npos) << e.description;
}

TEST_F(PeriodServicesTest, ComponentThatCannotBeCreatedRaisesWithoutHelp) {
  com::CreateInstanceFailure failure("Ridgeholm.AisInfo",
                                     {429, "Host.Context", "no component", "help.chm", 7});
  com::ExcepInfo e = failureOf("ClientGetPeriodDate", [&] { clientDates(2024, 3); });
  EXPECT_EQ(e.number, 429);
  EXPECT_EQ(e.source, "Host.Context");
  EXPECT_EQ(e.description, "no component");
  EXPECT_EQ(e.helpFile, "");
  EXPECT_EQ(e.helpContext, 0);
}

std::string expectedClip(const std::string& yes, const std::string& no) {
  std::string clip;
  for (int p = 1; p <= 12; ++p) {
    static const char* kLast[] = {"31", "29", "31", "30", "31", "30", "31", "31", "30", "31", "30", "31"};
    std::string month = (p < 10 ? "0" : "") + std::to_string(p);
    if (p > 1) clip += "\r";
    clip += std::to_string(p) + "\t2024-" + month + "-01\t2024-" + month + "-" + kLast[p - 1] + "\t" +
            (p < 4   ? "/"
             : p < 6 ? yes
                     : no);
  }
  return clip;
}

TEST_F(PeriodServicesTest, GetPeriodsDataClipTextInChineseAndEnglish) {
  com::VoteRecorder votes;
  Grid chs = periodsData(db_.props("chs"));
  EXPECT_TRUE(chs.ok);
  EXPECT_EQ(chs.clip.toString(), expectedClip("是", "否"));
  EXPECT_EQ(chs.rows.toLong(), 12);
  EXPECT_EQ(chs.colorRow.toLong(), 6);

  Grid en = periodsData(db_.props("en"));
  EXPECT_EQ(en.clip.toString(), expectedClip("Yes", "No"));
  EXPECT_EQ(votes.votes(), (std::vector<Vote>{Vote::Complete, Vote::Complete}));
}

TEST_F(PeriodServicesTest, GetPeriodsDataAfterTheStartYearAndOutsideTheYear) {
  db_.setPeriods(12, 2023, 4, 2024, 13);
  Grid g = periodsData(db_.props("en"), Variant(int32_t{99}));
  EXPECT_EQ(g.colorRow.toLong(), 99);  // the current period is none of the year's
  std::string clip = g.clip.toString();
  EXPECT_TRUE(clip.starts_with("1\t2024-01-01\t2024-01-31\tYes\r")) << clip;
  EXPECT_TRUE(clip.ends_with("12\t2024-12-01\t2024-12-31\tYes")) << clip;
}

TEST_F(PeriodServicesTest, GetPeriodsDataWithoutAProfileRowFailsAndKeepsTheSource) {
  db_.run("DELETE FROM t_SystemProfile WHERE FKey = 'CurrentPeriod'");
  com::VoteRecorder votes;
  com::ExcepInfo e = failureOf("GetPeriodsData", [&] { periodsData(db_.props()); });
  EXPECT_EQ(e.number, com::err::kNoCurrentRecord);
  EXPECT_EQ(e.source.find("Marlstone.CalInfo"), std::string::npos) << e.source;
  EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Complete});  // no SetAbort
}

}  // namespace
}  // namespace mls::testing

// ConcludeInfo.GetEnableEcnRight, GetCostEnableEcnRight and
// GetCalCompleteQtyStatus: the profile row each reads, the values it answers or
// refuses, and its frame.
#include "inquiry_fixture.h"
#include "platform/com/object_context.h"

namespace mls::testing {
namespace {

using com::Vote;

struct Switch {
  const char* member;
  const char* category;
  const char* key;
  const char* otherCategory;  // the same key in the wrong category
  const char* table;          // the profile table as the statement spells it
};

const Switch kSwitches[] = {
    {"GetEnableEcnRight", "IC", "EnableEcnRight", "CB", "t_systemprofile"},
    {"GetCostEnableEcnRight", "CB", "SetBOMEnable", "IC", "t_systemprofile"},
    {"GetCalCompleteQtyStatus", "CB", "CB_CALCOMPLETEQTY_OK", "IC", "t_Systemprofile"},
};

class SettingsTest : public InquiryTest {
 protected:
  void setNull(const Switch& s) const {
    exec(std::string("INSERT INTO t_SystemProfile (FCategory, FKey, FValue) VALUES ('") + s.category +
         "', '" + s.key + "', NULL)");
  }
};

TEST_F(SettingsTest, EachSwitchAnswersItsOwnRowAsAWholeNumber) {
  for (const Switch& s : kSwitches) {
    SCOPED_TRACE(s.member);
    db_.setProfile(s.otherCategory, s.key, "1");
    EXPECT_EQ(call(s.member).toLong(), 0) << "no row of its own";
    EXPECT_EQ(call(s.member).kind(), com::VarKind::Long);
    for (const auto& [value, answer] :
         std::vector<std::pair<std::string, int32_t>>{{"1", 1}, {"0", 0}, {"2", 2}, {" 7 ", 7}, {"2.5", 2}}) {
      db_.setProfile(s.category, s.key, value);
      EXPECT_EQ(call(s.member).toLong(), answer) << "value '" << value << "'";
    }
  }
}

TEST_F(SettingsTest, ANullValueReadsAsZeroForTheBomSwitchesAndFailsTheCompletedQuantityFlag) {
  setNull(kSwitches[0]);
  setNull(kSwitches[1]);
  setNull(kSwitches[2]);
  EXPECT_EQ(call("GetEnableEcnRight").toLong(), 0);
  EXPECT_EQ(call("GetCostEnableEcnRight").toLong(), 0);
  EXPECT_EQ(failure("GetCalCompleteQtyStatus").number, com::err::kInvalidUseOfNull);
}

TEST_F(SettingsTest, AValueThatIsNoNumberFailsTheConversion) {
  for (const Switch& s : kSwitches) {
    for (const char* value : {"yes", ""}) {
      db_.setProfile(s.category, s.key, value);
      EXPECT_EQ(failure(s.member).number, com::err::kTypeMismatch) << s.member << " '" << value << "'";
    }
  }
}

TEST_F(SettingsTest, VotesAndNeverAborts) {
  // The switches vote at entry, whatever follows; the flag only once it succeeded.
  for (const Switch& s : kSwitches) {
    const bool atEntry = std::string(s.member) != "GetCalCompleteQtyStatus";
    db_.setProfile(s.category, s.key, "1");
    {
      com::VoteRecorder votes;
      call(s.member);
      EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Complete}) << s.member;
    }
    db_.setProfile(s.category, s.key, "x");
    com::VoteRecorder votes;
    failure(s.member);
    EXPECT_EQ(votes.votes(), atEntry ? std::vector<Vote>{Vote::Complete} : std::vector<Vote>{}) << s.member;
  }
}

TEST_F(SettingsTest, ADatabaseErrorReachesTheCallerUnchanged) {
  exec("DROP TABLE t_SystemProfile");
  for (const Switch& s : kSwitches) {
    com::ExcepInfo engine = db_.engineError(std::string("select FValue from ") + s.table);
    ASSERT_NE(engine.number, 0);
    com::ExcepInfo e = failure(s.member);
    EXPECT_EQ(e.number, engine.number) << s.member;
    EXPECT_EQ(e.source, engine.source) << s.member;
    EXPECT_EQ(e.description, engine.description) << s.member;
  }
}

TEST_F(SettingsTest, EachReadsOnOneReadUncommittedConnection) {
  auto log = std::make_shared<Recording>();
  const std::string props = recordedProps(log);
  for (const Switch& s : kSwitches) {
    db_.setProfile(s.category, s.key, "1");
    log->sessions.clear();
    EXPECT_EQ(callWith(props, s.member, {}).toLong(), 1) << s.member;
    ASSERT_EQ(log->sessions.size(), 1u) << s.member;
    ASSERT_EQ(log->sessions[0].size(), 2u) << s.member;
    EXPECT_EQ(log->sessions[0][0], "SET TRANSACTION ISOLATION LEVEL READ UnCOMMITTED");
    EXPECT_NE(log->sessions[0][1].find(s.key), std::string::npos);
  }
}

}  // namespace
}  // namespace mls::testing

// ConcludeInfo.GetEnableEcnRight, GetCostEnableEcnRight and
// GetCalCompleteQtyStatus on a recorded connection (their values, errors and
// votes are in cases/settings.calls).
#include "inquiry_fixture.h"

namespace mls::testing {
namespace {

TEST_F(InquiryTest, EachSettingReadsOnOneReadUncommittedConnection) {
  const struct {
    const char* member;
    const char* category;
    const char* key;
  } switches[] = {
      {"GetEnableEcnRight", "IC", "EnableEcnRight"},
      {"GetCostEnableEcnRight", "CB", "SetBOMEnable"},
      {"GetCalCompleteQtyStatus", "CB", "CB_CALCOMPLETEQTY_OK"},
  };
  auto log = std::make_shared<Recording>();
  const std::string props = recordedProps(log);
  for (const auto& s : switches) {
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

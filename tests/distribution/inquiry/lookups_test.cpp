// ConcludeInfo.GetCostObject on a recorded connection (the lookups' rows,
// errors and votes are in cases/lookups.calls).
#include "inquiry_fixture.h"
#include "platform/com/object_context.h"

namespace mls::testing {
namespace {

using com::Vote;

TEST_F(InquiryTest, TheListRunsGetObjectInAFrameOfItsOwn) {
  item({.id = 2, .erpClass = 2});
  auto log = std::make_shared<Recording>();
  const std::string props = recordedProps(log);
  com::VoteRecorder votes;
  callWith(props, "GetCostObject", {});
  // Both vote at entry: the list, then GetObject on the one connection there is.
  EXPECT_EQ(votes.votes(), (std::vector<Vote>{Vote::Complete, Vote::Complete}));
  ASSERT_EQ(log->sessions.size(), 1u);
  ASSERT_EQ(log->sessions[0].size(), 2u);
  EXPECT_EQ(log->sessions[0][0], "SET TRANSACTION ISOLATION LEVEL READ UnCOMMITTED");
  EXPECT_NE(log->sessions[0][1].find("FErpClsID IN (2,7)"), std::string::npos);
}

}  // namespace
}  // namespace mls::testing

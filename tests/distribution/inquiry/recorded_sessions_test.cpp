// ConcludeInfo's settings and its list of cost objects on a connection that
// records what each session is sent (their values, errors and votes are in
// cases/settings.calls and cases/lookups.calls).
#include "platform/com/object_context.h"
#include "support/erp_rows.h"
#include "support/public_class_test.h"
#include "support/recording_provider.h"

namespace mls::testing {
namespace {

using com::Vote;

class RecordedSessionsTest : public PublicClassTest, public ErpRows {
 protected:
  void SetUp() override {
    open("Marlstone.ConcludeInfo");
    recordBatchesInto(log_);
  }
  void exec(const std::string& sql) const override { db_.run(sql); }
  com::Variant recorded(const std::string& member) {
    log_->sessions.clear();
    return callWith("ConnectString={Provider=Test.Recording;Data Source=" + db_.name() + "};Language=en",
                    member, {});
  }
  // The one session a call opened: its isolation level first, then a batch holding `text`.
  void expectOneReadUncommittedSession(const std::string& text) const {
    ASSERT_EQ(log_->sessions.size(), 1u) << text;
    ASSERT_EQ(log_->sessions[0].size(), 2u) << text;
    EXPECT_EQ(log_->sessions[0][0], "SET TRANSACTION ISOLATION LEVEL READ UnCOMMITTED");
    EXPECT_NE(log_->sessions[0][1].find(text), std::string::npos);
  }

  std::shared_ptr<Recording> log_ = std::make_shared<Recording>();
};

TEST_F(RecordedSessionsTest, EachSettingReadsOnOneReadUncommittedConnection) {
  const struct {
    const char* member;
    const char* category;
    const char* key;
  } switches[] = {
      {"GetEnableEcnRight", "IC", "EnableEcnRight"},
      {"GetCostEnableEcnRight", "CB", "SetBOMEnable"},
      {"GetCalCompleteQtyStatus", "CB", "CB_CALCOMPLETEQTY_OK"},
  };
  for (const auto& s : switches) {
    db_.setProfile(s.category, s.key, "1");
    EXPECT_EQ(recorded(s.member).toLong(), 1) << s.member;
    expectOneReadUncommittedSession(s.key);
  }
}

TEST_F(RecordedSessionsTest, TheListRunsGetObjectInAFrameOfItsOwn) {
  item({.id = 2, .erpClass = 2});
  com::VoteRecorder votes;
  recorded("GetCostObject");
  // Both vote at entry: the list, then GetObject on the one connection there is.
  EXPECT_EQ(votes.votes(), (std::vector<Vote>{Vote::Complete, Vote::Complete}));
  expectOneReadUncommittedSession("FErpClsID IN (2,7)");
}

}  // namespace
}  // namespace mls::testing

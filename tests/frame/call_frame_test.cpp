// The call frame, through a probe class created by ProgID and called by name:
// votes, SetAbort, the connection's life, and the source an error leaves with.
#include <gtest/gtest.h>

#include "frame_probe.h"
#include "platform/ado/errors.h"
#include "platform/com/dispatch.h"
#include "platform/com/object_context.h"
#include "platform/com/registry.h"
#include "support/test_database.h"

namespace mls::testing {
namespace {

using com::ComError;
using com::Vote;

constexpr const char* kBadSql = "select * from t_NoSuchTable";

class CallFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registerFrameProbe();
    FrameProbe::lastConnection() = nullptr;
    probe_ = com::createObject(FrameProbe::kProgId);
  }
  void TearDown() override { FrameProbe::lastConnection() = nullptr; }

  // Calls a member; answers the error it raised (number 0 when none).
  com::ExcepInfo call(const std::string& member, const std::string& props, const std::string& sql,
                      com::Variant* result = nullptr) {
    try {
      com::Variant r = com::callByName(*probe_, member, props, sql);
      if (result) *result = r;
    } catch (const ComError& e) {
      return e.info();
    }
    return {};
  }
  TestDatabase db_;
  com::Ref<com::Dispatch> probe_;
};

TEST_F(CallFrameTest, VotesAtEntryOrOnSuccessAndAbortsWhereTheMethodSays) {
  struct Case {
    const char* member;
    const char* sql;
    std::vector<Vote> votes;
  };
  const Case cases[] = {
      {"Inquiry", "select 1", {Vote::Complete}},
      {"Inquiry", kBadSql, {Vote::Complete}},
      {"Write", "select 1", {Vote::Complete}},
      {"Write", kBadSql, {Vote::Abort}},
      {"Plain", "select 1", {}},
      {"Plain", kBadSql, {}},
      {"Quiet", "select 1", {}},
      {"Quiet", kBadSql, {}},
  };
  for (const Case& c : cases) {
    com::VoteRecorder votes;
    call(c.member, db_.props(), c.sql);
    EXPECT_EQ(votes.votes(), c.votes) << c.member << " " << c.sql;
  }
}

TEST_F(CallFrameTest, ErrorsKeepNumberAndDescriptionAndTakeTheMethodsName) {
  com::ExcepInfo engine = db_.engineError(kBadSql);
  com::ExcepInfo inquiry = call("Inquiry", db_.props(), kBadSql);
  EXPECT_EQ(inquiry.number, engine.number);
  EXPECT_EQ(inquiry.description, engine.description);
  EXPECT_EQ(inquiry.source, "Marlstone.FrameProbe.Inquiry\r\n" + engine.source);
  EXPECT_EQ(call("Write", db_.props(), kBadSql).source, "Marlstone.FrameProbe.Write" + engine.source);
  EXPECT_EQ(call("Plain", db_.props(), kBadSql).source, engine.source);
}

TEST_F(CallFrameTest, NestedNamedErrorsChainOutermostFirst) {
  com::ExcepInfo engine = db_.engineError(kBadSql);
  com::ExcepInfo nested = call("Nested", db_.props(), kBadSql);
  EXPECT_EQ(nested.source,
            "Marlstone.FrameProbe.Nested\r\nMarlstone.FrameProbe.PrivateStep\r\n" + engine.source);

  com::VoteRecorder votes;
  com::ExcepInfo cross = call("CrossClass", db_.props(), kBadSql);
  EXPECT_EQ(cross.number, engine.number);
  EXPECT_EQ(cross.source,
            "Marlstone.FrameProbe.CrossClass\r\nMarlstone.FrameProbe.Nested\r\n"
            "Marlstone.FrameProbe.PrivateStep\r\n" +
                engine.source);
  EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Complete});
}

TEST_F(CallFrameTest, AnEarlierCallsErrorLendsNoSourceToTheNext) {
  com::currentError() = {5, "Earlier.Failure", "an unrelated failure", "", 0};
  com::ExcepInfo e = call("Plain", db_.props(), "unsourced");
  EXPECT_EQ(e.number, -1);
  EXPECT_EQ(e.source, "Marlstone");
}

TEST_F(CallFrameTest, TheConnectionIsClosedOnEveryPath) {
  com::Variant result;
  EXPECT_EQ(call("Plain", db_.props(), "select 42", &result).number, 0);
  EXPECT_EQ(result.toLong(), 42);
  ASSERT_TRUE(FrameProbe::lastConnection());
  EXPECT_EQ(FrameProbe::lastConnection()->state(), ado::kStateClosed);

  FrameProbe::lastConnection() = nullptr;
  EXPECT_NE(call("Write", db_.props(), kBadSql).number, 0);
  ASSERT_TRUE(FrameProbe::lastConnection());
  EXPECT_EQ(FrameProbe::lastConnection()->state(), ado::kStateClosed);
}

TEST_F(CallFrameTest, AnErrorAfterTheBodyClosedTheConnectionPassesThroughUnchanged) {
  com::ExcepInfo e = call("Write", db_.props(), "close-and-raise");
  EXPECT_EQ(e.number, -1);
  EXPECT_EQ(e.source, "Marlstone.FrameProbe.Writeprobe");
  EXPECT_EQ(e.description, "closed first");
}

TEST_F(CallFrameTest, FailureBeforeTheConnectionTouchesNone) {
  com::VoteRecorder votes;
  com::ExcepInfo e = call("Write", "Language=en;language=chs", "select 1");
  EXPECT_EQ(e.number, com::err::kKeyInUse);
  EXPECT_FALSE(FrameProbe::lastConnection());
  EXPECT_EQ(votes.votes(), std::vector<Vote>{Vote::Abort});

  com::ExcepInfo open = call("Inquiry", "ConnectString={Provider=NoSuchProvider}", "select 1");
  EXPECT_EQ(open.number, ado::err::kOpenFailed);
  EXPECT_TRUE(open.source.starts_with("Marlstone.FrameProbe.Inquiry\r\n"));
}

// A member that never raises answers "" for a failure anywhere in its frame,
// closes its connection and leaves no current error behind.
TEST_F(CallFrameTest, AQuietMemberAnswersEmptyInsteadOfRaising) {
  const struct {
    const char* props;
    const char* sql;
  } failures[] = {{"", kBadSql}, {"", "close-and-raise"}, {"Language=en;language=chs", "select 1"}};
  for (const auto& f : failures) {
    FrameProbe::lastConnection() = nullptr;
    com::Variant result = 7;
    const std::string props = *f.props ? f.props : db_.props();
    EXPECT_EQ(call("Quiet", props, f.sql, &result).number, 0) << f.sql;
    EXPECT_EQ(result.kind(), com::VarKind::String) << f.sql;
    EXPECT_EQ(result.toString(), "") << f.sql;
    EXPECT_EQ(com::currentError().number, 0) << f.sql;
    if (FrameProbe::lastConnection()) {
      EXPECT_EQ(FrameProbe::lastConnection()->state(), ado::kStateClosed);
    }
  }
  com::Variant result;
  EXPECT_EQ(call("Quiet", db_.props(), "select 42", &result).number, 0);
  EXPECT_EQ(result.toLong(), 42);
}

TEST_F(CallFrameTest, EachCallParsesItsOwnPropertiesString) {
  com::Variant user;
  call("Plain", db_.props(), "user", &user);
  EXPECT_EQ(user.toString(), "tester");
  com::ExcepInfo e = call("Plain", "ConnectString={" + db_.connectString() + "}", "user", &user);
  EXPECT_EQ(e.number, com::err::kInvalidCall);  // no UserName in the second string
}

}  // namespace
}  // namespace mls::testing

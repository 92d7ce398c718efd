// What the data source and the system-profile lookup send to a provider, and
// that they leave no session open, on a scripted provider.
#include <gtest/gtest.h>

#include "frame/class_data_env.h"
#include "frame/system_profile.h"
#include "platform/ado/errors.h"
#include "platform/ado/fake_provider.h"

namespace mls::testing {
namespace {

using ado::testing::column;
using ado::testing::rowset;

class ScriptedProviderTest : public ::testing::Test, public ado::testing::FakeProviderTest {
 protected:
  void SetUp() override { env_.init("ConnectString={Provider=Test.Fake;Data Source=x}"); }
  frame::ClassDataEnv env_;
};

TEST_F(ScriptedProviderTest, ConnectionsSetTheirIsolationLevel) {
  com::Ref<ado::Connection> committed = env_.dataSource().connection();
  com::Ref<ado::Connection> uncommitted = env_.dataSource().unCommittedConnection();
  EXPECT_EQ(state->texts, (std::vector<std::string>{"SET TRANSACTION ISOLATION LEVEL READ COMMITTED",
                                                    "SET TRANSACTION ISOLATION LEVEL READ UnCOMMITTED"}));
  EXPECT_EQ(state->openSessions, 2);
}

TEST_F(ScriptedProviderTest, ConnectionWhoseIsolationFailsIsClosed) {
  state->failOn = "SET TRANSACTION";
  EXPECT_EQ(errorOf([&] { env_.dataSource().unCommittedConnection(); }), ado::err::kCommandFailed);
  EXPECT_EQ(state->openSessions, 0);
}

TEST_F(ScriptedProviderTest, SystemProfileBindsCategoryThenKeyAndClosesItsConnection) {
  state->next.push_back(rowset({column("FValue", ado::DataType::VarWChar)}, {{com::Variant("9")}}));
  EXPECT_EQ(frame::getSystemProfile(env_.dataSource(), "PeriodCount", "GL").toString(), "9");
  ASSERT_EQ(state->params.size(), 2u);  // the isolation statement, then the query
  const std::vector<ado::ParameterValue>& p = state->params[1];
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].value.toString(), "GL");
  EXPECT_EQ(p[1].value.toString(), "PeriodCount");
  EXPECT_EQ(p[0].type, ado::DataType::VarWChar);
  EXPECT_EQ(p[0].size, 30);
  EXPECT_EQ(state->openSessions, 0);
}

}  // namespace
}  // namespace mls::testing

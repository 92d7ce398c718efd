// What the data source and the system-profile lookup send to a provider, and
// that they leave no session open, on a scripted provider.
#include <gtest/gtest.h>

#include "frame/class_data_env.h"
#include "frame/globals.h"
#include "platform/ado/errors.h"
#include "platform/ado/provider.h"

namespace mls::testing {
namespace {

struct Script {
  int openSessions = 0;
  bool refuseIsolation = false;
  std::vector<std::string> texts;
  std::vector<std::vector<ado::ParameterValue>> params;
};

class ScriptedProvider final : public ado::Provider {
 public:
  explicit ScriptedProvider(std::shared_ptr<Script> script) : script_(std::move(script)) {}
  const std::string& name() const override { return name_; }
  std::unique_ptr<ado::ProviderSession> open(const ado::ConnectionProperties&) override {
    return std::make_unique<Session>(script_);
  }

 private:
  class Session final : public ado::ProviderSession {
   public:
    explicit Session(std::shared_ptr<Script> s) : script_(std::move(s)) { ++script_->openSessions; }
    ~Session() override { --script_->openSessions; }
    std::vector<ado::BatchItem> execute(std::string_view text, const std::vector<ado::ParameterValue>& params,
                                        int32_t) override {
      script_->texts.emplace_back(text);
      script_->params.push_back(params);
      if (script_->refuseIsolation && text.starts_with("SET TRANSACTION")) {
        com::raise(ado::err::kCommandFailed, "Frame.Scripted", "isolation refused");
      }
      ado::BatchItem item;
      if (text.starts_with("Select FValue")) {
        item.isRowset = true;
        item.rowset.columns.push_back({"FValue", ado::DataType::VarWChar, 255});
        item.rowset.rows.push_back({com::Variant("9")});
      }
      return {item};
    }

   private:
    std::shared_ptr<Script> script_;
  };

  std::string name_ = "Frame.Scripted";
  std::shared_ptr<Script> script_;
};

class ScriptedProviderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ado::registerProvider(std::make_shared<ScriptedProvider>(script_));
    env_.init("ConnectString={Provider=Frame.Scripted;Data Source=x}");
  }
  void TearDown() override { ado::unregisterProvider("Frame.Scripted"); }

  std::shared_ptr<Script> script_ = std::make_shared<Script>();
  frame::ClassDataEnv env_;
};

TEST_F(ScriptedProviderTest, ConnectionsSetTheirIsolationLevel) {
  com::Ref<ado::Connection> committed = env_.dataSource().connection();
  com::Ref<ado::Connection> uncommitted = env_.dataSource().unCommittedConnection();
  EXPECT_EQ(script_->texts, (std::vector<std::string>{"SET TRANSACTION ISOLATION LEVEL READ COMMITTED",
                                                      "SET TRANSACTION ISOLATION LEVEL READ UnCOMMITTED"}));
  EXPECT_EQ(script_->openSessions, 2);
}

TEST_F(ScriptedProviderTest, ConnectionWhoseIsolationFailsIsClosed) {
  script_->refuseIsolation = true;
  try {
    env_.dataSource().unCommittedConnection();
    ADD_FAILURE();
  } catch (const com::ComError& e) {
    EXPECT_EQ(e.description(), "isolation refused");
  }
  EXPECT_EQ(script_->openSessions, 0);
}

TEST_F(ScriptedProviderTest, SystemProfileBindsCategoryThenKeyAndClosesItsConnection) {
  EXPECT_EQ(frame::getSystemProfile(env_.dataSource(), "PeriodCount", "GL").toString(), "9");
  ASSERT_EQ(script_->params.size(), 2u);  // the isolation statement, then the query
  const std::vector<ado::ParameterValue>& p = script_->params[1];
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].value.toString(), "GL");
  EXPECT_EQ(p[1].value.toString(), "PeriodCount");
  EXPECT_EQ(p[0].type, ado::DataType::VarWChar);
  EXPECT_EQ(p[0].size, 30);
  EXPECT_EQ(script_->texts[0], "SET TRANSACTION ISOLATION LEVEL READ COMMITTED");
  EXPECT_EQ(script_->openSessions, 0);
}

}  // namespace
}  // namespace mls::testing

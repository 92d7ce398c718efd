// A scripted provider for the tests of the layers above the providers: it
// records what it is asked to run and answers what the test put in `next`.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ado/errors.h"
#include "platform/ado/provider.h"
#include "support/com_errors.h"

namespace mls::ado::testing {

struct FakeState {
  int openSessions = 0;
  std::vector<std::string> texts;
  std::vector<std::vector<ParameterValue>> params;
  std::vector<BatchItem> next;  // answer of the next execute but an isolation statement
  std::string failOn = "FAIL";  // a text that begins so raises
  ConnectionProperties lastProps;
};

class FakeProvider final : public Provider {
 public:
  static constexpr const char* kName = "Test.Fake";
  explicit FakeProvider(std::shared_ptr<FakeState> state) : state_(std::move(state)) {}
  const std::string& name() const override { return name_; }

  std::unique_ptr<ProviderSession> open(const ConnectionProperties& props) override {
    state_->lastProps = props;
    if (props.get("Data Source") == "missing")
      com::raise(err::kOpenFailed, kName, "No such database 'missing'.");
    return std::make_unique<Session>(state_);
  }

 private:
  class Session final : public ProviderSession {
   public:
    explicit Session(std::shared_ptr<FakeState> s) : state_(std::move(s)) { ++state_->openSessions; }
    ~Session() override { --state_->openSessions; }
    std::vector<BatchItem> execute(std::string_view text, const std::vector<ParameterValue>& params,
                                   int32_t) override {
      state_->texts.emplace_back(text);
      state_->params.push_back(params);
      if (text.starts_with(state_->failOn))
        com::raise(err::kCommandFailed, kName, "Invalid object name 'nowhere'.");
      if (text.starts_with("SET TRANSACTION")) return {BatchItem()};
      return std::move(state_->next);
    }

   private:
    std::shared_ptr<FakeState> state_;
  };

  std::string name_ = kName;
  std::shared_ptr<FakeState> state_;
};

inline ColumnMeta column(std::string name, DataType type) {
  ColumnMeta c;
  c.name = std::move(name);
  c.type = type;
  return c;
}

inline BatchItem rowset(std::vector<ColumnMeta> columns, std::vector<std::vector<com::Variant>> rows) {
  BatchItem item;
  item.isRowset = true;
  item.rowset.columns = std::move(columns);
  item.rowset.rows = std::move(rows);
  return item;
}

inline BatchItem rowCount(int64_t n) {
  BatchItem item;
  item.rowCount = n;
  return item;
}

// Registers a fresh fake provider for the life of a test.
class FakeProviderTest {
 public:
  FakeProviderTest() { registerProvider(std::make_shared<FakeProvider>(state)); }
  ~FakeProviderTest() { unregisterProvider(FakeProvider::kName); }
  std::shared_ptr<FakeState> state = std::make_shared<FakeState>();
};

}  // namespace mls::ado::testing

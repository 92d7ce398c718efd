#include "support/recording_provider.h"

#include "platform/ado/provider.h"

namespace mls::testing {
namespace {

class RecordingSession final : public ado::ProviderSession {
 public:
  RecordingSession(std::unique_ptr<ado::ProviderSession> inner, std::shared_ptr<Recording> log)
      : inner_(std::move(inner)), log_(std::move(log)), index_(log_->sessions.size()) {
    log_->sessions.emplace_back();
  }
  std::vector<ado::BatchItem> execute(std::string_view text, const std::vector<ado::ParameterValue>& params,
                                      int32_t timeout) override {
    log_->sessions[index_].emplace_back(text);
    return inner_->execute(text, params, timeout);
  }

 private:
  std::unique_ptr<ado::ProviderSession> inner_;
  std::shared_ptr<Recording> log_;
  size_t index_;
};

class RecordingProvider final : public ado::Provider {
 public:
  explicit RecordingProvider(std::shared_ptr<Recording> log) : log_(std::move(log)) {}
  const std::string& name() const override { return name_; }
  std::unique_ptr<ado::ProviderSession> open(const ado::ConnectionProperties& props) override {
    return std::make_unique<RecordingSession>(ado::findProvider("Marlstone.Embedded")->open(props), log_);
  }

 private:
  std::string name_ = "Test.Recording";
  std::shared_ptr<Recording> log_;
};

}  // namespace

void recordBatchesInto(std::shared_ptr<Recording> recording) {
  ado::registerProvider(std::make_shared<RecordingProvider>(std::move(recording)));
}

}  // namespace mls::testing

#include "platform/com/object_context.h"

#include <dlfcn.h>

#include <algorithm>
#include <utility>

#include "platform/com/registry.h"
#include "platform/com/variant.h"

namespace mls::com {
namespace {

class ThreadContext final : public ObjectContext {
 public:
  void setComplete() override { cast(Vote::Complete); }
  void setAbort() override { cast(Vote::Abort); }

  Ref<Dispatch> createInstance(std::string_view progId) override {
    auto it = std::find_if(failures_.begin(), failures_.end(),
                           [&](const auto& f) { return compareText(f.first, progId, true) == 0; });
    if (it != failures_.end()) {
      const ExcepInfo& e = it->second;
      raise(e.number, e.source.empty() ? "Marlstone.ObjectContext" : e.source,
            e.description.empty() ? "Cannot create object '" + std::string(progId) + "'" : e.description,
            e.helpFile, e.helpContext);
    }
    return createObject(progId);
  }

  void openRecorder(std::vector<Vote>* sink) override { sinks_.push_back(sink); }
  void closeRecorder(std::vector<Vote>* sink) override { std::erase(sinks_, sink); }

  void failCreateInstance(std::string progId, ExcepInfo error) override {
    clearCreateInstanceFailure(progId);
    failures_.emplace_back(std::move(progId), std::move(error));
  }
  void clearCreateInstanceFailure(std::string_view progId) override {
    std::erase_if(failures_, [&](const auto& f) { return compareText(f.first, progId, true) == 0; });
  }

 private:
  void cast(Vote v) {
    for (std::vector<Vote>* sink : sinks_)
      sink->push_back(v);
  }

  std::vector<std::vector<Vote>*> sinks_;
  std::vector<std::pair<std::string, ExcepInfo>> failures_;
};

ObjectContext& threadContext() {
  thread_local ThreadContext context;
  return context;
}

}  // namespace

}  // namespace mls::com

// Exported by host executables (see object_context.h); inside the library the
// symbol is local, so the library finds the host's one.
extern "C" mls::com::ObjectContext* MlsHostObjectContext() {
  return &mls::com::threadContext();
}

namespace mls::com {

const char* voteName(Vote v) {
  return v == Vote::Complete ? "SetComplete" : "SetAbort";
}

ObjectContext& getObjectContext() {
  using Provider = ObjectContext* (*)();
  static const Provider host = reinterpret_cast<Provider>(::dlsym(RTLD_DEFAULT, "MlsHostObjectContext"));
  return host ? *host() : threadContext();
}

VoteRecorder::VoteRecorder() {
  getObjectContext().openRecorder(&votes_);
}

VoteRecorder::~VoteRecorder() {
  getObjectContext().closeRecorder(&votes_);
}

CreateInstanceFailure::CreateInstanceFailure(std::string progId, ExcepInfo error) : progId_(progId) {
  getObjectContext().failCreateInstance(std::move(progId), std::move(error));
}

CreateInstanceFailure::~CreateInstanceFailure() {
  getObjectContext().clearCreateInstanceFailure(progId_);
}

}  // namespace mls::com

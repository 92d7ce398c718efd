#include "platform/com/class_factory.h"

#include <atomic>
#include <utility>

#include "platform/com/error.h"

namespace mls::com {
namespace {

std::atomic<uint32_t> gLocks{0};

class FunctionFactory final : public ClassFactory {
 public:
  explicit FunctionFactory(std::function<Ref<Dispatch>()> create) : create_(std::move(create)) {}

  HResult queryInterface(const Guid& iid, void** out) override {
    if (!out) return kPointer;
    if (iid == kIidUnknown || iid == kIidClassFactory) {
      *out = static_cast<ClassFactory*>(this);
      addRef();
      return kOk;
    }
    *out = nullptr;
    return kNoInterface;
  }
  uint32_t addRef() override { return ++refs_; }
  uint32_t release() override {
    uint32_t n = --refs_;
    if (n == 0) delete this;
    return n;
  }

  HResult createInstance(const Guid& iid, void** out) override {
    if (!out) return kPointer;
    *out = nullptr;
    try {
      Ref<Dispatch> obj = create_();
      return obj->queryInterface(iid, out);
    } catch (const ComError& e) {
      return hresultFromError(e.number());
    } catch (const std::exception&) {
      return kFail;
    }
  }
  HResult lockServer(bool lock) override {
    if (lock) {
      ++gLocks;
    } else if (gLocks > 0) {
      --gLocks;
    }
    return kOk;
  }

 private:
  std::function<Ref<Dispatch>()> create_;
  std::atomic<uint32_t> refs_{0};
};

}  // namespace

Ref<ClassFactory> makeClassFactory(std::function<Ref<Dispatch>()> create) {
  return Ref<ClassFactory>(new FunctionFactory(std::move(create)));
}

uint32_t serverLocks() {
  return gLocks.load();
}

HResult hresultFromError(int32_t number) {
  if (number > 0 && number <= 0xFFFF)
    return static_cast<HResult>(0x800A0000u | static_cast<uint32_t>(number));
  return number;
}

int32_t errorFromHresult(HResult hr) {
  uint32_t u = static_cast<uint32_t>(hr);
  if ((u & 0xFFFF0000u) == 0x800A0000u) return static_cast<int32_t>(u & 0xFFFFu);
  return hr;
}

}  // namespace mls::com

#include "platform/ado/provider.h"

#include <algorithm>
#include <mutex>

#include "platform/ado/embedded/registration.h"

namespace mls::ado {

namespace {

struct Registry {
  std::mutex mutex;
  std::vector<std::shared_ptr<Provider>> providers;
};

Registry& registry() {
  static Registry* r = [] {
    auto* reg = new Registry;
    for (std::shared_ptr<Provider>& p : builtInProviders())
      reg->providers.push_back(std::move(p));
    return reg;
  }();
  return *r;
}

}  // namespace

void registerProvider(std::shared_ptr<Provider> provider) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  std::erase_if(r.providers,
                [&](const auto& p) { return com::compareText(p->name(), provider->name(), true) == 0; });
  r.providers.push_back(std::move(provider));
}

void unregisterProvider(std::string_view name) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  std::erase_if(r.providers, [&](const auto& p) { return com::compareText(p->name(), name, true) == 0; });
}

std::shared_ptr<Provider> findProvider(std::string_view name) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  auto it = std::find_if(r.providers.begin(), r.providers.end(),
                         [&](const auto& p) { return com::compareText(p->name(), name, true) == 0; });
  return it == r.providers.end() ? nullptr : *it;
}

}  // namespace mls::ado

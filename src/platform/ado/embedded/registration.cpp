#include "platform/ado/embedded/registration.h"

// The engine's provider is built only when the engine library is (see
// CMakeLists.txt).
#ifdef MLS_ADO_EMBEDDED
#include "platform/ado/embedded/embedded_provider.h"
#endif

namespace mls::ado {

std::vector<std::shared_ptr<Provider>> builtInProviders() {
#ifdef MLS_ADO_EMBEDDED
  return {std::make_shared<embedded::EmbeddedProvider>()};
#else
  return {};
#endif
}

}  // namespace mls::ado

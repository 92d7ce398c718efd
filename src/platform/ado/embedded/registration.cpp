#include "platform/ado/embedded/registration.h"

// The engine's provider is built only when the engine library is (see
// CMakeLists.txt).
#ifdef MLS_ADO_EMBEDDED
#include "platform/ado/embedded/embedded_provider.h"
#include "platform/ado/errors.h"
#endif

namespace mls::ado {

std::vector<std::shared_ptr<Provider>> builtInProviders() {
#ifdef MLS_ADO_EMBEDDED
  // Data Sources naming a file open through the engine's durable storage.
  embedded::setFileDatabaseOpener([](const std::string& path, const tsql::Database::OpenOptions& options) {
    try {
      return tsql::Database::open(path, options);
    } catch (const tsql::SqlError& e) {
      com::raiseFromProvider(err::kOpenFailed, kEmbeddedProviderName, e.message(),
                             embedded::providerErrors(e));
    }
  });
  return {std::make_shared<embedded::EmbeddedProvider>()};
#else
  return {};
#endif
}

}  // namespace mls::ado

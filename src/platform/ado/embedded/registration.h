// The providers every process knows without registering them.
#pragma once

#include <memory>
#include <vector>

#include "platform/ado/provider.h"

namespace mls::ado {

// The embedded T-SQL engine's provider name (compared without case).
inline constexpr const char* kEmbeddedProviderName = "Marlstone.Embedded";

std::vector<std::shared_ptr<Provider>> builtInProviders();

}  // namespace mls::ado

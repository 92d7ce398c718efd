// One value of the ERP's system profile.
#pragma once

#include <string_view>

#include "platform/com/variant.h"

namespace mls::frame {

class CDataSource;

// FValue of t_SystemProfile for (category, key), read on a new READ COMMITTED
// connection of `dataSource` that is closed before the answer; Null when the
// row holds Null; `fallback` when there is no row (unless it is Missing, which
// answers "").
com::Variant getSystemProfile(CDataSource& dataSource, std::string_view key, std::string_view category,
                              const com::Variant& fallback = com::Variant::missing());

}  // namespace mls::frame

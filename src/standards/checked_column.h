// The checked name of the #OnlineCostObj column a standard-quantity text fills.
#pragma once

#include <string>
#include <string_view>

namespace mls::standards {

// The column name as it goes into the text.  A name that is not an identifier
// (an ASCII letter or "_" first, then letters, digits and "_", at most 128)
// raises error 5 with source "Marlstone.ModStandardData": it never reaches SQL.
std::string checkedColumn(std::string_view column);

// The source of the errors the builders raise.
inline constexpr const char* kBuilderSource = "Marlstone.ModStandardData";

}  // namespace mls::standards

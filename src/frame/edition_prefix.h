// The edition prefix of the names that differ between editions.
#pragma once

#include <string>
#include <string_view>

namespace mls::frame {

// "Selvo_" + name when the properties' OrrinVersion is "Selvo" (any case), else name.
std::string getEditionPrefix(std::string_view props, std::string_view name);

}  // namespace mls::frame

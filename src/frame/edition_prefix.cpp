#include "frame/edition_prefix.h"

#include "frame/props_value.h"
#include "platform/com/variant.h"

namespace mls::frame {

std::string getEditionPrefix(std::string_view props, std::string_view name) {
  if (com::compareText(getPropsValue(props, "OrrinVersion"), "Selvo", true) == 0) {
    return "Selvo_" + std::string(name);
  }
  return std::string(name);
}

}  // namespace mls::frame

// The component's name, the source of the errors its own code raises.
#pragma once

namespace mls::frame {

inline constexpr const char* kComponent = "Marlstone";

}  // namespace mls::frame

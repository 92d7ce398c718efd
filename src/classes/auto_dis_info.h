// AutoDisInfo ("Marlstone.AutoDisInfo"): distribution data queries.
// Its dispatch interface is _AutoDisInfo.
#pragma once

#include "frame/public_object.h"

namespace mls::classes {

class AutoDisInfo final : public frame::PublicObject {
 public:
  static constexpr const char* kProgId = "Marlstone.AutoDisInfo";
  static constexpr com::Guid kClsid{
      0xE6161E68, 0x956A, 0x11D7, {0x9E, 0x78, 0x00, 0xE0, 0x18, 0x69, 0xF6, 0xB0}};
  static constexpr com::Guid kIid{
      0x45C26AB3, 0xE7D8, 0x4EFE, {0x9A, 0x31, 0xDC, 0xD3, 0xAA, 0xB0, 0x0F, 0x62}};

  AutoDisInfo() : PublicObject(type()) {}
  static const com::TypeInfo& type();
};

}  // namespace mls::classes

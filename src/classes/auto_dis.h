// AutoDis ("Marlstone.AutoDis"): automatic distribution, direct-material writes and re-spreads.
// Its dispatch interface is _AutoDis.
#pragma once

#include "frame/public_object.h"

namespace mls::classes {

class AutoDis final : public frame::PublicObject {
 public:
  static constexpr const char* kProgId = "Marlstone.AutoDis";
  static constexpr com::Guid kClsid{
      0xE6161E66, 0x956A, 0x11D7, {0x9E, 0x78, 0x00, 0xE0, 0x18, 0x69, 0xF6, 0xB0}};
  static constexpr com::Guid kIid{
      0x2C736AC5, 0x7AC6, 0x40A8, {0x80, 0x4D, 0xE0, 0x51, 0x6B, 0xBE, 0x36, 0x5D}};

  AutoDis() : PublicObject(type()) {}
  static const com::TypeInfo& type();
};

}  // namespace mls::classes

// ConcludeInfo ("Marlstone.ConcludeInfo"): distribution inquiry and lookups, standard data and revert
// history. Its dispatch interface is _ConcludeInfo.
#pragma once

#include "frame/public_object.h"

namespace mls::classes {

class ConcludeInfo final : public frame::PublicObject {
 public:
  static constexpr const char* kProgId = "Marlstone.ConcludeInfo";
  static constexpr com::Guid kClsid{
      0xE6161E62, 0x956A, 0x11D7, {0x9E, 0x78, 0x00, 0xE0, 0x18, 0x69, 0xF6, 0xB0}};
  static constexpr com::Guid kIid{
      0x7A710424, 0x68FC, 0x4BDA, {0x98, 0xD7, 0xD9, 0x4A, 0x57, 0x13, 0x05, 0x02}};

  ConcludeInfo() : PublicObject(type()) {}
  static const com::TypeInfo& type();
};

}  // namespace mls::classes

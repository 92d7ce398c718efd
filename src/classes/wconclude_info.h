// WConcludeInfo ("Marlstone.WConcludeInfo"): repairable-waste distribution inquiry and standard data.
// Its dispatch interface is _WConcludeInfo.
#pragma once

#include "frame/public_object.h"

namespace mls::classes {

class WConcludeInfo final : public frame::PublicObject {
 public:
  static constexpr const char* kProgId = "Marlstone.WConcludeInfo";
  static constexpr com::Guid kClsid{
      0xE6161E6A, 0x956A, 0x11D7, {0x9E, 0x78, 0x00, 0xE0, 0x18, 0x69, 0xF6, 0xB0}};
  static constexpr com::Guid kIid{
      0x4C063FAA, 0x6791, 0x4E85, {0xAB, 0x2E, 0x37, 0x70, 0xBC, 0x85, 0xFC, 0x39}};

  WConcludeInfo() : PublicObject(type()) {}
  static const com::TypeInfo& type();
};

}  // namespace mls::classes

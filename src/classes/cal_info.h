// CalInfo ("Marlstone.CalInfo"): calculation data for the client: actual-cost inputs, standard data,
// standard-cost and scheme inputs, revert data, period services and a product check.
// Its dispatch interface is _CalInfo.
#pragma once

#include "frame/public_object.h"

namespace mls::classes {

class CalInfo final : public frame::PublicObject {
 public:
  static constexpr const char* kProgId = "Marlstone.CalInfo";
  static constexpr com::Guid kClsid{
      0xE6161E5E, 0x956A, 0x11D7, {0x9E, 0x78, 0x00, 0xE0, 0x18, 0x69, 0xF6, 0xB0}};
  static constexpr com::Guid kIid{
      0xA49754EC, 0xD00C, 0x4998, {0x8F, 0xC2, 0x8A, 0x0D, 0x49, 0x7B, 0x01, 0x52}};

  CalInfo() : PublicObject(type()) {}
  static const com::TypeInfo& type();
};

}  // namespace mls::classes

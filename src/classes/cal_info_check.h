// CalInfoCheck ("Marlstone.CalInfoCheck"): the checks run before a cost calculation.
// Its dispatch interface is _CalInfoCheck.
#pragma once

#include "frame/public_object.h"

namespace mls::classes {

class CalInfoCheck final : public frame::PublicObject {
 public:
  static constexpr const char* kProgId = "Marlstone.CalInfoCheck";
  static constexpr com::Guid kClsid{
      0xE6161E60, 0x956A, 0x11D7, {0x9E, 0x78, 0x00, 0xE0, 0x18, 0x69, 0xF6, 0xB0}};
  static constexpr com::Guid kIid{
      0xEB902E73, 0x3001, 0x42C5, {0xB0, 0x0C, 0x94, 0x0E, 0x2F, 0x6E, 0x18, 0x34}};

  CalInfoCheck() : PublicObject(type()) {}
  static const com::TypeInfo& type();
};

}  // namespace mls::classes

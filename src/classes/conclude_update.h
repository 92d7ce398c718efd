// ConcludeUpdate ("Marlstone.ConcludeUpdate"): the writes: snapshot, quantities and product cost,
// distribution results and re-pricing, standard costing and schemes, revert, standard settings, client-built
// SQL batches and period dates. Its dispatch interface is _ConcludeUpdate.
#pragma once

#include "frame/public_object.h"

namespace mls::classes {

class ConcludeUpdate final : public frame::PublicObject {
 public:
  static constexpr const char* kProgId = "Marlstone.ConcludeUpdate";
  static constexpr com::Guid kClsid{
      0xE6161E64, 0x956A, 0x11D7, {0x9E, 0x78, 0x00, 0xE0, 0x18, 0x69, 0xF6, 0xB0}};
  static constexpr com::Guid kIid{
      0xB51C990A, 0x7014, 0x4551, {0xBE, 0x36, 0x13, 0x31, 0xFE, 0xE5, 0x6A, 0xA2}};

  ConcludeUpdate() : PublicObject(type()) {}
  static const com::TypeInfo& type();
};

}  // namespace mls::classes

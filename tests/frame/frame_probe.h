// A public class made for the tests ("Marlstone.FrameProbe"), whose members run
// the call frame with each combination of facts the real classes use.
#pragma once

#include "frame/public_object.h"
#include "platform/ado/connection.h"

namespace mls::testing {

class FrameProbe final : public frame::PublicObject {
 public:
  static constexpr const char* kProgId = "Marlstone.FrameProbe";
  static constexpr com::Guid kClsid{
      0x0F0F0F01, 0x1111, 0x4222, {0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x01}};
  static constexpr com::Guid kIid{
      0x0F0F0F02, 0x1111, 0x4222, {0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x02}};
  static const com::TypeInfo& type();

  FrameProbe() : PublicObject(type()) {}

  // The connection the last framed call took (nullptr when it took none).
  static com::Ref<ado::Connection>& lastConnection();
};

void registerFrameProbe();

}  // namespace mls::testing

// The base of the public classes, and framed(): a member whose handler runs the
// call frame (call_frame.h) around a body that reads its arguments by position.
// Members are declared with member() (member.h), which derives the parameter
// and result types from the body's own signature; framed() stays for bodies
// that need the raw arguments:
//
//   framed<CalInfo>(t, "GetPeriodsData", {Param("sCnn", VarKind::String), ...}, VarKind::Boolean,
//                   presets::kInquiry, [](Call& call, com::Args a) { ... });
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "frame/call_frame.h"
#include "frame/class_data_env.h"
#include "platform/com/dispatch.h"

namespace mls::frame {

class PublicObject : public com::DispatchObject {
 public:
  explicit PublicObject(const com::TypeInfo& type) : DispatchObject(type) {}
  ClassDataEnv& dataEnv() { return env_; }

 private:
  ClassDataEnv env_;
};

using MethodBody = std::function<com::Variant(Call&, com::Args)>;

// Adds method `name` to `type`; its full name in error sources is the class
// name, ".", and `name`.  The properties string is the first argument.
template <class T = PublicObject>
com::TypeInfo& framed(com::TypeInfo& type, std::string name, std::vector<com::Param> params,
                      com::DeclType result, FrameFacts facts, MethodBody body) {
  std::string fullName = type.className() + "." + name;
  return type.method<T>(
      std::move(name), std::move(params), result,
      [fullName = std::move(fullName), facts, body = std::move(body)](T& self, com::Args a) {
        std::string props = a.empty() ? std::string() : a[0].toString();
        return runFrame(self, fullName, facts, props, [&](Call& call) { return body(call, a); });
      });
}

}  // namespace mls::frame

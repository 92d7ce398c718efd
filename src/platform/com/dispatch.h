// DispatchObject, the base of every object that answers late-bound calls by
// member name, and the caller's helpers that make such calls.
//
// A call goes: invoke(name, kind, args) -> member found in the class's TypeInfo
// (438 when none) -> argument count checked (450) -> each argument coerced to
// its parameter's declared type (13, 6 or 94 on failure), omitted optional ones
// filled with their default or Missing, Missing for a required one raising 449
// -> handler -> by-reference arguments written back to the caller's variables
// (also when the handler raised) -> result coerced to the declared result type.
// Errors leave the interface as kDispException with an ExcepInfo.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/com/error.h"
#include "platform/com/typelib.h"
#include "platform/com/unknown.h"
#include "platform/com/variant.h"

namespace mls::com {

class DispatchObject : public Dispatch, public TypeInfoProvider {
 public:
  explicit DispatchObject(const TypeInfo& type);
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  // Answers Unknown, Dispatch, the class's own interface IID and TypeInfoProvider.
  HResult queryInterface(const Guid& iid, void** out) override;
  uint32_t addRef() override;
  uint32_t release() override;
  HResult invoke(std::string_view name, InvokeKind kind, std::span<Variant> args, Variant* result,
                 ExcepInfo* excep) override;
  const TypeInfo& typeInfo() const override { return type_; }

  // Objects alive in this module (a library may be unloaded when none are).
  static uint32_t liveObjects();

 protected:
  ~DispatchObject() override;

 private:
  Variant call(const TypeInfo::Member& m, std::span<Variant> args);

  const TypeInfo& type_;
  std::atomic<uint32_t> refs_{0};
};

// Creates a new object and answers the first reference to it.
template <class T, class... A>
Ref<T> makeObject(A&&... args) {
  return Ref<T>(new T(std::forward<A>(args)...));
}

// Calls `name` on `obj` with the given kind; a failure raises the callee's error
// as ComError (number, source, description and help unchanged).
Variant invokeByName(Dispatch& obj, std::string_view name, InvokeKind kind, std::span<Variant> args);

// Calls a method or property get by name: callByName(obj, "Item", "Language").
// A by-reference argument is passed as Variant::byRef(&variable).
template <class... A>
Variant callByName(Dispatch& obj, std::string_view name, A&&... args) {
  std::vector<Variant> v{Variant(std::forward<A>(args))...};
  return invokeByName(obj, name, kMethodOrGet, v);
}
// Property get only.
template <class... A>
Variant getProperty(Dispatch& obj, std::string_view name, A&&... args) {
  std::vector<Variant> v{Variant(std::forward<A>(args))...};
  return invokeByName(obj, name, InvokeKind::PropertyGet, v);
}
// Property let (obj.Item(key) = value); the assigned value comes last.
template <class... A>
void letProperty(Dispatch& obj, std::string_view name, A&&... args) {
  std::vector<Variant> v{Variant(std::forward<A>(args))...};
  invokeByName(obj, name, InvokeKind::PropertyPut, v);
}
// Property set (Set obj.Item(key) = object); the assigned object comes last.
template <class... A>
void setProperty(Dispatch& obj, std::string_view name, A&&... args) {
  std::vector<Variant> v{Variant(std::forward<A>(args))...};
  invokeByName(obj, name, InvokeKind::PropertyPutRef, v);
}

// The object's member description, when it provides one.
const TypeInfo* typeInfoOf(Dispatch& obj);

}  // namespace mls::com

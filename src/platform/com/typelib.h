// The embedded type library: what a class tells its callers about its members.
// Each member has a name, a kind (method or property get/let/set), positional
// parameters with declared types and passing modes, and a result type.  The
// dispatcher (dispatch.h) coerces arguments to these declarations before the
// member's handler runs.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/com/unknown.h"
#include "platform/com/variant.h"

namespace mls::com {

class DispatchObject;

// Declared type of a parameter or result: one Variant kind, or any Variant.
using DeclType = std::optional<VarKind>;
inline constexpr DeclType kAny = std::nullopt;
// Result type of a member that answers no value (a Sub).
inline constexpr DeclType kNoResult = VarKind::Empty;

enum class MemberKind : uint8_t { Method, PropertyGet, PropertyLet, PropertySet };

// The InvokeKind flag a member kind answers to.
InvokeKind invokeKindOf(MemberKind k);
// A combination of invoke kinds (a caller may ask for "method or property get").
constexpr InvokeKind operator|(InvokeKind a, InvokeKind b) {
  return static_cast<InvokeKind>(static_cast<uint8_t>(a) | static_cast<uint8_t>(b));
}
constexpr bool hasKind(InvokeKind set, InvokeKind k) {
  return (static_cast<uint8_t>(set) & static_cast<uint8_t>(k)) != 0;
}
inline constexpr InvokeKind kMethodOrGet = InvokeKind::Method | InvokeKind::PropertyGet;

// One positional parameter: Param("lngID", VarKind::Long), Param("vResult").ref(),
// Param("bAll", VarKind::Boolean).opt(false), Param("vFilter").opt().
struct Param {
  std::string name;
  DeclType type = kAny;
  bool byRef = false;
  bool optional = false;
  // For an optional parameter: the value an omitted argument takes; none = Missing.
  std::optional<Variant> defaultValue;

  explicit Param(std::string n, DeclType t = kAny) : name(std::move(n)), type(t) {}
  // Passed by reference: the callee's writes reach the caller's variable.
  Param ref() && {
    byRef = true;
    return std::move(*this);
  }
  // Optional without default: an omitted argument arrives as Missing.
  Param opt() && {
    optional = true;
    return std::move(*this);
  }
  // Optional with a default value.
  Param opt(Variant def) && {
    optional = true;
    defaultValue = std::move(def);
    return std::move(*this);
  }
};

struct MemberInfo {
  std::string name;
  MemberKind kind = MemberKind::Method;
  std::vector<Param> params;  // for property let/set, the assigned value is the last one
  DeclType result = kNoResult;
};

// Arguments as the handler sees them: one per declared parameter, coerced to its
// type.  A by-reference parameter is a ByRef Variant; the handler writes it with
// assign() and should write a value of the declared type.
using Args = std::span<Variant>;

// The members of one class interface.
class TypeInfo {
 public:
  using Handler = std::function<Variant(DispatchObject& self, Args args)>;
  struct Member {
    MemberInfo info;
    Handler handler;
  };

  // `className` names the class in errors the dispatcher raises ("Marlstone.CalInfo").
  TypeInfo(std::string className, Guid iid) : className_(std::move(className)), iid_(iid) {}

  const std::string& className() const { return className_; }
  const Guid& iid() const { return iid_; }
  const std::vector<Member>& members() const { return members_; }

  // The member called `name` (ignoring case) that answers one of the kinds in
  // `kind`; a method is preferred over a property get.  nullptr when none.
  const Member* find(std::string_view name, InvokeKind kind) const;

  // Adds a member whose handler takes the object as T& (T derives from
  // DispatchObject) and answers a Variant, a value convertible to one, or void.
  template <class T, class F>
  TypeInfo& add(MemberInfo info, F fn) {
    members_.push_back({std::move(info), [fn = std::move(fn)](DispatchObject& self, Args args) -> Variant {
                          T& obj = static_cast<T&>(self);
                          if constexpr (std::is_void_v<std::invoke_result_t<F&, T&, Args>>) {
                            fn(obj, args);
                            return {};
                          } else {
                            return Variant(fn(obj, args));
                          }
                        }});
    return *this;
  }
  template <class T, class F>
  TypeInfo& method(std::string name, std::vector<Param> params, DeclType result, F fn) {
    return add<T>({std::move(name), MemberKind::Method, std::move(params), result}, std::move(fn));
  }
  template <class T, class F>
  TypeInfo& propertyGet(std::string name, std::vector<Param> params, DeclType result, F fn) {
    return add<T>({std::move(name), MemberKind::PropertyGet, std::move(params), result}, std::move(fn));
  }
  template <class T, class F>
  TypeInfo& propertyLet(std::string name, std::vector<Param> params, F fn) {
    return add<T>({std::move(name), MemberKind::PropertyLet, std::move(params), kNoResult}, std::move(fn));
  }
  template <class T, class F>
  TypeInfo& propertySet(std::string name, std::vector<Param> params, F fn) {
    return add<T>({std::move(name), MemberKind::PropertySet, std::move(params), kNoResult}, std::move(fn));
  }

 private:
  std::string className_;
  Guid iid_;
  std::vector<Member> members_;
};

// Answered by objects that describe their members (queryInterface with
// kIidTypeInfoProvider), so that a host can show parameter names and
// out-parameters.
extern const Guid kIidTypeInfoProvider;
class TypeInfoProvider : public Unknown {
 public:
  virtual const TypeInfo& typeInfo() const = 0;
};

}  // namespace mls::com

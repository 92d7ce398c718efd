// Public members declared in one line each: the member's name, its frame facts
// (presets.h), its parameter names, and the subsystem function that does its
// work.  The parameter and result types come from the function's signature:
//
//   member(t, "IsRequestAssist", presets::kInquiry, {"sDsn", "iYear", "iPeriod", "lLevel"},
//          calculation::isRequestAssist);   // bool isRequestAssist(Call&, int32_t, int32_t, int32_t)
//
// The function takes the call first (Call&: its object, full name, properties,
// connection), then one C++ parameter per member parameter after the
// properties string, which is always the first and a String.  C++ types map to
// declared types as follows, for parameters and results alike:
//
//   int32_t -> Long         int16_t -> Integer      bool -> Boolean
//   double -> Double        Date -> Date            std::string -> String
//   com::Variant (by value or const&) -> any Variant
//   com::Ref<X>, X any dispatch object (recordset, dictionary, list) -> Object
//   PeriodDates (the client's period-date dictionary, Missing or Nothing kept) -> Object
//   ByRef<T> -> T, passed by reference (the function writes the caller's variable)
//   void result -> no result (a Sub)
//
// An Optional parameter's name is written opt("name") (an omitted argument
// arrives as Missing) or opt("name", default).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "frame/call_frame.h"
#include "frame/public_object.h"
#include "platform/com/error.h"
#include "platform/com/typelib.h"
#include "platform/com/variant.h"

namespace mls::frame {

// A date (days since 1899-12-30, the fraction the time of day).
struct Date {
  double serial = 0;
};

// The client's optional period-date dictionary (dctCurPeriodDate): declared
// an Object; an omitted argument (Missing) or Nothing arrives as it is.
struct PeriodDates {
  PeriodDates(com::Variant v = {}) : value(std::move(v)) {}  // NOLINT: a Variant is its value
  com::Variant value;
};

namespace detail {

// The declared type of a C++ parameter or result type, and how an argument
// the dispatcher already coerced to that type reaches the function.
template <class T>
struct Kind;

template <>
struct Kind<int32_t> {
  static constexpr com::DeclType type = com::VarKind::Long;
  static int32_t from(com::Variant& v) { return v.toLong(); }
};
template <>
struct Kind<int16_t> {
  static constexpr com::DeclType type = com::VarKind::Integer;
  static int16_t from(com::Variant& v) { return v.toInteger(); }
};
template <>
struct Kind<bool> {
  static constexpr com::DeclType type = com::VarKind::Boolean;
  static bool from(com::Variant& v) { return v.toBool(); }
};
template <>
struct Kind<double> {
  static constexpr com::DeclType type = com::VarKind::Double;
  static double from(com::Variant& v) { return v.toDouble(); }
};
template <>
struct Kind<Date> {
  static constexpr com::DeclType type = com::VarKind::Date;
  static Date from(com::Variant& v) { return Date{v.toDate()}; }
};
template <>
struct Kind<std::string> {
  static constexpr com::DeclType type = com::VarKind::String;
  static std::string from(com::Variant& v) { return v.toString(); }
};
template <>
struct Kind<com::Variant> {
  static constexpr com::DeclType type = com::kAny;
  static const com::Variant& from(com::Variant& v) { return v; }
};
template <>
struct Kind<PeriodDates> {
  static constexpr com::DeclType type = com::VarKind::Object;
  static PeriodDates from(com::Variant& v) { return PeriodDates{v}; }
};
template <class X>
requires std::is_base_of_v<com::Dispatch, X>
struct Kind<com::Ref<X>> {
  static constexpr com::DeclType type = com::VarKind::Object;
  // Nothing, and an omitted Optional argument (Missing), arrive as a null
  // reference; an object of another class raises 13.
  static com::Ref<X> from(com::Variant& v) {
    if (v.isMissing()) return nullptr;
    com::Ref<com::Dispatch> object = v.toObject();
    if (!object) return nullptr;
    auto* typed = dynamic_cast<X*>(object.get());
    if (!typed) com::raise(com::err::kTypeMismatch);
    return com::Ref<X>(typed);
  }
};

template <class T>
com::Variant toVariant(T&& value) {
  if constexpr (std::is_same_v<std::remove_cvref_t<T>, Date>) {
    return com::Variant::date(value.serial);
  } else {
    return com::Variant(std::forward<T>(value));
  }
}

}  // namespace detail

// A parameter passed by reference: reads the caller's value and writes the
// caller's variable, as the parameter's declared type.
template <class T>
class ByRef {
 public:
  explicit ByRef(com::Variant& arg) : arg_(&arg) {}

  const com::Variant& value() const { return arg_->deref(); }

  template <class U>
  ByRef& operator=(U&& value) {
    com::Variant v = detail::toVariant(std::forward<U>(value));
    constexpr com::DeclType type = detail::Kind<T>::type;
    if (type && v.kind() != *type && !v.isEmpty() && !v.isNull()) v = v.convertTo(*type);
    arg_->assign(v);
    return *this;
  }

 private:
  com::Variant* arg_;
};

namespace detail {

template <class T>
struct Kind<ByRef<T>> {
  static constexpr com::DeclType type = Kind<T>::type;
  static ByRef<T> from(com::Variant& v) { return ByRef<T>(v); }
};

template <class T>
inline constexpr bool kByRef = false;
template <class T>
inline constexpr bool kByRef<ByRef<T>> = true;

}  // namespace detail

// A parameter's name, and whether it is Optional and with which default.
struct ParamName {
  ParamName(const char* n) : name(n) {}
  ParamName(std::string n) : name(std::move(n)) {}

  std::string name;
  bool optional = false;
  std::optional<com::Variant> defaultValue;
};

// Optional: an omitted argument arrives as Missing.
inline ParamName opt(std::string name) {
  ParamName p(std::move(name));
  p.optional = true;
  return p;
}
// Optional: an omitted argument takes `def` (converted to the parameter's type).
inline ParamName opt(std::string name, com::Variant def) {
  ParamName p = opt(std::move(name));
  p.defaultValue = std::move(def);
  return p;
}

namespace detail {

// The parameter list of a member whose function takes A... after the call.
// The count of names must be one more than the count of A (the properties
// string first); anything else is a mistake in the member's declaration.
template <class... A>
std::vector<com::Param> declare(const std::string& fullName, const std::vector<ParamName>& names) {
  if (names.size() != sizeof...(A) + 1) {
    throw std::logic_error(fullName + ": " + std::to_string(names.size()) + " parameter names for " +
                           std::to_string(sizeof...(A) + 1) + " parameters");
  }
  if (names[0].optional) throw std::logic_error(fullName + ": the properties string cannot be optional");
  std::vector<com::Param> params{com::Param(names[0].name, com::VarKind::String)};
  const com::DeclType types[] = {Kind<std::remove_cvref_t<A>>::type..., com::kAny};
  const bool byRef[] = {kByRef<std::remove_cvref_t<A>>..., false};
  for (size_t i = 0; i < sizeof...(A); ++i) {
    const ParamName& n = names[i + 1];
    com::Param p(n.name, types[i]);
    p.byRef = byRef[i];
    p.optional = n.optional;
    if (n.defaultValue) p.defaultValue = types[i] ? n.defaultValue->convertTo(*types[i]) : *n.defaultValue;
    params.push_back(std::move(p));
  }
  return params;
}

template <class R>
constexpr com::DeclType resultType() {
  if constexpr (std::is_void_v<R>) {
    return com::kNoResult;
  } else {
    return Kind<std::remove_cvref_t<R>>::type;
  }
}

template <class R, class... A, size_t... I>
com::Variant invoke(R (*body)(Call&, A...), Call& call, com::Args a, std::index_sequence<I...>) {
  if constexpr (std::is_void_v<R>) {
    body(call, Kind<std::remove_cvref_t<A>>::from(a[I + 1])...);
    return {};
  } else {
    return toVariant(body(call, Kind<std::remove_cvref_t<A>>::from(a[I + 1])...));
  }
}

}  // namespace detail

// Adds method `name` to `type`: the call frame of `facts` around `body`.
template <class R, class... A>
com::TypeInfo& member(com::TypeInfo& type, std::string name, const FrameFacts& facts,
                      const std::vector<ParamName>& names, R (*body)(Call&, A...)) {
  std::vector<com::Param> params = detail::declare<A...>(type.className() + "." + name, names);
  return framed(type, std::move(name), std::move(params), detail::resultType<R>(), facts,
                [body](Call& call, com::Args a) {
                  return detail::invoke(body, call, a, std::index_sequence_for<A...>{});
                });
}

// How a subsystem adds its members of one class to the class's table.
using Registration = void (*)(com::TypeInfo& type);

// The member table of a class: the members of each subsystem, in turn.
inline com::TypeInfo memberTable(std::string className, com::Guid iid,
                                 std::initializer_list<Registration> subsystems) {
  com::TypeInfo type(std::move(className), iid);
  for (Registration add : subsystems)
    add(type);
  return type;
}

}  // namespace mls::frame

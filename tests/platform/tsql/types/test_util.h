// Helpers of the type layer's tests: typed values from literal text, and the
// number of the SqlError an expression raises.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/tsql/engine.h"
#include "platform/tsql/sql_errors.h"
#include "platform/tsql/types/convert.h"
#include "platform/tsql/types/value.h"

namespace mls::tsql::testing {

struct Typed {
  Value value;
  SqlType type;
};

// A numeric literal as the parser types it: "12.345" is decimal(5,3).
inline Typed num(std::string_view text) {
  auto [v, t] = numericLiteral(text);
  return {v, t};
}
inline Typed text(std::string_view s) {
  return {Value::string(s), stringLiteralType(s, false)};
}
inline Typed ntext(std::string_view s) {
  return {Value::string(s), stringLiteralType(s, true)};
}
inline Typed integer(int64_t v) {
  return {Value::integer(v), SqlType(TypeId::Int)};
}
inline Typed null() {
  return {Value(), SqlType(TypeId::Null)};
}
// A value of a declared type: CAST(literal AS type).
inline Typed as(const Typed& v, const SqlType& t) {
  return {castValue(v.value, v.type, t), t};
}
inline Typed dec(std::string_view literal, int p, int s) {
  return as(num(literal), SqlType::decimal(p, s));
}

// The text a value shows: decimals with their scale, strings without quotes.
inline std::string show(const Value& v) {
  return v.kind() == Value::Kind::String ? std::string(v.asString()) : v.debugString();
}

}  // namespace mls::tsql::testing

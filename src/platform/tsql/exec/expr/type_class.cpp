#include "platform/tsql/exec/expr/type_class.h"

namespace mls::tsql {

namespace {

// The Value kind a non-NULL value of type `t` has.
Value::Kind representationOf(const SqlType& t) {
  if (t.isInteger()) return Value::Kind::Int;
  if (t.id == TypeId::Decimal || t.id == TypeId::Money) return Value::Kind::Decimal;
  if (t.isApproximate()) return Value::Kind::Float;
  if (t.isString()) return Value::Kind::String;
  if (t.isDateTime()) return Value::Kind::DateTime;
  return Value::Kind::Null;
}

}  // namespace

bool differentRepresentation(const SqlType& a, const SqlType& b) {
  if (a.isNull() || b.isNull()) return false;
  return representationOf(a) != representationOf(b);
}

bool needsConversion(const SqlType& from, const SqlType& to, ConvertKind kind) {
  if (from.isNull() || to.isNull() || from == to) return false;
  if (differentRepresentation(from, to)) return true;
  if (kind != ConvertKind::Implicit) return true;
  switch (representationOf(from)) {
    case Value::Kind::Int:
      return to.precision < from.precision;
    case Value::Kind::Decimal:
      // money's range is narrower than a decimal(19,4)'s
      return to.scale != from.scale || to.precision < from.precision ||
             (to.id == TypeId::Money && from.id != TypeId::Money);
    case Value::Kind::Float:
      return to.id == TypeId::Real && from.id == TypeId::Float;
    case Value::Kind::String:
      if (to.isFixedLengthString() && !from.isFixedLengthString()) return true;
      if (to.length == SqlType::kMax) return false;
      return from.length == SqlType::kMax || from.length > to.length;
    case Value::Kind::DateTime:
      return to.id != TypeId::DateTime;
    case Value::Kind::Null:
      return false;
  }
  return false;
}

}  // namespace mls::tsql

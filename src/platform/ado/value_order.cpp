#include "platform/ado/value_order.h"

namespace mls::ado {

namespace {

template <class T>
int order(const T& a, const T& b) {
  return a < b ? -1 : b < a ? 1 : 0;
}

}  // namespace

int compareFieldValues(const com::Variant& a, const com::Variant& b) {
  using com::VarKind;
  if (a.isNull() || b.isNull()) return order(!a.isNull(), !b.isNull());
  switch (a.kind()) {
    case VarKind::String:
      return com::compareText(a.asString(), b.toString(), true);
    case VarKind::Date:
      return order(a.toDate(), b.toDate());
    case VarKind::Boolean:
      return order(a.toBool() ? 1 : 0, b.toBool() ? 1 : 0);
    case VarKind::Double:
      return order(a.toDouble(), b.toDouble());
    default:
      if (b.kind() == VarKind::Double) return order(a.toDouble(), b.toDouble());
      return order(a.toDecimal(), b.toDecimal());
  }
}

}  // namespace mls::ado

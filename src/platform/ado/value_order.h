// The order of field values that Sort and Filter use: numbers by value (exact
// for the exact kinds), text without case, dates by time, False before True.
#pragma once

#include "platform/com/variant.h"

namespace mls::ado {

// <0, 0 or >0.  Null sorts before every other value and equals Null.  Values of
// different kinds compare after converting the second to the first's kind
// (ComError 13 when it cannot be converted).
int compareFieldValues(const com::Variant& a, const com::Variant& b);

}  // namespace mls::ado

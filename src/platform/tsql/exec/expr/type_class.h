// How the engine represents values of each type, and when a conversion between
// two static types changes a value at run time.
#pragma once

#include "platform/tsql/exec/expr/bound_expr.h"
#include "platform/tsql/types/sql_type.h"

namespace mls::tsql {

// Whether values of `a` and `b` have different kinds (so comparing them needs a
// conversion first).  NULL matches everything.
bool differentRepresentation(const SqlType& a, const SqlType& b);

// Whether a value of `from` changes when converted to `to` in the given way:
// implicit widening within a kind keeps the value; casts and stores check
// length, precision and scale.
bool needsConversion(const SqlType& from, const SqlType& to, ConvertKind kind);

}  // namespace mls::tsql

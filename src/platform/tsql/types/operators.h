// The operators of expressions: data type precedence and result types, the
// arithmetic of + - * / %, string concatenation, date arithmetic, comparison,
// and three-valued logic.  Every function raises the server's error.
#pragma once

#include <optional>

#include "platform/tsql/types/value.h"

namespace mls::tsql {

enum class ArithOp { Add, Subtract, Multiply, Divide, Modulo };

// Rank in the server's data type precedence (higher wins): datetime >
// smalldatetime > date > float > real > decimal > money > bigint > int >
// smallint > tinyint > bit > nvarchar > nchar > varchar > char > NULL.
int typePrecedence(TypeId id);

// Result type of `a op b`: concatenation for two strings (varchar(n1+n2), up to
// 8000 / nvarchar 4000, else max), the decimal rules, float/real, money, the
// wider integer, datetime +/- number.  Raises 402 or 8117 for operands the
// operator does not take.
SqlType arithmeticResultType(ArithOp op, const SqlType& a, const SqlType& b);

// Evaluates `a op b` whose result type came from arithmeticResultType: converts
// the operands (245 / 8114 for text), and raises 8134 on division by zero and
// 8115 on overflow of the result type.  NULL in, NULL out.
Value arithmetic(ArithOp op, const Value& a, const SqlType& ta, const Value& b, const SqlType& tb,
                 const SqlType& result);

// Unary minus (8115 for the minimum integer of the type).
Value negate(const Value& v, const SqlType& t);

// The type both sides of a comparison convert to: the higher precedence, a
// decimal with another exact number the decimal wide enough for both (as
// combineTypes: decimal(5,1) and int compare as decimal(11,1)); two strings
// compare as text, unicode if either is.
SqlType comparisonType(const SqlType& a, const SqlType& b);

// Compares a and b after converting both to comparisonType(ta, tb): strings
// under the default collation.  Empty when either is NULL (UNKNOWN).
std::optional<int> compareSql(const Value& a, const SqlType& ta, const Value& b, const SqlType& tb);

// Compares two non-NULL values of the same comparison type (already
// converted): the ordering of ORDER BY, GROUP BY, DISTINCT, MIN/MAX and keys.
int compareValues(const Value& a, const Value& b);

// The result type of CASE, COALESCE, UNION: the higher precedence type; two
// decimals by the UNION rule (max scale, max integral digits, 38 cap), two
// strings the longer (unicode if either is).  Raises 206 for types that do not
// combine (a date with a number stays datetime; text with number is numeric).
SqlType combineTypes(const SqlType& a, const SqlType& b);

// Result types of SUM and AVG: integers give int (bigint stays bigint),
// decimal(p,s) gives decimal(38,s) for SUM and decimal(38,max(s,6)) for AVG,
// money stays money, float and real give float.  Raises 8117 for other types.
SqlType sumType(const SqlType& t);
SqlType avgType(const SqlType& t);

// Three-valued logic: a Bool3 is a comparison's result (empty = UNKNOWN).
using Bool3 = std::optional<bool>;
Bool3 and3(Bool3 a, Bool3 b);
Bool3 or3(Bool3 a, Bool3 b);
Bool3 not3(Bool3 a);

}  // namespace mls::tsql

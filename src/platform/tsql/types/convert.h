// Conversions between the engine's types with the server's rules and errors:
// CAST, CONVERT with a style, the implicit conversions of expressions, and the
// assignment of a value to a column or variable.
#pragma once

#include <string_view>
#include <utility>

#include "platform/tsql/types/value.h"

namespace mls::tsql {

// CAST(v AS to): numeric to integer truncates, to a smaller decimal scale
// rounds half away from zero, float to integer truncates, text to number
// allows surrounding spaces, text to a date type reads the forms of
// parseDateTimeText in the thread's currentDateOrder() (mdy by default),
// date/time to text uses style 0, integer to too short text gives "*", decimal
// to too short text raises 8115, any text result longer than `to` is silently
// cut.  Text to money may start with a currency symbol ('$12.5', '£3') and
// group the digits before the point with commas ('1,234.56', '1,2,3'; a comma
// stands between two digits).  Raises 245, 8114, 8115, 241, 242, 529 as the server does.  NULL stays NULL.
Value castValue(const Value& v, const SqlType& from, const SqlType& to);

// CONVERT(to, v, style): as castValue, with `style` for date/time to and
// from text (isDateStyle: 0 to 14, 20 to 25, 100 to 114, 120, 121, 126, 127)
// and money and float to text (0, 1, 2).  Other styles raise 281.
Value convertValue(const Value& v, const SqlType& from, const SqlType& to, int style);

// The conversion of an implicit use (operands, comparisons, arguments): raises
// 257 when the server allows the conversion only explicitly, else castValue.
Value implicitConvert(const Value& v, const SqlType& from, const SqlType& to);

// Storing into a column, variable or parameter of type `to` (INSERT, UPDATE,
// SET, DEFAULT): as implicitConvert, except that a string longer than `to`
// raises 8152 (trailing spaces beyond the length are dropped silently; all of
// the excess while a TruncationScope of SET ANSI_WARNINGS OFF is open on this
// thread), and char/nchar values are padded to their length.
Value assignToColumn(const Value& v, const SqlType& from, const SqlType& to);

// Text too long for its column is cut to fit, as under SET ANSI_WARNINGS OFF,
// on this thread while the scope is open (`silently` false: refused, 8152).
class TruncationScope {
 public:
  explicit TruncationScope(bool silently);
  ~TruncationScope();
  TruncationScope(const TruncationScope&) = delete;
  TruncationScope& operator=(const TruncationScope&) = delete;

 private:
  bool saved_;
};

// Whether `d` lies in the range of exact type `t`: p digits for decimal(p,s),
// -922,337,203,685,477.5808 to 922,337,203,685,477.5807 for money (its 8
// bytes of ten-thousandths; money is no decimal(19,4), which reaches 10^15).
bool fitsExactType(const Decimal128& d, const SqlType& t);

// A numeric literal as the parser reads it: digits only are int (decimal(p,0)
// beyond int; there is no bigint literal), digits with a point are the
// smallest decimal(p,s) that holds them (12.345 is decimal(5,3)), an exponent
// makes float.  Raises 1007 ("out of the range for numeric representation")
// past 38 digits.
std::pair<Value, SqlType> numericLiteral(std::string_view text);

// The type of a string literal: varchar(n) / nvarchar(n) of its characters
// (at least 1).
SqlType stringLiteralType(std::string_view text, bool unicode);

}  // namespace mls::tsql

#include "platform/tsql/types/convert.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "platform/tsql/errors.h"
#include "platform/tsql/types/datetime_text.h"
#include "platform/tsql/types/text.h"

namespace mls::tsql {

namespace {

// Text of a float as CAST(float AS varchar) gives it: up to 6 significant
// digits, scientific notation outside 1e-4..1e6 ("1.23457e+006"); style 1/2
// give 8/16 digits in scientific form; style 3 gives 17 significant digits.
std::string floatToText(double v, int style);

std::string str(std::string_view s) {
  return std::string(s);
}

[[noreturn]] void overflow(std::string_view fromName, const SqlType& to) {
  throwSqlError(8115, {str(fromName), str(to.baseName())});
}

[[noreturn]] void explicitNotAllowed(const SqlType& from, const SqlType& to) {
  throwSqlError(529, {str(from.baseName()), str(to.baseName())});
}

// Text with surrounding spaces (and tabs/newlines) removed, as numbers read it.
std::string_view trimNumberText(std::string_view s) {
  auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  size_t b = 0, e = s.size();
  while (b < e && space(s[b]))
    ++b;
  while (e > b && space(s[e - 1]))
    --e;
  return s.substr(b, e - b);
}

// Text as money: a currency symbol may lead, and commas may stand between
// two digits before the point; blank text is 0; empty when it is no such
// number.
std::optional<Decimal128> parseMoneyText(std::string_view text) {
  text = trimNumberText(text);
  if (text.empty()) return Decimal128();
  if (size_t symbol = currencySymbolLength(text); symbol > 0) text = trimNumberText(text.substr(symbol));
  auto digit = [&](size_t i) { return i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); };
  std::string plain;
  bool point = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ',') {
      if (point || i == 0 || !digit(i - 1) || !digit(i + 1)) return std::nullopt;
      continue;
    }
    point = point || text[i] == '.';
    plain += text[i];
  }
  return Decimal128::parse(plain);
}

int64_t integerLimit(TypeId id, bool upper) {
  switch (id) {
    case TypeId::Bit:
      return upper ? 1 : 0;
    case TypeId::TinyInt:
      return upper ? 255 : 0;
    case TypeId::SmallInt:
      return upper ? 32767 : -32768;
    case TypeId::Int:
      return upper ? INT32_MAX : INT32_MIN;
    default:
      return upper ? INT64_MAX : INT64_MIN;
  }
}

bool inIntegerRange(__int128 v, TypeId id) {
  return v >= integerLimit(id, false) && v <= integerLimit(id, true);
}

// An integer to an integer type: bit takes any non-zero as 1.
Value narrowInteger(__int128 v, TypeId to, const std::function<void()>& onOverflow) {
  if (to == TypeId::Bit) return Value::integer(v != 0 ? 1 : 0);
  if (!inIntegerRange(v, to)) onOverflow();
  return Value::integer(static_cast<int64_t>(v));
}

Value toInteger(const Value& v, const SqlType& from, const SqlType& to) {
  switch (v.kind()) {
    case Value::Kind::Int:
      return narrowInteger(v.asInt(), to.id, [&] {
        if (to.id == TypeId::TinyInt || to.id == TypeId::SmallInt) {
          throwSqlError(220, {str(to.baseName()), std::to_string(v.asInt())});
        }
        overflow("expression", to);
      });
    case Value::Kind::Decimal: {
      // Money rounds to the integer; decimal truncates toward zero.
      auto whole = v.asDecimal().rescale(0, from.id != TypeId::Money);
      auto fail = [&] { overflow(from.id == TypeId::Money ? "expression" : "numeric", to); };
      if (!whole) fail();
      return narrowInteger(whole->mantissa(), to.id, fail);
    }
    case Value::Kind::Float: {
      double t = std::trunc(v.asFloat());
      auto fail = [&] {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%f", v.asFloat());
        throwSqlError(232, {str(to.baseName()), buf});
      };
      if (!(std::fabs(t) < 1e19)) fail();
      return narrowInteger(static_cast<__int128>(t), to.id, fail);
    }
    case Value::Kind::String: {
      std::string_view s = trimNumberText(v.asString());
      auto bad = [&] { throwSqlError(245, {str(from.baseName()), str(v.asString()), str(to.baseName())}); };
      if (to.id == TypeId::Bit) {
        std::string lower = toLower(s);
        if (lower == "true") return Value::integer(1);
        if (lower == "false") return Value::integer(0);
      }
      if (s.empty()) return Value::integer(0);
      size_t i = 0;
      bool negative = false;
      if (s[0] == '+' || s[0] == '-') negative = s[i++] == '-';
      if (i == s.size()) bad();
      __int128 acc = 0;
      bool tooBig = false;
      for (; i < s.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) bad();
        if (acc < (__int128{1} << 100))
          acc = acc * 10 + (s[i] - '0');
        else
          tooBig = true;
      }
      if (negative) acc = -acc;
      return narrowInteger(tooBig ? (__int128{1} << 100) : acc, to.id, [&] {
        throwSqlError(248, {str(from.baseName()), str(v.asString()), str(to.baseName())});
      });
    }
    case Value::Kind::DateTime: {
      if (from.id == TypeId::Date) explicitNotAllowed(from, to);
      // Days since 1900-01-01; noon and later round up.
      int64_t days =
          v.asDateTime().days() + (v.asDateTime().tickOfDay() >= DateTime::kTicksPerDay / 2 ? 1 : 0);
      return narrowInteger(days, to.id, [&] { overflow("expression", to); });
    }
    case Value::Kind::Null:
      break;
  }
  return Value();
}

Value toExact(const Value& v, const SqlType& from, const SqlType& to) {
  const int s = to.scale;
  std::optional<Decimal128> d;
  std::string_view fromName = from.isInteger() ? from.baseName() : "numeric";
  switch (v.kind()) {
    case Value::Kind::Int:
      d = Decimal128::fromInt(v.asInt()).rescale(s);
      break;
    case Value::Kind::Decimal:
      d = v.asDecimal().rescale(s);
      break;
    case Value::Kind::Float:
      fromName = "float";
      d = Decimal128::fromDouble(v.asFloat(), s);
      break;
    case Value::Kind::String: {
      auto parsed = to.id == TypeId::Money ? parseMoneyText(v.asString())
                                           : Decimal128::parse(trimNumberText(v.asString()));
      if (!parsed) {
        if (to.id == TypeId::Money) throwSqlError(235);
        throwSqlError(8114, {str(from.baseName()), str(to.baseName())});
      }
      fromName = from.baseName();
      d = parsed->rescale(s);
      break;
    }
    case Value::Kind::DateTime: {
      if (from.id == TypeId::Date) explicitNotAllowed(from, to);
      d = Decimal128::divide(Decimal128(v.asDateTime().ticks(), 0), Decimal128(DateTime::kTicksPerDay, 0), s);
      break;
    }
    case Value::Kind::Null:
      return Value();
  }
  if (to.id == TypeId::Money) fromName = "expression";
  if (!d || !fitsExactType(*d, to)) overflow(fromName, to);
  return Value::decimal(*d);
}

Value toApproximate(const Value& v, const SqlType& from, const SqlType& to) {
  double r = 0;
  switch (v.kind()) {
    case Value::Kind::Int:
      r = static_cast<double>(v.asInt());
      break;
    case Value::Kind::Decimal:
      r = v.asDecimal().toDouble();
      break;
    case Value::Kind::Float:
      r = v.asFloat();
      break;
    case Value::Kind::String: {
      std::string text(trimNumberText(v.asString()));
      if (!text.empty()) {
        char* end = nullptr;
        errno = 0;
        r = std::strtod(text.c_str(), &end);
        bool hex = text.find_first_of("xXnN") != std::string::npos;  // no hex, inf or nan forms
        if (end != text.c_str() + text.size() || hex) {
          throwSqlError(8114, {str(from.baseName()), str(to.baseName())});
        }
        if (errno == ERANGE && std::isinf(r)) overflow(from.baseName(), to);
      }
      break;
    }
    case Value::Kind::DateTime:
      if (from.id == TypeId::Date) explicitNotAllowed(from, to);
      r = static_cast<double>(v.asDateTime().ticks()) / DateTime::kTicksPerDay;
      break;
    case Value::Kind::Null:
      return Value();
  }
  if (to.id == TypeId::Real) {
    if (std::fabs(r) > 3.40282346638528859812e+38) overflow("expression", to);
    r = static_cast<double>(static_cast<float>(r));
  }
  return Value::floating(r);
}

Value checkDateRange(DateTime t, const SqlType& from, const SqlType& to) {
  if (to.id == TypeId::Date) {
    t = t.dateOnly();
    if (!t.inDateRange()) overflow("expression", to);
  } else if (to.id == TypeId::SmallDateTime) {
    t = t.roundedToMinute();
    if (!t.inSmallDateTimeRange()) {
      if (from.isString() || from.isDateTime())
        throwSqlError(242, {str(from.baseName()), str(to.baseName())});
      overflow("expression", to);
    }
  } else if (!t.inDateTimeRange()) {
    if (from.isString() || from.isDateTime()) throwSqlError(242, {str(from.baseName()), str(to.baseName())});
    overflow("expression", to);
  }
  return Value::dateTime(t);
}

Value toDateTime(const Value& v, const SqlType& from, const SqlType& to, int style) {
  switch (v.kind()) {
    case Value::Kind::String: {
      if (!isDateStyle(style))
        throwSqlError(281, {std::to_string(style), str(from.baseName()), str(to.baseName())});
      DateTime t;
      DateParse r = parseDateTimeText(v.asString(), style, t, currentDateOrder(), to.id == TypeId::Date);
      if (r == DateParse::BadFormat || (r == DateParse::OutOfRange && to.id == TypeId::Date))
        throwSqlError(241);
      if (r == DateParse::OutOfRange) throwSqlError(242, {str(from.baseName()), str(to.baseName())});
      return checkDateRange(t, from, to);
    }
    case Value::Kind::DateTime:
      return checkDateRange(v.asDateTime(), from, to);
    case Value::Kind::Int:
    case Value::Kind::Decimal:
    case Value::Kind::Float: {
      if (to.id == TypeId::Date) explicitNotAllowed(from, to);
      double days = v.kind() == Value::Kind::Int       ? static_cast<double>(v.asInt())
                    : v.kind() == Value::Kind::Decimal ? v.asDecimal().toDouble()
                                                       : v.asFloat();
      double ticks = std::round(days * DateTime::kTicksPerDay);
      if (!(std::fabs(ticks) < 9e18)) overflow("expression", to);
      return checkDateRange(DateTime(static_cast<int64_t>(ticks)), from, to);
    }
    case Value::Kind::Null:
      break;
  }
  return Value();
}

std::string moneyText(const Decimal128& d, int style) {
  std::string text = d.rescale(style == 2 ? 4 : 2)->toString();
  if (style != 1) return text;
  size_t point = text.find('.');
  size_t digitsStart = text[0] == '-' ? 1 : 0;
  for (size_t i = point; i > digitsStart + 3; i -= 3)
    text.insert(i - 3, ",");
  return text;
}

// A value as text of `to` before its length applies.
std::string numberText(const Value& v, const SqlType& from, int style) {
  switch (v.kind()) {
    case Value::Kind::Int:
      return std::to_string(v.asInt());
    case Value::Kind::Decimal:
      return from.id == TypeId::Money ? moneyText(v.asDecimal(), style) : v.asDecimal().toString();
    case Value::Kind::Float:
      return floatToText(v.asFloat(), style);
    default:
      return {};
  }
}

Value toText(const Value& v, const SqlType& from, const SqlType& to, int style) {
  std::string text;
  switch (v.kind()) {
    case Value::Kind::String:
      text = std::string(v.asString());
      break;
    case Value::Kind::DateTime: {
      auto formatted = formatDateTime(v.asDateTime(), from.id, style);
      if (!formatted) throwSqlError(281, {std::to_string(style), str(from.baseName()), str(to.baseName())});
      text = std::move(*formatted);
      break;
    }
    case Value::Kind::Int:
    case Value::Kind::Decimal:
    case Value::Kind::Float: {
      text = numberText(v, from, style);
      if (to.length != SqlType::kMax && static_cast<int>(text.size()) > to.length) {
        // Integers too long for char/varchar show as '*'; other numbers fail.
        if (from.isInteger() && !to.isUnicode()) {
          text = "*";
        } else {
          overflow(from.isInteger() ? "expression" : from.baseName(), to);
        }
      }
      break;
    }
    case Value::Kind::Null:
      return Value();
  }
  if (to.length != SqlType::kMax) {
    size_t chars = utf8Length(text);
    if (chars > static_cast<size_t>(to.length)) {
      text.resize(utf8Offset(text, static_cast<size_t>(to.length)));
    } else if (to.isFixedLengthString()) {
      text.append(static_cast<size_t>(to.length) - chars, ' ');
    }
  }
  return Value::string(text);
}

bool isDateOnly(const SqlType& t) {
  return t.id == TypeId::Date;
}

}  // namespace

Value convertValue(const Value& v, const SqlType& from, const SqlType& to, int style) {
  if (v.isNull()) return Value();
  if ((isDateOnly(from) && to.isNumeric()) || (isDateOnly(to) && from.isNumeric()))
    explicitNotAllowed(from, to);
  switch (to.id) {
    case TypeId::Bit:
    case TypeId::TinyInt:
    case TypeId::SmallInt:
    case TypeId::Int:
    case TypeId::BigInt:
      return toInteger(v, from, to);
    case TypeId::Decimal:
    case TypeId::Money:
      return toExact(v, from, to);
    case TypeId::Float:
    case TypeId::Real:
      return toApproximate(v, from, to);
    case TypeId::Char:
    case TypeId::VarChar:
    case TypeId::NChar:
    case TypeId::NVarChar:
      return toText(v, from, to, style);
    case TypeId::DateTime:
    case TypeId::SmallDateTime:
    case TypeId::Date:
      return toDateTime(v, from, to, style);
    case TypeId::Null:
      break;
  }
  return v;
}

Value castValue(const Value& v, const SqlType& from, const SqlType& to) {
  return convertValue(v, from, to, 0);
}

namespace {

bool implicitlyConvertible(const SqlType& from, const SqlType& to) {
  if (from.isDateTime() && to.isNumeric()) return false;
  if (from.isNumeric() && to.id == TypeId::Date) return false;
  return true;
}

}  // namespace

Value implicitConvert(const Value& v, const SqlType& from, const SqlType& to) {
  if (!implicitlyConvertible(from, to)) {
    if (from.id == TypeId::Date || to.id == TypeId::Date) {
      throwSqlError(206, {str(from.baseName()), str(to.baseName())});
    }
    throwSqlError(257, {str(from.baseName()), str(to.baseName())});
  }
  return castValue(v, from, to);
}

namespace {

thread_local bool tTruncateSilently = false;

}  // namespace

TruncationScope::TruncationScope(bool silently) : saved_(tTruncateSilently) {
  tTruncateSilently = silently;
}

TruncationScope::~TruncationScope() {
  tTruncateSilently = saved_;
}

Value assignToColumn(const Value& v, const SqlType& from, const SqlType& to) {
  if (v.isNull()) return Value();
  if (to.isString() && v.kind() == Value::Kind::String && to.length != SqlType::kMax) {
    std::string_view text = v.asString();
    size_t limit = static_cast<size_t>(to.length);
    // Only trailing spaces may be dropped to fit, unless ANSI_WARNINGS is OFF
    // (the conversion cuts the text).
    if (!tTruncateSilently && utf8Length(text) > limit && utf8Length(trimRightSpaces(text)) > limit)
      throwSqlError(8152);
  }
  return implicitConvert(v, from, to);
}

bool fitsExactType(const Decimal128& d, const SqlType& t) {
  if (t.id != TypeId::Money) return d.fits(t.precision);
  std::optional<Decimal128> units = d.rescale(4);
  return units && units->mantissa() >= INT64_MIN && units->mantissa() <= INT64_MAX;
}

std::pair<Value, SqlType> numericLiteral(std::string_view text) {
  if (text.find_first_of("eE") != std::string_view::npos) {
    std::string s(text);
    return {Value::floating(std::strtod(s.c_str(), nullptr)), SqlType(TypeId::Float)};
  }
  auto d = Decimal128::parse(text);
  if (!d) throwSqlError(1007, {str(text)});
  if (text.find('.') == std::string_view::npos && d->mantissa() <= INT32_MAX) {
    return {Value::integer(static_cast<int64_t>(d->mantissa())), SqlType(TypeId::Int)};
  }
  int precision = std::max(d->integralDigits() + d->scale(), 1);
  return {Value::decimal(*d), SqlType::decimal(precision, d->scale())};
}

SqlType stringLiteralType(std::string_view text, bool unicode) {
  int chars = static_cast<int>(utf8Length(text));
  int limit = unicode ? 4000 : 8000;
  int length = chars > limit ? SqlType::kMax : std::max(chars, 1);
  return SqlType::string(unicode ? TypeId::NVarChar : TypeId::VarChar, length);
}

namespace {

std::string floatToText(double v, int style) {
  char buf[64];
  switch (style) {
    case 1:
      std::snprintf(buf, sizeof buf, "%.7e", v);
      break;
    case 2:
      std::snprintf(buf, sizeof buf, "%.15e", v);
      break;
    case 3:
      std::snprintf(buf, sizeof buf, "%.16e", v);
      break;
    default:
      std::snprintf(buf, sizeof buf, "%.6g", v);
      break;
  }
  std::string s = buf;
  // The server writes exponents with three digits: 1e+006.
  size_t e = s.find('e');
  if (e != std::string::npos && s.size() - e - 2 < 3) s.insert(e + 2, 3 - (s.size() - e - 2), '0');
  return s;
}

}  // namespace

}  // namespace mls::tsql

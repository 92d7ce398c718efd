// Conversions of a Variant to the other kinds, with the automation rules.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "platform/com/error.h"
#include "platform/com/variant.h"
#include "platform/com/variant_text.h"

namespace mls::com {

namespace {

[[noreturn]] void mismatch() {
  raise(err::kTypeMismatch);
}

// The value of an object in an expression: its default member (empty name).
Variant defaultValue(const Variant& v) {
  Ref<Dispatch> obj = v.toObject();
  if (!obj) raise(err::kObjectVariableNotSet);
  Variant result;
  ExcepInfo excep;
  HResult hr = obj->invoke("", InvokeKind::PropertyGet, {}, &result, &excep);
  if (hr == kDispException && excep.number != err::kNoSuchMember) {
    raise(excep.number, excep.source, excep.description, excep.helpFile, excep.helpContext);
  }
  if (hr != kOk || result.kind() == VarKind::Object) mismatch();
  return result;
}

// Whole number of a numeric value, rounded half to even, within [lo, hi]; 6 outside.
int64_t roundedInteger(const Variant& v, int64_t lo, int64_t hi) {
  auto check = [&](int64_t n) {
    if (n < lo || n > hi) raise(err::kOverflow);
    return n;
  };
  switch (v.kind()) {
    case VarKind::Decimal:
      return check(v.toDecimal().roundHalfEven(0).toInt64Truncated());
    case VarKind::Object:
      return roundedInteger(defaultValue(v), lo, hi);
    default: {
      double d = v.toDouble();  // raises 94 for Null, 13 for text that is not a number
      double r = std::nearbyint(d);
      if (!(r >= static_cast<double>(lo) && r <= static_cast<double>(hi))) raise(err::kOverflow);
      return static_cast<int64_t>(r);
    }
  }
}

// Roughly the power of ten of a number in plain digits: digits before the
// point (or minus the zeros after it) plus the exponent.
long decimalMagnitude(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == '0')
    ++i;
  long mag = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
    ++i, ++mag;
  if (mag == 0 && i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && text[i] == '0'; ++i)
      --mag;
  }
  size_t e = text.find_first_of("eE");
  if (e == std::string_view::npos) return mag;
  // The exponent saturates: its digits may be more than any integer holds.
  std::string_view exp = text.substr(e + 1);
  bool negative = !exp.empty() && exp.front() == '-';
  if (!exp.empty() && (exp.front() == '-' || exp.front() == '+')) exp.remove_prefix(1);
  constexpr long kCap = 1'000'000'000;
  long value = 0;
  for (char c : exp)
    value = std::min(kCap, value * 10 + (c - '0'));
  return mag + (negative ? -value : value);
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  return foldCase(a) == foldCase(b);
}

}  // namespace

std::optional<double> parseNumberText(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // Only digits, one point and an exponent: no "inf", "nan" or hex forms.
  size_t i = 0, digits = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
    ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
      ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t expStart = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
      ++i;
    if (i == expStart) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  double value = 0;
  if (std::from_chars(text.data(), text.data() + text.size(), value).ec == std::errc::result_out_of_range) {
    // Too many digits either way: only a large magnitude overflows, a tiny one is 0.
    if (decimalMagnitude(text) > 0) raise(err::kOverflow);
    value = 0;
  }
  return negative ? -value : value;
}

bool Variant::toBool() const {
  const Variant& v = deref();
  switch (v.kind_) {
    case VarKind::Empty:
      return false;
    case VarKind::Boolean:
      return v.b_;
    case VarKind::String:
      if (equalsNoCase(*v.str_, "True")) return true;
      if (equalsNoCase(*v.str_, "False")) return false;
      return toDouble() != 0;
    case VarKind::Decimal:
      return !v.decimal().isZero();
    case VarKind::Object:
      return defaultValue(v).toBool();
    default:
      return toDouble() != 0;
  }
}

uint8_t Variant::toByte() const {
  return static_cast<uint8_t>(roundedInteger(*this, 0, 255));
}
int16_t Variant::toInteger() const {
  return static_cast<int16_t>(roundedInteger(*this, INT16_MIN, INT16_MAX));
}
int32_t Variant::toLong() const {
  return static_cast<int32_t>(roundedInteger(*this, INT32_MIN, INT32_MAX));
}

double Variant::toDouble() const {
  const Variant& v = deref();
  switch (v.kind_) {
    case VarKind::Empty:
      return 0;
    case VarKind::Null:
      raise(err::kInvalidUseOfNull);
    case VarKind::Boolean:
      return v.b_ ? -1 : 0;
    case VarKind::Byte:
      return v.u8_;
    case VarKind::Integer:
      return v.i16_;
    case VarKind::Long:
      return v.i32_;
    case VarKind::Double:
    case VarKind::Date:
      return v.d_;
    case VarKind::Decimal:
      return v.decimal().toDouble();
    case VarKind::String: {
      std::optional<double> d = parseNumberText(*v.str_);
      if (!d) mismatch();
      return *d;
    }
    case VarKind::Object:
      return defaultValue(v).toDouble();
    default:
      mismatch();
  }
}

Decimal Variant::toDecimal() const {
  const Variant& v = deref();
  switch (v.kind_) {
    case VarKind::Empty:
      return Decimal();
    case VarKind::Null:
      raise(err::kInvalidUseOfNull);
    case VarKind::Boolean:
      return Decimal::fromInt(v.b_ ? -1 : 0);
    case VarKind::Byte:
      return Decimal::fromInt(v.u8_);
    case VarKind::Integer:
      return Decimal::fromInt(v.i16_);
    case VarKind::Long:
      return Decimal::fromInt(v.i32_);
    case VarKind::Double:
    case VarKind::Date:
      return Decimal::fromDouble(v.d_);
    case VarKind::Decimal:
      return v.decimal();
    case VarKind::String: {
      std::optional<Decimal> d = Decimal::parse(*v.str_);
      if (!d) mismatch();
      return *d;
    }
    case VarKind::Object:
      return defaultValue(v).toDecimal();
    default:
      mismatch();
  }
}

double Variant::toDate() const {
  const Variant& v = deref();
  switch (v.kind_) {
    case VarKind::Null:
      raise(err::kInvalidUseOfNull);
    case VarKind::Date:
      return v.d_;
    case VarKind::String: {
      std::optional<double> d = parseDateText(*v.str_);
      if (!d) mismatch();
      return *d;
    }
    case VarKind::Object:
      return defaultValue(v).toDate();
    default: {
      double d = toDouble();
      if (!isValidDate(d)) raise(err::kOverflow);
      return d;
    }
  }
}

std::string Variant::toString() const {
  const Variant& v = deref();
  switch (v.kind_) {
    case VarKind::Empty:
      return {};
    case VarKind::Null:
      raise(err::kInvalidUseOfNull);
    case VarKind::Boolean:
      return v.b_ ? "True" : "False";
    case VarKind::Byte:
      return std::to_string(v.u8_);
    case VarKind::Integer:
      return std::to_string(v.i16_);
    case VarKind::Long:
      return std::to_string(v.i32_);
    case VarKind::Double:
      return formatDouble(v.d_);
    case VarKind::Decimal:
      return v.decimal().toString();
    case VarKind::Date:
      return formatDateText(v.d_);
    case VarKind::String:
      return *v.str_;
    case VarKind::Object:
      return defaultValue(v).toString();
    default:
      mismatch();
  }
}

Variant Variant::convertTo(VarKind k) const {
  const Variant& v = deref();
  if (v.kind_ == k) return v;
  switch (k) {
    case VarKind::Boolean:
      return Variant(toBool());
    case VarKind::Byte:
      return Variant(toByte());
    case VarKind::Integer:
      return Variant(toInteger());
    case VarKind::Long:
      return Variant(toLong());
    case VarKind::Double:
      return Variant(toDouble());
    case VarKind::Decimal:
      return Variant(toDecimal());
    case VarKind::Date:
      return Variant::date(toDate());
    case VarKind::String:
      return Variant(toString());
    case VarKind::Object:
      // Empty becomes Nothing, as the automation conversion does.
      if (v.kind_ == VarKind::Empty) return Variant(Ref<Dispatch>());
      return Variant(toObject());
    case VarKind::Array:
      return Variant(array());
    default:
      if (v.kind_ == VarKind::Null) raise(err::kInvalidUseOfNull);
      mismatch();
  }
}

}  // namespace mls::com

#include "platform/tsql/types/value.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>

#include "platform/tsql/types/collation.h"

namespace mls::tsql {

Value Value::integer(int64_t v) {
  Value r;
  r.kind_ = Kind::Int;
  r.u_.i = v;
  return r;
}

Value Value::decimal(const Decimal128& d) {
  Value r;
  r.kind_ = Kind::Decimal;
  r.scale_ = static_cast<uint8_t>(d.scale());
  auto bits = static_cast<unsigned __int128>(d.mantissa());
  r.u_.d.lo = static_cast<uint64_t>(bits);
  r.u_.d.hi = static_cast<int64_t>(bits >> 64);
  return r;
}

Value Value::floating(double v) {
  Value r;
  r.kind_ = Kind::Float;
  r.u_.f = v;
  return r;
}

Value Value::string(std::string_view text) {
  Value r;
  r.kind_ = Kind::String;
  void* mem = std::malloc(sizeof(Text) + text.size() + 1);
  if (mem == nullptr) throw std::bad_alloc();
  Text* t = new (mem) Text{{1}, static_cast<uint32_t>(text.size())};
  if (!text.empty()) std::memcpy(t->data(), text.data(), text.size());
  t->data()[text.size()] = '\0';
  r.u_.s = t;
  return r;
}

Value Value::dateTime(DateTime t) {
  Value r;
  r.kind_ = Kind::DateTime;
  r.u_.i = t.ticks();
  return r;
}

void Value::releaseText() {
  if (u_.s->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    u_.s->~Text();
    std::free(u_.s);
  }
}

Decimal128 Value::asDecimal() const {
  auto bits = (static_cast<unsigned __int128>(static_cast<uint64_t>(u_.d.hi)) << 64) | u_.d.lo;
  return Decimal128(static_cast<__int128>(bits), scale_);
}

std::string_view Value::asString() const {
  return std::string_view(u_.s->data(), u_.s->size);
}

bool Value::identical(const Value& o) const {
  if (kind_ != o.kind_) return false;
  switch (kind_) {
    case Kind::Null:
      return true;
    case Kind::Int:
    case Kind::DateTime:
      return u_.i == o.u_.i;
    case Kind::Float:
      return u_.f == o.u_.f || (std::isnan(u_.f) && std::isnan(o.u_.f));
    case Kind::Decimal:
      return scale_ == o.scale_ && u_.d.lo == o.u_.d.lo && u_.d.hi == o.u_.d.hi;
    case Kind::String:
      return asString() == o.asString();
  }
  return false;
}

std::string Value::debugString() const {
  switch (kind_) {
    case Kind::Null:
      return "NULL";
    case Kind::Int:
      return std::to_string(u_.i);
    case Kind::Decimal:
      return asDecimal().toString();
    case Kind::Float: {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%.17g", u_.f);
      return buf;
    }
    case Kind::String:
      return "'" + std::string(asString()) + "'";
    case Kind::DateTime: {
      DateTime::Parts p = asDateTime().parts();
      char buf[40];
      std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", p.year, p.month, p.day, p.hour,
                    p.minute, p.second, p.millisecond);
      return buf;
    }
  }
  return "";
}

size_t hashValue(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::Null:
      return 0x9e3779b9;
    case Value::Kind::Int:
      return std::hash<int64_t>()(v.asInt());
    case Value::Kind::DateTime:
      return std::hash<int64_t>()(v.asDateTime().ticks()) ^ 0x5bd1e995;
    case Value::Kind::Float: {
      double f = v.asFloat();
      if (f == 0) f = 0;  // -0.0 equals 0.0
      if (f == std::trunc(f) && std::fabs(f) < 9e18) return std::hash<int64_t>()(static_cast<int64_t>(f));
      return std::hash<double>()(f);
    }
    case Value::Kind::Decimal: {
      Decimal128 d = v.asDecimal().normalized();
      if (d.scale() == 0 && d.mantissa() >= INT64_MIN && d.mantissa() <= INT64_MAX) {
        return std::hash<int64_t>()(static_cast<int64_t>(d.mantissa()));
      }
      auto bits = static_cast<unsigned __int128>(d.mantissa());
      return std::hash<uint64_t>()(static_cast<uint64_t>(bits) ^ static_cast<uint64_t>(bits >> 64) * 31) ^
             static_cast<size_t>(d.scale());
    }
    case Value::Kind::String:
      return hashText(v.asString());
  }
  return 0;
}

}  // namespace mls::tsql

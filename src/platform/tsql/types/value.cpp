#include "platform/tsql/types/value.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>

#include "platform/tsql/types/collation.h"

namespace mls::tsql {

Value Value::integer(int64_t v) {
  Value r;
  r.tag_ = static_cast<uint8_t>(Kind::Int);
  r.setBits(v);
  return r;
}

Value Value::decimal(const Decimal128& d) {
  Value r;
  r.aux_ = static_cast<uint8_t>(d.scale());
  __int128 m = d.mantissa();
  if (m >= INT64_MIN && m <= INT64_MAX) {
    r.tag_ = static_cast<uint8_t>(Kind::Decimal);
    r.setBits(static_cast<int64_t>(m));
    return r;
  }
  void* mem = std::malloc(sizeof(Wide));
  if (mem == nullptr) throw std::bad_alloc();
  r.setPointer(new (mem) Wide{{{1}}, m});
  r.tag_ = static_cast<uint8_t>(Kind::Decimal) | kShared;
  return r;
}

Value Value::floating(double v) {
  Value r;
  r.tag_ = static_cast<uint8_t>(Kind::Float);
  std::memcpy(r.payload_, &v, sizeof v);
  return r;
}

Value Value::string(std::string_view text) {
  Value r;
  if (text.size() <= kInlineText) {
    r.tag_ = static_cast<uint8_t>(Kind::String);
    r.aux_ = static_cast<uint8_t>(text.size());
    // Into inl_ and on into the payload, which follows it without a gap.
    static_assert(offsetof(Value, inl_) == kInlineStart &&
                  offsetof(Value, payload_) == kInlineStart + sizeof r.inl_ &&
                  kInlineStart + kInlineText <= sizeof(Value));
    const size_t head = std::min(text.size(), sizeof r.inl_);
    if (head > 0) std::memcpy(r.inl_, text.data(), head);
    if (text.size() > head) std::memcpy(r.payload_, text.data() + head, text.size() - head);
    return r;
  }
  void* mem = std::malloc(sizeof(Text) + text.size() + 1);
  if (mem == nullptr) throw std::bad_alloc();
  Text* t = new (mem) Text{{{1}}, static_cast<uint32_t>(text.size())};
  std::memcpy(t->data(), text.data(), text.size());
  t->data()[text.size()] = '\0';
  r.setPointer(t);
  r.tag_ = static_cast<uint8_t>(Kind::String) | kShared;
  return r;
}

Value Value::dateTime(DateTime t) {
  Value r;
  r.tag_ = static_cast<uint8_t>(Kind::DateTime);
  r.setBits(t.ticks());
  return r;
}

void Value::releaseShared() {
  Shared* block = pointer<Shared>();
  if (block->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) std::free(block);
}

bool Value::identical(const Value& o) const {
  if (kind() != o.kind()) return false;
  switch (kind()) {
    case Kind::Null:
      return true;
    case Kind::Int:
    case Kind::DateTime:
      return bits() == o.bits();
    case Kind::Float:
      return asFloat() == o.asFloat() || (std::isnan(asFloat()) && std::isnan(o.asFloat()));
    case Kind::Decimal:
      return aux_ == o.aux_ && asDecimal().mantissa() == o.asDecimal().mantissa();
    case Kind::String:
      return asString() == o.asString();
  }
  return false;
}

std::string Value::debugString() const {
  switch (kind()) {
    case Kind::Null:
      return "NULL";
    case Kind::Int:
      return std::to_string(bits());
    case Kind::Decimal:
      return asDecimal().toString();
    case Kind::Float: {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%.17g", asFloat());
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

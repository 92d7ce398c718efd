// A runtime value of the engine: NULL, an integer (bit .. bigint), an exact
// decimal (decimal, numeric, money), a float (float, real), a string (UTF-8;
// char .. nvarchar) or a date/time (datetime, smalldatetime, date).  A Value
// does not carry its SqlType: the binder knows every expression's static type.
//
// Values are 24 bytes; strings are shared, immutable and reference counted, so
// copying a row copies no text.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/tsql/types/datetime.h"
#include "platform/tsql/types/decimal128.h"
#include "platform/tsql/types/sql_type.h"

namespace mls::tsql {

class Value {
 public:
  enum class Kind : uint8_t { Null, Int, Decimal, Float, String, DateTime };

  Value() = default;  // NULL
  static Value null() { return Value(); }
  static Value integer(int64_t v);
  static Value boolean(bool v) { return integer(v ? 1 : 0); }
  static Value decimal(const Decimal128& d);
  static Value floating(double v);
  static Value string(std::string_view text);
  static Value dateTime(DateTime t);

  // Copies and moves are inline: only text values count references.
  Value(const Value& o) : kind_(o.kind_), scale_(o.scale_), u_(o.u_) {
    if (kind_ == Kind::String) u_.s->refs.fetch_add(1, std::memory_order_relaxed);
  }
  Value(Value&& o) noexcept : kind_(o.kind_), scale_(o.scale_), u_(o.u_) { o.kind_ = Kind::Null; }
  Value& operator=(const Value& o) {
    if (this != &o) {
      if (o.kind_ == Kind::String) o.u_.s->refs.fetch_add(1, std::memory_order_relaxed);
      release();
      kind_ = o.kind_;
      scale_ = o.scale_;
      u_ = o.u_;
    }
    return *this;
  }
  Value& operator=(Value&& o) noexcept {
    if (this != &o) {
      release();
      kind_ = o.kind_;
      scale_ = o.scale_;
      u_ = o.u_;
      o.kind_ = Kind::Null;
    }
    return *this;
  }
  ~Value() {
    if (kind_ == Kind::String) releaseText();
  }

  Kind kind() const { return kind_; }
  bool isNull() const { return kind_ == Kind::Null; }

  // Accessors; the kind must match.
  int64_t asInt() const { return u_.i; }
  Decimal128 asDecimal() const;
  double asFloat() const { return u_.f; }
  std::string_view asString() const;
  DateTime asDateTime() const { return DateTime(u_.i); }

  // Exact identity of representation (same kind, same bits / same bytes); for
  // tests and caches.  SQL equality is compareValues() in compare.h.
  bool identical(const Value& o) const;
  // A readable form for diagnostics and test output: NULL, 12, 1.50, 'abc'.
  std::string debugString() const;

 private:
  struct Text {
    std::atomic<int32_t> refs;
    uint32_t size;
    char* data() { return reinterpret_cast<char*>(this + 1); }
  };
  void release() {
    if (kind_ == Kind::String) releaseText();
    kind_ = Kind::Null;
  }
  // Drops this value's reference to its text, freeing the text with the last.
  void releaseText();

  Kind kind_ = Kind::Null;
  uint8_t scale_ = 0;  // decimal scale
  union U {
    int64_t i;
    double f;
    struct {
      uint64_t lo;
      int64_t hi;
    } d;
    Text* s;
  } u_{};
};

// Hash consistent with SQL equality of values of one comparison type: strings
// without regard to case and trailing spaces, decimals of any scale by value.
size_t hashValue(const Value& v);

}  // namespace mls::tsql

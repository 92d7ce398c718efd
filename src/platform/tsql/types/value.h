// A runtime value of the engine: NULL, an integer (bit .. bigint), an exact
// decimal (decimal, numeric, money), a float (float, real), a string (UTF-8;
// char .. nvarchar) or a date/time (datetime, smalldatetime, date).  A Value
// does not carry its SqlType: the binder knows every expression's static type.
//
// Values are 12 bytes: a tag and an 8-byte payload, aligned to 4.  Text of up
// to 10 bytes and decimals whose mantissa fits 64 bits are held inline; longer text and
// wider decimals live in a shared, immutable, reference-counted block, so
// copying a row copies no text.  A view returned by asString() of inline text
// points into the Value itself: it is valid while the Value is neither
// changed nor destroyed (moving from a Value leaves its bytes in place).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/tsql/types/datetime.h"
#include "platform/tsql/types/decimal128.h"
#include "platform/tsql/types/sql_type.h"

#if defined(__SANITIZE_ADDRESS__)
#define MLS_VALUE_ALIGNED_PAYLOAD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MLS_VALUE_ALIGNED_PAYLOAD 1
#endif
#endif
#ifndef MLS_VALUE_ALIGNED_PAYLOAD
#define MLS_VALUE_ALIGNED_PAYLOAD 0
#endif

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

  // Copies and moves are inline: only values with a shared block count
  // references.
  Value(const Value& o) {
    copyBits(o);
    if (tag_ & kShared) pointer<Shared>()->refs.fetch_add(1, std::memory_order_relaxed);
  }
  Value(Value&& o) noexcept {
    copyBits(o);
    o.tag_ = 0;
  }
  Value& operator=(const Value& o) {
    if (this != &o) {
      if (o.tag_ & kShared) o.pointer<Shared>()->refs.fetch_add(1, std::memory_order_relaxed);
      release();
      copyBits(o);
    }
    return *this;
  }
  Value& operator=(Value&& o) noexcept {
    if (this != &o) {
      release();
      copyBits(o);
      o.tag_ = 0;
    }
    return *this;
  }
  // Exchanges two values' contents; no reference changes hands.
  friend void swap(Value& a, Value& b) noexcept {
    Value t(std::move(a));
    a.copyBits(b);
    b.copyBits(t);
    t.tag_ = 0;
  }
  ~Value() {
    if (tag_ & kShared) releaseShared();
  }

  Kind kind() const { return static_cast<Kind>(tag_ & kKindMask); }
  bool isNull() const { return tag_ == 0; }

  // Accessors; the kind must match.
  int64_t asInt() const { return bits(); }
  Decimal128 asDecimal() const {
    if (tag_ & kShared) return Decimal128(pointer<Wide>()->mantissa, aux_);
    return Decimal128(bits(), aux_);
  }
  double asFloat() const {
    double f;
    std::memcpy(&f, payload_, sizeof f);
    return f;
  }
  std::string_view asString() const {
    if (tag_ & kShared) {
      Text* t = pointer<Text>();
      return std::string_view(t->data(), t->size);
    }
    return std::string_view(reinterpret_cast<const char*>(this) + kInlineStart, aux_);
  }
  DateTime asDateTime() const { return DateTime(bits()); }

  // Exact identity of representation (same kind, same bits / same bytes); for
  // tests and caches.  SQL equality is compareValues() in compare.h.
  bool identical(const Value& o) const;
  // A readable form for diagnostics and test output: NULL, 12, 1.50, 'abc'.
  std::string debugString() const;

  // Text up to this many bytes is held inline.
  static constexpr size_t kInlineText = 10;

 private:
  static constexpr uint8_t kKindMask = 0x7f;
  static constexpr uint8_t kShared = 0x80;  // the payload points to a shared block

  struct Shared {
    std::atomic<int32_t> refs;
  };
  struct Text : Shared {
    uint32_t size;
    char* data() { return reinterpret_cast<char*>(this + 1); }
  };
  struct Wide : Shared {
    __int128 mantissa;
  };
  void release() {
    if (tag_ & kShared) releaseShared();
    tag_ = 0;
  }
  // The 12 bytes of `o`, as they are (the caller settles the references).
  // The head (tag, length, the first bytes of inline text) and the payload
  // are copied as two pieces, so that a read of the payload right after a
  // copy finds it in one store (a 12-byte copy made as 8 + 4 bytes would
  // make every such read wait for both stores).
  void copyBits(const Value& o) {
    constexpr size_t kHead = sizeof(Value) - sizeof payload_;
    char head[kHead];
    uint64_t payload;
    std::memcpy(head, static_cast<const void*>(&o), kHead);
    std::memcpy(&payload, o.payload_, sizeof payload);
    std::memcpy(static_cast<void*>(this), head, kHead);
    std::memcpy(payload_, &payload, sizeof payload);
  }
  // Drops this value's reference to its block, freeing the block with the last.
  void releaseShared();

  // The payload as a number, a float's bits or a block's address.
  int64_t bits() const {
    int64_t v;
    std::memcpy(&v, payload_, sizeof v);
    return v;
  }
  void setBits(int64_t v) { std::memcpy(payload_, &v, sizeof v); }
  template <class T>
  T* pointer() const {
    T* p;
    std::memcpy(&p, payload_, sizeof p);
    return p;
  }
  void setPointer(const void* p) { std::memcpy(payload_, &p, sizeof p); }

  // Byte 0: the kind, with kShared when the payload is a block.  Byte 1: a
  // decimal's scale or inline text's length.  Inline text fills bytes 2..11:
  // inl_, then the payload's first bytes (no padding lies between them); the
  // payload lies in bytes 4..11, so that a value costs 12 bytes (but see below
  // for the sanitizer build).
  uint8_t tag_ = 0;
  uint8_t aux_ = 0;
#if MLS_VALUE_ALIGNED_PAYLOAD
  // LeakSanitizer finds a block only through a pointer aligned to 8: under
  // the address sanitizer the payload lies at bytes 8..15 (inline text still
  // in bytes 2..11), and a value costs 16 bytes.
  uint8_t inl_[6]{};
  alignas(8) uint32_t payload_[2]{};
#else
  uint8_t inl_[2]{};
  uint32_t payload_[2]{};
#endif
  static constexpr size_t kInlineStart = 2;  // the byte where inline text starts (inl_)
};

static_assert(sizeof(Value) == (MLS_VALUE_ALIGNED_PAYLOAD ? 16 : 12));

// Hash consistent with SQL equality of values of one comparison type: strings
// without regard to case and trailing spaces, decimals of any scale by value.
size_t hashValue(const Value& v);

}  // namespace mls::tsql

// The automation Variant: the one value type that crosses every public
// interface, with the automation conversion rules.  Conversion failures raise
// ComError with the standard run-time numbers (6 overflow, 13 type mismatch,
// 94 invalid use of Null).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/com/decimal.h"
#include "platform/com/unknown.h"

namespace mls::com {

enum class VarKind : uint8_t {
  Empty,
  Null,
  Boolean,
  Byte,
  Integer,  // 16-bit
  Long,     // 32-bit
  Double,
  Decimal,
  Date,  // days since 1899-12-30, fraction = time of day
  String,
  Object,   // a Dispatch object, or Nothing
  Missing,  // an omitted optional argument
  Array,
  ByRef,  // refers to another Variant (the caller's)
};

const char* kindName(VarKind k);

class SafeArray;

// Calendar helpers for Date values.
struct DateParts {
  int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
};
double makeDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
DateParts splitDate(double date);

class Variant {
 public:
  Variant() noexcept : d_(0) {}  // Empty
  Variant(bool v);
  Variant(uint8_t v);
  Variant(int16_t v);
  Variant(int32_t v);
  Variant(double v);
  Variant(const Decimal& v);
  Variant(std::string v);
  Variant(const char* v);
  Variant(std::string_view v);
  Variant(Ref<Dispatch> obj);  // Object (null Ref = Nothing)
  // Any dispatch object (a recordset, a dictionary...) as an Object.
  template <class T>
  requires(std::is_base_of_v<Dispatch, T> && !std::is_same_v<T, Dispatch>) Variant(const Ref<T>& obj)
      : Variant(Ref<Dispatch>(obj)) {}
  Variant(SafeArray arr);

  static Variant null();
  static Variant missing();
  static Variant date(double serial);
  static Variant nothing();  // Object kind holding no object
  // A reference to `target` (which must outlive the reference).
  static Variant byRef(Variant* target);

  Variant(const Variant& o);
  Variant(Variant&& o) noexcept;
  Variant& operator=(const Variant& o);
  Variant& operator=(Variant&& o) noexcept;
  ~Variant();

  // Kind of this Variant itself (ByRef for a reference).
  VarKind rawKind() const { return kind_; }
  // Kind of the value, looking through a reference.
  VarKind kind() const;
  bool isEmpty() const { return kind() == VarKind::Empty; }
  bool isNull() const { return kind() == VarKind::Null; }
  bool isMissing() const { return kind() == VarKind::Missing; }
  bool isObject() const { return kind() == VarKind::Object; }
  bool isArray() const { return kind() == VarKind::Array; }
  bool isNumeric() const;  // Boolean, Byte, Integer, Long, Double, Decimal

  // The Variant a ByRef refers to (this one otherwise).
  const Variant& deref() const;
  Variant& deref();
  // Assigns through a reference (to the referred Variant when ByRef).
  void assign(const Variant& v);

  // Conversions with the automation rules (Empty is 0 / "" / False; Null raises 94).
  bool toBool() const;
  uint8_t toByte() const;
  int16_t toInteger() const;  // half to even, 6 when out of range, 13 for non-numeric text
  int32_t toLong() const;
  double toDouble() const;
  Decimal toDecimal() const;
  double toDate() const;  // Date values, numbers, 'yyyy-mm-dd' / 'yyyy/mm/dd' [hh:nn[:ss]] text
  // Text form: Double with up to 15 significant digits ("1E-05" for small/large
  // values), Date as yyyy-mm-dd [hh:nn:ss], Boolean as True/False, Empty as "".
  std::string toString() const;
  Ref<Dispatch> toObject() const;  // 424 when not an object
  const SafeArray& array() const;  // 13 when not an array
  SafeArray& array();

  // Raw accessors (no conversion); the kind must match.
  double asDouble() const;
  const std::string& asString() const;

  // Converts to the given kind (Empty, Null and Missing convert only to themselves).
  Variant convertTo(VarKind k) const;

  // Renders for diagnostics: kind and value, e.g. "Long 12", "String \"a\"".
  std::string debugString() const;

 private:
  // A Decimal in 16 bytes (its mantissa fits 96 bits), so that a Variant
  // costs its largest member and its kind: 24 bytes.
  struct PackedDecimal {
    uint64_t low;
    uint32_t high;
    uint8_t scale;
    bool negative;
  };
  static PackedDecimal pack(const Decimal& d);
  Decimal decimal() const;  // the value of a Decimal Variant
  // Copies or moves the value of `o` into this Variant, which holds none.
  void copyFrom(const Variant& o);
  void moveFrom(Variant& o) noexcept;
  // Ends the value this Variant holds; it is Empty then.
  void destroy() noexcept;

  VarKind kind_ = VarKind::Empty;
  // The member the kind names: none for Empty, Null and Missing; d_ for
  // Double and Date; ref_ for ByRef; the scalars, dec_, str_ (a string of
  // its own, so that a number in a rowset does not cost a string's room),
  // obj_ and arr_ for their kinds.
  union {
    double d_;
    bool b_;
    uint8_t u8_;
    int16_t i16_;
    int32_t i32_;
    Variant* ref_;
    PackedDecimal dec_;
    std::string* str_;
    Ref<Dispatch> obj_;
    std::unique_ptr<SafeArray> arr_;
  };
};

static_assert(sizeof(Variant) == 24);

// A multi-dimensional array of Variants; each dimension has its own lower bound.
// Elements are stored with the first index varying fastest (column-major), as
// automation arrays are.
class SafeArray {
 public:
  struct Bound {
    int32_t lower = 0;
    int32_t count = 0;
  };
  SafeArray() = default;
  explicit SafeArray(std::vector<Bound> bounds);
  // One dimension, lower bound 0, holding `items`.
  static SafeArray vector(std::vector<Variant> items, int32_t lower = 0);

  int dims() const { return static_cast<int>(bounds_.size()); }
  int32_t lbound(int dim = 1) const;  // 1-based dim; 9 when out of range
  int32_t ubound(int dim = 1) const;
  // Element by indexes (one per dimension); 9 when out of range.
  Variant& at(std::initializer_list<int32_t> idx);
  const Variant& at(std::initializer_list<int32_t> idx) const;
  Variant& at(const std::vector<int32_t>& idx);
  const Variant& at(const std::vector<int32_t>& idx) const;
  size_t size() const { return elems_.size(); }
  std::vector<Variant>& elements() { return elems_; }
  const std::vector<Variant>& elements() const { return elems_; }
  const std::vector<Bound>& bounds() const { return bounds_; }

 private:
  size_t offset(const int32_t* idx, size_t n) const;
  std::vector<Bound> bounds_;
  std::vector<Variant> elems_;
};

// Operators of the automation language that the system relies on.
// `&` concatenation: both sides as text, Null counts as "".
std::string concat(const Variant& a, const Variant& b);
// Text comparison: binary (case-sensitive) or text (case-insensitive).
int compareText(std::string_view a, std::string_view b, bool ignoreCase);
// Round half to even to `places` decimals (Decimal stays Decimal, whole-number
// kinds stay as they are, Null stays Null, others become Double); 5 when places < 0.
Variant roundHalfEven(const Variant& v, int places);
// A date minus a number of days.
double dateMinusDays(double date, double days);
// Length in characters of UTF-8 text.
size_t charLength(std::string_view utf8);
// The case-folded form text comparison without case uses (ASCII, Latin, Greek
// and Cyrillic letters fold to lower case).
std::string foldCase(std::string_view utf8);

}  // namespace mls::com

#include "platform/com/variant.h"

#include <cassert>
#include <new>
#include <utility>

#include "platform/com/error.h"

namespace mls::com {

const char* kindName(VarKind k) {
  switch (k) {
    case VarKind::Empty:
      return "Empty";
    case VarKind::Null:
      return "Null";
    case VarKind::Boolean:
      return "Boolean";
    case VarKind::Byte:
      return "Byte";
    case VarKind::Integer:
      return "Integer";
    case VarKind::Long:
      return "Long";
    case VarKind::Double:
      return "Double";
    case VarKind::Decimal:
      return "Decimal";
    case VarKind::Date:
      return "Date";
    case VarKind::String:
      return "String";
    case VarKind::Object:
      return "Object";
    case VarKind::Missing:
      return "Missing";
    case VarKind::Array:
      return "Array";
    case VarKind::ByRef:
      return "ByRef";
  }
  return "?";
}

Variant::Variant(bool v) : kind_(VarKind::Boolean), d_(0) {
  b_ = v;
}
Variant::Variant(uint8_t v) : kind_(VarKind::Byte), d_(0) {
  u8_ = v;
}
Variant::Variant(int16_t v) : kind_(VarKind::Integer), d_(0) {
  i16_ = v;
}
Variant::Variant(int32_t v) : kind_(VarKind::Long), d_(0) {
  i32_ = v;
}
Variant::Variant(double v) : kind_(VarKind::Double) {
  d_ = v;
}
Variant::Variant(const Decimal& v) : kind_(VarKind::Decimal), dec_(pack(v)) {}
Variant::Variant(std::string v) : kind_(VarKind::String), str_(new std::string(std::move(v))) {}
Variant::Variant(const char* v) : kind_(VarKind::String), str_(new std::string(v)) {}
Variant::Variant(std::string_view v) : kind_(VarKind::String), str_(new std::string(v)) {}
Variant::Variant(Ref<Dispatch> obj) : kind_(VarKind::Object), obj_(std::move(obj)) {}
Variant::Variant(SafeArray arr) : kind_(VarKind::Array), arr_(std::make_unique<SafeArray>(std::move(arr))) {}

Variant Variant::null() {
  Variant v;
  v.kind_ = VarKind::Null;
  return v;
}

Variant Variant::missing() {
  Variant v;
  v.kind_ = VarKind::Missing;
  return v;
}

Variant Variant::date(double serial) {
  Variant v(serial);
  v.kind_ = VarKind::Date;
  return v;
}

Variant Variant::nothing() {
  return Variant(Ref<Dispatch>());
}

Variant Variant::byRef(Variant* target) {
  Variant v;
  v.kind_ = VarKind::ByRef;
  v.ref_ = &target->deref();
  return v;
}

Variant::PackedDecimal Variant::pack(const Decimal& d) {
  assert(d.mantissa() >> 96 == 0 && "a Decimal's mantissa fits 96 bits");
  return {static_cast<uint64_t>(d.mantissa()), static_cast<uint32_t>(d.mantissa() >> 64),
          static_cast<uint8_t>(d.scale()), d.negative()};
}

Decimal Variant::decimal() const {
  return Decimal::fromParts((static_cast<Decimal::u128>(dec_.high) << 64) | dec_.low, dec_.scale,
                            dec_.negative);
}

Variant::Variant(const Variant& o) : d_(0) {
  copyFrom(o);
}

Variant::Variant(Variant&& o) noexcept : d_(0) {
  moveFrom(o);
}

Variant& Variant::operator=(const Variant& o) {
  if (this != &o) {
    Variant copy(o);  // o may live inside this Variant's array
    *this = std::move(copy);
  }
  return *this;
}

Variant& Variant::operator=(Variant&& o) noexcept {
  if (this != &o) {
    Variant old(std::move(*this));  // leaves this Empty; released after the new value is in place
    moveFrom(o);
  }
  return *this;
}

Variant::~Variant() {
  destroy();
}

void Variant::destroy() noexcept {
  switch (kind_) {
    case VarKind::String:
      delete str_;
      break;
    case VarKind::Object:
      obj_.~Ref();
      break;
    case VarKind::Array:
      arr_.~unique_ptr();
      break;
    default:
      break;
  }
  kind_ = VarKind::Empty;
  d_ = 0;
}

void Variant::copyFrom(const Variant& o) {
  switch (o.kind_) {
    case VarKind::String:
      str_ = new std::string(*o.str_);
      break;
    case VarKind::Object:
      new (&obj_) Ref<Dispatch>(o.obj_);
      break;
    case VarKind::Array:
      new (&arr_) std::unique_ptr<SafeArray>(std::make_unique<SafeArray>(*o.arr_));  // arrays are values
      break;
    case VarKind::Decimal:
      dec_ = o.dec_;
      break;
    default:
      d_ = o.d_;  // the whole scalar (or reference)
      break;
  }
  kind_ = o.kind_;
}

void Variant::moveFrom(Variant& o) noexcept {
  switch (o.kind_) {
    case VarKind::String:
      str_ = std::exchange(o.str_, nullptr);
      break;
    case VarKind::Object:
      new (&obj_) Ref<Dispatch>(std::move(o.obj_));
      break;
    case VarKind::Array:
      new (&arr_) std::unique_ptr<SafeArray>(std::move(o.arr_));
      break;
    case VarKind::Decimal:
      dec_ = o.dec_;
      break;
    default:
      d_ = o.d_;
      break;
  }
  kind_ = o.kind_;
  o.destroy();
}

VarKind Variant::kind() const {
  return deref().kind_;
}

bool Variant::isNumeric() const {
  switch (kind()) {
    case VarKind::Boolean:
    case VarKind::Byte:
    case VarKind::Integer:
    case VarKind::Long:
    case VarKind::Double:
    case VarKind::Decimal:
      return true;
    default:
      return false;
  }
}

const Variant& Variant::deref() const {
  return kind_ == VarKind::ByRef ? *ref_ : *this;
}
Variant& Variant::deref() {
  return kind_ == VarKind::ByRef ? *ref_ : *this;
}

void Variant::assign(const Variant& v) {
  Variant value(v.deref());
  deref() = std::move(value);
}

Ref<Dispatch> Variant::toObject() const {
  const Variant& v = deref();
  if (v.kind_ != VarKind::Object) raise(err::kObjectRequired);
  return v.obj_;
}

const SafeArray& Variant::array() const {
  const Variant& v = deref();
  if (v.kind_ != VarKind::Array) raise(err::kTypeMismatch);
  return *v.arr_;
}

SafeArray& Variant::array() {
  Variant& v = deref();
  if (v.kind_ != VarKind::Array) raise(err::kTypeMismatch);
  return *v.arr_;
}

double Variant::asDouble() const {
  const Variant& v = deref();
  if (v.kind_ != VarKind::Double && v.kind_ != VarKind::Date) raise(err::kTypeMismatch);
  return v.d_;
}

const std::string& Variant::asString() const {
  const Variant& v = deref();
  if (v.kind_ != VarKind::String) raise(err::kTypeMismatch);
  return *v.str_;
}

std::string Variant::debugString() const {
  const Variant& v = deref();
  std::string text = kind_ == VarKind::ByRef ? "ByRef " : "";
  text += kindName(v.kind_);
  switch (v.kind_) {
    case VarKind::Empty:
    case VarKind::Null:
    case VarKind::Missing:
      return text;
    case VarKind::String:
      return text + " \"" + *v.str_ + "\"";
    case VarKind::Object:
      return text + (v.obj_ ? "" : " Nothing");
    case VarKind::Array: {
      text += " (";
      for (int d = 1; d <= v.arr_->dims(); ++d) {
        if (d > 1) text += ", ";
        text += std::to_string(v.arr_->lbound(d)) + " To " + std::to_string(v.arr_->ubound(d));
      }
      return text + ")";
    }
    default:
      return text + " " + v.toString();
  }
}

}  // namespace mls::com

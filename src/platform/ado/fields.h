// The Fields collection of a Recordset and its Field objects.  Both refer to
// the recordset: a field read always shows the current record, and raises
// 3704 once the recordset is closed.
#pragma once

#include <cstddef>

#include "platform/ado/recordset.h"
#include "platform/com/dispatch.h"

namespace mls::ado {

class Field final : public com::DispatchObject {
 public:
  static constexpr com::Guid kIid{
      0x3FEFB3F2, 0xC02F, 0x492B, {0x85, 0x65, 0xF2, 0x23, 0xE0, 0xEE, 0x92, 0xCA}};
  static const com::TypeInfo& type();

  Field(com::Ref<Recordset> recordset, size_t index)
      : DispatchObject(type()), recordset_(std::move(recordset)), index_(index) {}

  const ColumnMeta& info() const { return recordset_->fieldInfo(index_); }
  const com::Variant& value() const { return recordset_->value(index_); }
  void setValue(const com::Variant& v) { recordset_->setValue(index_, v); }

 private:
  com::Ref<Recordset> recordset_;
  size_t index_;
};

class Fields final : public com::DispatchObject {
 public:
  static constexpr com::Guid kIid{
      0x6ED80F7E, 0x2C6F, 0x4CD8, {0xB6, 0x94, 0xC0, 0xC1, 0xF3, 0xFE, 0x8A, 0x02}};
  static const com::TypeInfo& type();

  explicit Fields(com::Ref<Recordset> recordset) : DispatchObject(type()), recordset_(std::move(recordset)) {}

  size_t count() const { return recordset_->fieldCount(); }
  // By 0-based index or by name; 3265 when there is no such field.
  com::Ref<Field> item(const com::Variant& indexOrName) const;

 private:
  com::Ref<Recordset> recordset_;
};

}  // namespace mls::ado

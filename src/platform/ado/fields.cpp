#include "platform/ado/fields.h"

#include "platform/ado/errors.h"

namespace mls::ado {

using com::Param;
using com::VarKind;

com::Ref<Field> Fields::item(const com::Variant& indexOrName) const {
  return com::makeObject<Field>(recordset_, recordset_->itemIndex(indexOrName));
}

const com::TypeInfo& Fields::type() {
  static const com::TypeInfo info = [] {
    com::TypeInfo t(kFieldsClass, kIid);
    t.propertyGet<Fields>("Count", {}, VarKind::Long,
                          [](Fields& f, com::Args) { return static_cast<int32_t>(f.count()); });
    t.propertyGet<Fields>("Item", {Param("Index")}, VarKind::Object, [](Fields& f, com::Args a) {
      return com::Variant(com::Ref<com::Dispatch>(f.item(a[0])));
    });
    return t;
  }();
  return info;
}

const com::TypeInfo& Field::type() {
  static const com::TypeInfo info = [] {
    com::TypeInfo t(kFieldClass, kIid);
    t.propertyGet<Field>("Name", {}, VarKind::String, [](Field& f, com::Args) { return f.info().name; });
    t.propertyGet<Field>("Value", {}, com::kAny, [](Field& f, com::Args) { return f.value(); });
    t.propertyLet<Field>("Value", {Param("Value")}, [](Field& f, com::Args a) { f.setValue(a[0]); });
    t.propertyGet<Field>("Type", {}, VarKind::Long,
                         [](Field& f, com::Args) { return static_cast<int32_t>(f.info().type); });
    t.propertyGet<Field>("DefinedSize", {}, VarKind::Long,
                         [](Field& f, com::Args) { return f.info().definedSize; });
    t.propertyGet<Field>("Precision", {}, VarKind::Byte,
                         [](Field& f, com::Args) { return f.info().precision; });
    t.propertyGet<Field>("NumericScale", {}, VarKind::Byte,
                         [](Field& f, com::Args) { return f.info().numericScale; });
    return t;
  }();
  return info;
}

}  // namespace mls::ado

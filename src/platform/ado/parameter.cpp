#include "platform/ado/parameter.h"

#include "platform/ado/errors.h"

namespace mls::ado {

namespace {

using com::Param;
using com::VarKind;

[[noreturn]] void invalid(const std::string& what) {
  raiseAdo(err::kInvalidArgument, kParameterClass, what);
}

uint8_t digits(int32_t n, const char* what) {
  if (n < 0 || n > 38) invalid(std::string(what) + " must be 0 to 38.");
  return static_cast<uint8_t>(n);
}

}  // namespace

Parameter::Parameter(std::string name, int32_t dataType, int32_t direction, int32_t size, com::Variant value)
    : DispatchObject(type()) {
  if (direction != kParamInput) invalid("Only input parameters (Direction 1) are supported.");
  data_.name = std::move(name);
  setType(dataType);
  setSize(size);
  setValue(std::move(value));
}

void Parameter::setType(int32_t dataType) {
  std::optional<DataType> t = dataTypeFromNumber(dataType);
  if (!t) invalid("Parameter type " + std::to_string(dataType) + " is not supported.");
  data_.type = *t;
}

void Parameter::setSize(int32_t size) {
  if (size < 0) invalid("Parameter size must not be negative.");
  data_.size = size;
}

void Parameter::setValue(com::Variant value) {
  if (value.isMissing()) value = com::Variant();
  data_.value = value.deref();
}

void Parameter::setPrecision(int32_t precision) {
  data_.precision = digits(precision, "Precision");
}

void Parameter::setNumericScale(int32_t scale) {
  data_.numericScale = digits(scale, "NumericScale");
}

void Parameters::append(com::Ref<Parameter> parameter) {
  if (!parameter) raiseAdo(err::kInvalidArgument, kParametersClass, "Append takes a Parameter object.");
  items_.push_back(std::move(parameter));
}

com::Ref<Parameter> Parameters::item(const com::Variant& indexOrName) const {
  if (indexOrName.kind() == VarKind::String) {
    for (const com::Ref<Parameter>& p : items_) {
      if (com::compareText(p->data().name, indexOrName.asString(), true) == 0) return p;
    }
  } else if (indexOrName.isNumeric()) {
    int32_t i = indexOrName.toLong();
    if (i >= 0 && static_cast<size_t>(i) < items_.size()) return items_[static_cast<size_t>(i)];
  }
  raiseAdo(com::err::kItemNotFound, kParametersClass);
}

const com::TypeInfo& Parameter::type() {
  static const com::TypeInfo info = [] {
    com::TypeInfo t(kParameterClass, kIid);
    using P = Parameter;
    t.propertyGet<P>("Name", {}, VarKind::String, [](P& p, com::Args) { return p.data().name; });
    t.propertyLet<P>("Name", {Param("Value", VarKind::String)},
                     [](P& p, com::Args a) { p.setName(a[0].asString()); });
    t.propertyGet<P>("Type", {}, VarKind::Long,
                     [](P& p, com::Args) { return static_cast<int32_t>(p.data().type); });
    t.propertyLet<P>("Type", {Param("Value", VarKind::Long)},
                     [](P& p, com::Args a) { p.setType(a[0].toLong()); });
    t.propertyGet<P>("Direction", {}, VarKind::Long, [](P&, com::Args) { return kParamInput; });
    t.propertyGet<P>("Size", {}, VarKind::Long, [](P& p, com::Args) { return p.data().size; });
    t.propertyLet<P>("Size", {Param("Value", VarKind::Long)},
                     [](P& p, com::Args a) { p.setSize(a[0].toLong()); });
    t.propertyGet<P>("Value", {}, com::kAny, [](P& p, com::Args) { return p.data().value; });
    t.propertyLet<P>("Value", {Param("Value")}, [](P& p, com::Args a) { p.setValue(a[0]); });
    t.propertyGet<P>("Precision", {}, VarKind::Byte, [](P& p, com::Args) { return p.data().precision; });
    t.propertyLet<P>("Precision", {Param("Value", VarKind::Long)},
                     [](P& p, com::Args a) { p.setPrecision(a[0].toLong()); });
    t.propertyGet<P>("NumericScale", {}, VarKind::Byte,
                     [](P& p, com::Args) { return p.data().numericScale; });
    t.propertyLet<P>("NumericScale", {Param("Value", VarKind::Long)},
                     [](P& p, com::Args a) { p.setNumericScale(a[0].toLong()); });
    return t;
  }();
  return info;
}

const com::TypeInfo& Parameters::type() {
  static const com::TypeInfo info = [] {
    com::TypeInfo t(kParametersClass, kIid);
    t.method<Parameters>(
        "Append", {Param("Object", VarKind::Object)}, com::kNoResult, [](Parameters& ps, com::Args a) {
          com::Ref<com::Dispatch> obj = a[0].toObject();
          auto* p = dynamic_cast<Parameter*>(obj.get());
          if (!p) raiseAdo(err::kInvalidArgument, kParametersClass, "Append takes a Parameter object.");
          ps.append(com::Ref<Parameter>(p));
        });
    t.propertyGet<Parameters>("Count", {}, VarKind::Long,
                              [](Parameters& ps, com::Args) { return static_cast<int32_t>(ps.count()); });
    t.propertyGet<Parameters>("Item", {Param("Index")}, VarKind::Object, [](Parameters& ps, com::Args a) {
      return com::Variant(com::Ref<com::Dispatch>(ps.item(a[0])));
    });
    return t;
  }();
  return info;
}

}  // namespace mls::ado

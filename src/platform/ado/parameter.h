// Command parameters: values bound to the `?` markers of a command's text, in
// the order they were appended.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ado/provider.h"
#include "platform/com/dispatch.h"

namespace mls::ado {

inline constexpr int32_t kParamInput = 1;

class Parameter final : public com::DispatchObject {
 public:
  static constexpr com::Guid kIid{
      0xA6459286, 0x49B4, 0x4E66, {0xA7, 0x61, 0xDD, 0x77, 0x86, 0xB9, 0x56, 0xF2}};
  static const com::TypeInfo& type();

  // Only input parameters exist: another direction raises 3001, as do an
  // unknown type number and a negative size.
  Parameter(std::string name, int32_t dataType, int32_t direction, int32_t size, com::Variant value);

  const ParameterValue& data() const { return data_; }
  void setName(std::string name) { data_.name = std::move(name); }
  void setType(int32_t dataType);
  void setSize(int32_t size);
  void setValue(com::Variant value);
  void setPrecision(int32_t precision);  // 0..38
  void setNumericScale(int32_t scale);   // 0..38

 private:
  ParameterValue data_;
};

class Parameters final : public com::DispatchObject {
 public:
  static constexpr com::Guid kIid{
      0x74080CFB, 0x2A1D, 0x45F5, {0x8E, 0x22, 0xBE, 0x1D, 0x3B, 0xCF, 0xD9, 0x51}};
  static const com::TypeInfo& type();

  Parameters() : DispatchObject(type()) {}

  void append(com::Ref<Parameter> parameter);  // Nothing raises 3001
  size_t count() const { return items_.size(); }
  // By 0-based index or by name (any case); 3265 when there is none.
  com::Ref<Parameter> item(const com::Variant& indexOrName) const;
  const std::vector<com::Ref<Parameter>>& items() const { return items_; }

 private:
  std::vector<com::Ref<Parameter>> items_;
};

}  // namespace mls::ado

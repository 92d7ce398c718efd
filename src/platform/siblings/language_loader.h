// Pelloran.Loader: the language resource loader.  ResFileBaseName names the
// resource set ("TaviCost") and LanguageID the language ("en", "cht"); LoadString
// answers the translation of a text keyed by its Chinese wording, read from the
// file <base>.<language>.txt of the resource folder (resource_table.h).
#pragma once

#include <optional>
#include <string>

#include "platform/com/dispatch.h"
#include "platform/siblings/resource_table.h"

namespace mls::siblings {

class LanguageLoader final : public com::DispatchObject {
 public:
  static constexpr const char* kProgId = "Pelloran.Loader";
  static constexpr com::Guid kClsid{
      0x2B7F0C61, 0x5A3E, 0x4C0D, {0x8E, 0x21, 0x50, 0x45, 0x4C, 0x4F, 0x52, 0x01}};
  static constexpr com::Guid kIid{
      0x2B7F0C62, 0x5A3E, 0x4C0D, {0x8E, 0x21, 0x50, 0x45, 0x4C, 0x4F, 0x52, 0x02}};
  static const com::TypeInfo& type();

  LanguageLoader() : DispatchObject(type()) {}

  const std::string& resFileBaseName() const { return baseName_; }
  void setResFileBaseName(std::string name);
  const std::string& languageId() const { return language_; }
  void setLanguageId(std::string language);

  // The translation of `text`.  Raises 5 when the base name or language is not
  // set, 53 when the resource file is missing, 326 when it has no translation
  // for the text.
  std::string loadString(const std::string& text);
  // Forgets the loaded resource file (the next LoadString reads it again).
  void unload() { table_.reset(); }

 private:
  std::string baseName_;
  std::string language_;
  std::optional<ResourceTable> table_;
};

}  // namespace mls::siblings

#include "platform/siblings/language_loader.h"

#include "platform/com/error.h"

namespace mls::siblings {
namespace {

using com::Param;
using com::VarKind;

constexpr const char* kSource = "Pelloran.Loader";
constexpr int32_t kResourceNotFound = 326;

}  // namespace

const com::TypeInfo& LanguageLoader::type() {
  static const com::TypeInfo info = [] {
    com::TypeInfo t(kProgId, kIid);
    t.propertyGet<LanguageLoader>("ResFileBaseName", {}, VarKind::String,
                                  [](LanguageLoader& l, com::Args) { return l.resFileBaseName(); })
        .propertyLet<LanguageLoader>(
            "ResFileBaseName", {Param("Name", VarKind::String)},
            [](LanguageLoader& l, com::Args a) { l.setResFileBaseName(a[0].asString()); })
        .propertyGet<LanguageLoader>("LanguageID", {}, VarKind::String,
                                     [](LanguageLoader& l, com::Args) { return l.languageId(); })
        .propertyLet<LanguageLoader>("LanguageID", {Param("Language", VarKind::String)},
                                     [](LanguageLoader& l, com::Args a) { l.setLanguageId(a[0].asString()); })
        .method<LanguageLoader>("LoadString", {Param("Text", VarKind::String)}, VarKind::String,
                                [](LanguageLoader& l, com::Args a) { return l.loadString(a[0].asString()); })
        .method<LanguageLoader>("Unload", {}, com::kNoResult,
                                [](LanguageLoader& l, com::Args) { l.unload(); });
    return t;
  }();
  return info;
}

void LanguageLoader::setResFileBaseName(std::string name) {
  if (name != baseName_) table_.reset();
  baseName_ = std::move(name);
}

void LanguageLoader::setLanguageId(std::string language) {
  if (language != language_) table_.reset();
  language_ = std::move(language);
}

std::string LanguageLoader::loadString(const std::string& text) {
  if (baseName_.empty() || language_.empty()) {
    com::raise(com::err::kInvalidCall, kSource,
               "ResFileBaseName and LanguageID must be set before LoadString");
  }
  if (!table_) {
    table_ = ResourceTable::load(resourceFolder() / (baseName_ + "." + com::foldCase(language_) + ".txt"));
  }
  std::optional<std::string> translation = table_->find(text);
  if (!translation) {
    com::raise(kResourceNotFound, kSource,
               "Resource with identifier '" + text + "' not found in " + baseName_ + "." + language_);
  }
  return *translation;
}

}  // namespace mls::siblings

#include <exception>

#include "frame/lang_text.h"
#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/registry.h"
#include "platform/common/ascii_text.h"
#include "platform/halvern/text_utility.h"

namespace mls::frame {
namespace {

constexpr const char* kLoaderProgId = "Pelloran.Loader";
constexpr const char* kResourceBaseName = "TaviCost";

com::Ref<com::Dispatch>& threadLoader() {
  thread_local com::Ref<com::Dispatch> loader;
  return loader;
}

std::string translate(std::string_view text, std::string_view language) {
  com::Ref<com::Dispatch>& loader = threadLoader();
  if (!loader) loader = com::createObject(kLoaderProgId);
  if (com::getProperty(*loader, "ResFileBaseName").toString() != kResourceBaseName) {
    com::letProperty(*loader, "ResFileBaseName", kResourceBaseName);
  }
  if (com::getProperty(*loader, "LanguageID").toString() != language) {
    com::letProperty(*loader, "LanguageID", language);
  }
  if (language == "chs") return std::string(text);
  return com::callByName(*loader, "LoadString", ascii::trimSpaces(text)).toString();
}

}  // namespace

std::string langText(std::string_view text, std::string_view language) {
  const com::ExcepInfo pending = com::currentError();
  std::string answer;
  try {
    answer = translate(text, language);
  } catch (const std::exception&) {
    answer = std::string(text);
  }
  com::currentError() = pending;
  return answer;
}

std::string langTextFormat(std::string_view language, std::string_view text, const com::Variant& args) {
  return halvern::TextUtility::fillPlaceholders(langText(text, language), args);
}

void unloadLanguageLoader() {
  com::Ref<com::Dispatch> loader = std::move(threadLoader());
  if (!loader) return;
  const com::ExcepInfo pending = com::currentError();
  try {
    com::callByName(*loader, "Unload");
  } catch (const std::exception&) {
    // The loader goes anyway.
  }
  com::currentError() = pending;
}

}  // namespace mls::frame

#include "platform/siblings/resource_table.h"

#include <cstdlib>
#include <fstream>

#include "platform/com/error.h"

namespace mls::siblings {
namespace {

constexpr const char* kSource = "Pelloran.Loader";

[[noreturn]] void badLine(const std::filesystem::path& file, int line, const std::string& why) {
  com::raise(com::err::kInvalidCall, kSource, file.string() + ", line " + std::to_string(line) + ": " + why);
}

std::string unescape(std::string_view text, const std::filesystem::path& file, int line) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) badLine(file, line, "a backslash ends the line");
    switch (text[i]) {
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case '\\':
        out += '\\';
        break;
      default:
        badLine(file, line, std::string("unknown escape \\") + text[i]);
    }
  }
  return out;
}

}  // namespace

ResourceTable ResourceTable::load(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) com::raise(53, kSource, "File not found: " + file.string());
  ResourceTable table;
  std::string text;
  int line = 0;
  while (std::getline(in, text)) {
    ++line;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (text.empty() || text[0] == '#') continue;
    size_t tab = text.find('\t');
    if (tab == std::string::npos) badLine(file, line, "no tab between the text and its translation");
    std::string key = unescape(std::string_view(text).substr(0, tab), file, line);
    std::string value = unescape(std::string_view(text).substr(tab + 1), file, line);
    if (!table.texts_.emplace(key, std::move(value)).second) {
      com::raise(
          com::err::kKeyInUse, kSource,
          file.string() + ", line " + std::to_string(line) + ": the text '" + key + "' is given twice");
    }
  }
  return table;
}

std::optional<std::string> ResourceTable::find(std::string_view key) const {
  auto it = texts_.find(std::string(key));
  if (it == texts_.end()) return std::nullopt;
  return it->second;
}

std::filesystem::path resourceFolder() {
  if (const char* env = std::getenv("MARLSTONE_RESOURCES"); env && *env) return env;
  return MLS_RESOURCE_DIR;
}

}  // namespace mls::siblings

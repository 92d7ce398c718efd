// One language's resource file: the translations of the system's texts, keyed
// by their Chinese wording.  The file is UTF-8 text, one entry per line: the
// key, a tab, the translation.  Blank lines and lines starting with '#' are
// ignored; "\t", "\n", "\r" and "\\" stand for a tab, a line feed, a carriage
// return and a backslash in keys and translations.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace mls::siblings {

class ResourceTable {
 public:
  // Reads a file; a missing file raises 53, a line without a tab or with an
  // unknown escape 5 (naming the file and line), a key given twice 457.
  static ResourceTable load(const std::filesystem::path& file);

  // The translation of `key`, when the file has one.
  std::optional<std::string> find(std::string_view key) const;
  size_t size() const { return texts_.size(); }

 private:
  std::unordered_map<std::string, std::string> texts_;
};

// The folder the resource files live in: $MARLSTONE_RESOURCES when set, else
// the folder the build installed them in.
std::filesystem::path resourceFolder();

}  // namespace mls::siblings

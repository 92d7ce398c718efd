// The registry file: which library serves which class, shared by every process
// of the user.  One class per line, fields separated by tabs:
//
//   Marlstone.CalInfo<TAB>{E6161E5E-956A-11D7-9E78-00E01869F6B0}<TAB>/path/libmarlstone.so
//
// Blank lines and lines starting with '#' are ignored.  The file's location is
// $MARLSTONE_REGISTRY, else $HOME/.config/marlstone/registry.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/unknown.h"

namespace mls::com {

struct RegistryRecord {
  std::string progId;
  Guid clsid;
  std::string library;
  friend bool operator==(const RegistryRecord&, const RegistryRecord&) = default;
};

class RegistryFile {
 public:
  explicit RegistryFile(std::filesystem::path path) : path_(std::move(path)) {}
  // The file named by the environment (see above).
  static RegistryFile fromEnvironment();

  const std::filesystem::path& path() const { return path_; }
  // All records; none when the file does not exist.  A malformed line raises
  // 321 naming the file and line.
  std::vector<RegistryRecord> read() const;
  // The record of `progId` (ignoring case).
  std::optional<RegistryRecord> find(std::string_view progId) const;
  // Adds the records, replacing those with the same ProgID or CLSID.  Creates
  // the file and its folder when needed; a write failure raises 75.
  void add(const std::vector<RegistryRecord>& records) const;
  // Removes the records of these CLSIDs.
  void remove(const std::vector<Guid>& clsids) const;

 private:
  void write(const std::vector<RegistryRecord>& records) const;
  std::filesystem::path path_;
};

}  // namespace mls::com

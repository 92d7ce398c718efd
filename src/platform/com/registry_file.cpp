#include "platform/com/registry_file.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/com/error.h"
#include "platform/com/regular_file.h"
#include "platform/com/variant.h"

namespace mls::com {
namespace {

using err::kFileAccess;
using err::kInvalidFileFormat;
constexpr const char* kSource = "Marlstone.Registry";
// A registry holds a line per class: a megabyte is thousands of classes.
constexpr uint64_t kMaxRegistryBytes = 1 << 20;

[[noreturn]] void raiseAccess(const std::filesystem::path& path, const std::string& what) {
  raise(kFileAccess, kSource, "Cannot " + what + " registry file " + path.string());
}

bool sameProgId(std::string_view a, std::string_view b) {
  return compareText(a, b, true) == 0;
}

}  // namespace

RegistryFile RegistryFile::fromEnvironment() {
  if (const char* env = std::getenv("MARLSTONE_REGISTRY"); env && *env) return RegistryFile(env);
  const char* home = std::getenv("HOME");
  std::filesystem::path base = home && *home ? std::filesystem::path(home) : std::filesystem::current_path();
  return RegistryFile(base / ".config" / "marlstone" / "registry");
}

std::vector<RegistryRecord> RegistryFile::read() const {
  std::vector<RegistryRecord> records;
  std::optional<std::string> text =
      readRegularFile(path_, kMaxRegistryBytes, kFileAccess, kSource, "registry file");
  if (!text) return records;
  std::istringstream in(std::move(*text));
  std::string line;
  for (int lineNo = 1; std::getline(in, line); ++lineNo) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    size_t t1 = line.find('\t');
    size_t t2 = t1 == std::string::npos ? t1 : line.find('\t', t1 + 1);
    std::optional<Guid> clsid;
    if (t2 != std::string::npos) clsid = Guid::parse(line.substr(t1 + 1, t2 - t1 - 1));
    if (t1 == 0 || !clsid || t2 + 1 >= line.size()) {
      raise(kInvalidFileFormat, kSource,
            "Registry file " + path_.string() + " line " + std::to_string(lineNo) +
                ": expected ProgID, CLSID and library path separated by tabs");
    }
    records.push_back({line.substr(0, t1), *clsid, line.substr(t2 + 1)});
  }
  return records;
}

std::optional<RegistryRecord> RegistryFile::find(std::string_view progId) const {
  for (RegistryRecord& r : read()) {
    if (sameProgId(r.progId, progId)) return std::move(r);
  }
  return std::nullopt;
}

void RegistryFile::add(const std::vector<RegistryRecord>& records) const {
  for (const RegistryRecord& n : records) {
    if (n.progId.empty() || n.progId.find_first_of("\t\r\n#") != std::string::npos || n.library.empty() ||
        n.library.find_first_of("\r\n") != std::string::npos) {
      raise(err::kInvalidCall, kSource, "Cannot register class '" + n.progId + "' from '" + n.library + "'");
    }
  }
  std::vector<RegistryRecord> all = read();
  for (const RegistryRecord& n : records) {
    std::erase_if(
        all, [&](const RegistryRecord& r) { return sameProgId(r.progId, n.progId) || r.clsid == n.clsid; });
    all.push_back(n);
  }
  write(all);
}

void RegistryFile::remove(const std::vector<Guid>& clsids) const {
  std::vector<RegistryRecord> all = read();
  std::erase_if(all, [&](const RegistryRecord& r) {
    return std::find(clsids.begin(), clsids.end(), r.clsid) != clsids.end();
  });
  write(all);
}

// Writes a sibling file and renames it over the old one, so that a reader
// never sees half a file.
void RegistryFile::write(const std::vector<RegistryRecord>& records) const {
  std::error_code ec;
  if (path_.has_parent_path()) std::filesystem::create_directories(path_.parent_path(), ec);
  if (ec) raiseAccess(path_, "create the folder of the");
  std::filesystem::path tmp = path_;
  tmp += ".tmp" + std::to_string(::getpid());
  {
    std::ofstream out(tmp, std::ios::trunc);
    out << "# Marlstone class registry: ProgID, CLSID, library\n";
    for (const RegistryRecord& r : records) {
      out << r.progId << '\t' << r.clsid.toString() << '\t' << r.library << '\n';
    }
    out.close();
    if (!out) {
      std::filesystem::remove(tmp, ec);
      raiseAccess(path_, "write");
    }
  }
  std::filesystem::rename(tmp, path_, ec);
  if (ec) {
    std::filesystem::remove(tmp, ec);
    raiseAccess(path_, "replace");
  }
}

}  // namespace mls::com

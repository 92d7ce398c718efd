// The class registry: ProgID <-> CLSID <-> factory.  createObject() looks in the
// process's own table first (classes linked into this module), then in the
// registry file, whose library it loads to ask for a class factory.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/registry_file.h"
#include "platform/com/unknown.h"

namespace mls::com {

struct ClassEntry {
  std::string progId;
  Guid clsid;
  std::function<Ref<Dispatch>()> create;
};

// The classes this module serves in process.  ProgIDs compare ignoring case.
class ClassRegistry {
 public:
  static ClassRegistry& instance();

  // Adds a class, replacing an entry with the same ProgID or CLSID.
  void add(ClassEntry entry);
  void remove(std::string_view progId);
  // A copy of the entry (nullopt when unknown).
  std::optional<ClassEntry> findProgId(std::string_view progId) const;
  std::optional<ClassEntry> findClsid(const Guid& clsid) const;

 private:
  mutable std::mutex mutex_;
  std::vector<ClassEntry> entries_;
};

// Creates an object by ProgID: in process when the class is in
// ClassRegistry::instance(), else through RegistryFile::fromEnvironment().
// An unknown ProgID, or a library that cannot be loaded or does not make the
// object, raises 429.
Ref<Dispatch> createObject(std::string_view progId);
// The same with an explicit registry file for classes not in process.
Ref<Dispatch> createObject(std::string_view progId, const RegistryFile& file);

// Loads a library (once per path; libraries stay loaded) and answers the
// address of one of its exports; raises 429 when either is missing.
void* libraryExport(const std::string& library, const char* name);

}  // namespace mls::com

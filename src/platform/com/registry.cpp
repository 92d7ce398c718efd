#include "platform/com/registry.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "platform/com/class_factory.h"
#include "platform/com/error.h"
#include "platform/com/regular_file.h"
#include "platform/com/variant.h"

namespace mls::com {
namespace {

constexpr const char* kSource = "Marlstone.Registry";
// No library of classes comes near this; a larger file is not one.
constexpr uint64_t kMaxLibraryBytes = uint64_t{1} << 30;

bool sameProgId(std::string_view a, std::string_view b) {
  return compareText(a, b, true) == 0;
}

std::string hresultText(HResult hr) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(hr));
  return buf;
}

[[noreturn]] void cannotCreate(std::string_view progId, const std::string& why) {
  raise(err::kCannotCreateObject, kSource, "Cannot create object '" + std::string(progId) + "': " + why);
}

}  // namespace

ClassRegistry& ClassRegistry::instance() {
  static ClassRegistry registry;
  return registry;
}

void ClassRegistry::add(ClassEntry entry) {
  std::lock_guard lock(mutex_);
  std::erase_if(entries_, [&](const ClassEntry& e) {
    return sameProgId(e.progId, entry.progId) || e.clsid == entry.clsid;
  });
  entries_.push_back(std::move(entry));
}

void ClassRegistry::remove(std::string_view progId) {
  std::lock_guard lock(mutex_);
  std::erase_if(entries_, [&](const ClassEntry& e) { return sameProgId(e.progId, progId); });
}

std::optional<ClassEntry> ClassRegistry::findProgId(std::string_view progId) const {
  std::lock_guard lock(mutex_);
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [&](const ClassEntry& e) { return sameProgId(e.progId, progId); });
  if (it == entries_.end()) return std::nullopt;
  return *it;
}

std::optional<ClassEntry> ClassRegistry::findClsid(const Guid& clsid) const {
  std::lock_guard lock(mutex_);
  auto it =
      std::find_if(entries_.begin(), entries_.end(), [&](const ClassEntry& e) { return e.clsid == clsid; });
  if (it == entries_.end()) return std::nullopt;
  return *it;
}

void* libraryExport(const std::string& library, const char* name) {
  static std::mutex mutex;
  static std::map<std::string, void*> handles;
  std::lock_guard lock(mutex);
  void*& handle = handles[library];
  if (!handle) {
    // Only the regular file at the path is loaded (a bare name is in the
    // current folder, never searched for), and only after it is seen to be one.
    RegularFile file = openRegularFile(library, kMaxLibraryBytes);
    if (file.problem != FileProblem::None) {
      handles.erase(library);
      raise(err::kCannotCreateObject, kSource, "Cannot load library " + library + ": " + file.why);
    }
    const std::string at = library.find('/') == std::string::npos ? "./" + library : library;
    handle = ::dlopen(at.c_str(), RTLD_NOW | RTLD_LOCAL);
    ::close(file.fd);
  }
  if (!handle) {
    const char* why = ::dlerror();
    handles.erase(library);
    raise(err::kCannotCreateObject, kSource,
          "Cannot load library " + library + ": " + (why ? why : "unknown error"));
  }
  void* symbol = ::dlsym(handle, name);
  if (!symbol) {
    raise(err::kCannotCreateObject, kSource, "Library " + library + " does not export " + name);
  }
  return symbol;
}

Ref<Dispatch> createObject(std::string_view progId) {
  return createObject(progId, RegistryFile::fromEnvironment());
}

Ref<Dispatch> createObject(std::string_view progId, const RegistryFile& file) {
  if (std::optional<ClassEntry> entry = ClassRegistry::instance().findProgId(progId)) {
    Ref<Dispatch> obj = entry->create();
    if (!obj) cannotCreate(progId, "its factory made no object");
    return obj;
  }
  std::optional<RegistryRecord> record = file.find(progId);
  if (!record) cannotCreate(progId, "the class is not registered in " + file.path().string());

  auto getClassObject =
      reinterpret_cast<DllGetClassObjectFn>(libraryExport(record->library, "DllGetClassObject"));
  void* p = nullptr;
  HResult hr = getClassObject(record->clsid, kIidClassFactory, &p);
  if (hr != kOk || !p) {
    cannotCreate(
        progId, record->library + " has no class " + record->clsid.toString() + " (" + hresultText(hr) + ")");
  }
  Ref<ClassFactory> factory = Ref<ClassFactory>::adopt(static_cast<ClassFactory*>(p));
  p = nullptr;
  hr = factory->createInstance(kIidDispatch, &p);
  if (hr != kOk || !p) cannotCreate(progId, "the class factory failed (" + hresultText(hr) + ")");
  return Ref<Dispatch>::adopt(static_cast<Dispatch*>(p));
}

}  // namespace mls::com

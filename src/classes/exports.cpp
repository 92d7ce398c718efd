// The four functions libmarlstone.so exports; everything else in the library is
// local to it (exports.map).  No exception leaves these functions: failures are
// answered as HResults (run-time error numbers as 0x800A0000 + number).
#include <dlfcn.h>

#include <filesystem>

#include "classes/library.h"
#include "platform/com/class_factory.h"
#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/registry_file.h"

using namespace mls;
using com::HResult;

namespace {

HResult failure() {
  try {
    throw;
  } catch (const com::ComError& e) {
    return com::hresultFromError(e.number());
  } catch (...) {
    return com::kFail;
  }
}

// The library's own file, as the loader found it.
std::string libraryPath() {
  Dl_info info{};
  if (!::dladdr(reinterpret_cast<void*>(&libraryPath), &info) || !info.dli_fname) {
    com::raise(com::err::kCannotCreateObject, "Marlstone.Registry", "Cannot find the library's own path");
  }
  return std::filesystem::absolute(info.dli_fname).lexically_normal().string();
}

}  // namespace

extern "C" HResult DllGetClassObject(const com::Guid& clsid, const com::Guid& iid, void** out) {
  if (!out) return com::kPointer;
  *out = nullptr;
  try {
    for (const com::ClassEntry& e : classes::libraryClasses()) {
      if (e.clsid != clsid) continue;
      classes::registerInProcess();
      return com::makeClassFactory(e.create)->queryInterface(iid, out);
    }
    return com::kClassNotAvailable;
  } catch (...) {
    return failure();
  }
}

extern "C" HResult DllCanUnloadNow() {
  return com::DispatchObject::liveObjects() == 0 && com::serverLocks() == 0 ? com::kOk : com::kFalse;
}

extern "C" HResult DllRegisterServer() {
  try {
    std::string path = libraryPath();
    std::vector<com::RegistryRecord> records;
    for (const com::ClassEntry& e : classes::libraryClasses())
      records.push_back({e.progId, e.clsid, path});
    com::RegistryFile::fromEnvironment().add(records);
    return com::kOk;
  } catch (...) {
    return failure();
  }
}

extern "C" HResult DllUnregisterServer() {
  try {
    std::vector<com::Guid> clsids;
    for (const com::ClassEntry& e : classes::libraryClasses())
      clsids.push_back(e.clsid);
    com::RegistryFile::fromEnvironment().remove(clsids);
    return com::kOk;
  } catch (...) {
    return failure();
  }
}

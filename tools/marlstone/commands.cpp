#include "commands.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <vector>

#include "arguments.h"
#include "demo_database.h"
#include "platform/com/class_factory.h"
#include "platform/com/declaration.h"
#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/object_context.h"
#include "platform/com/registry.h"
#include "platform/com/registry_file.h"
#include "printing.h"

namespace mls::host {
namespace {

using com::ComError;
using com::Variant;

// Multi-line sources (names joined by CR LF) print one name per line.
std::string printable(std::string text) {
  std::erase(text, '\r');
  return text;
}

// The error, then the data provider's own errors behind it (the server's
// numbers: 4060, 3202, ...), one a line.
int report(const ComError& e) {
  std::cout.flush();
  std::cerr << "error " << e.number() << " (" << printable(e.source()) << "): " << printable(e.description())
            << "\n";
  for (const com::ProviderError& p : e.providerErrors()) {
    std::cerr << "  native error " << p.nativeError << " (" << p.source << ", SQLSTATE " << p.sqlState
              << "): " << printable(p.description) << "\n";
  }
  if (e.number() == com::err::kCannotCreateObject &&
      e.description().find("not registered") != std::string::npos)
    std::cerr << "(the library's classes are registered with: marlstone register)\n";
  return 1;
}

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec);
}

// Runs one of the library's registration exports.  The registry is read here
// first: an export answers only an error number, and the registry's own
// reason (a malformed line, not a regular file) belongs on the user's screen.
int runRegistration(const std::string& library, const char* exportName) {
  try {
    com::RegistryFile::fromEnvironment().read();
    auto fn = reinterpret_cast<com::DllRegisterServerFn>(com::libraryExport(library, exportName));
    if (com::HResult hr = fn(); hr != com::kOk) {
      int32_t number = com::errorFromHresult(hr);
      return report(ComError(number, library,
                             std::string(exportName) + " failed: " + com::standardDescription(number)));
    }
  } catch (const ComError& e) {
    return report(e);
  }
  return 0;
}

std::vector<com::RegistryRecord> recordsOf(const com::RegistryFile& file, const std::string& library) {
  std::vector<com::RegistryRecord> mine;
  for (com::RegistryRecord& r : file.read()) {
    if (sameFile(r.library, library)) mine.push_back(std::move(r));
  }
  return mine;
}

void printVotes(const com::VoteRecorder& votes) {
  std::cout << "votes:";
  if (votes.votes().empty()) std::cout << " none";
  for (com::Vote v : votes.votes())
    std::cout << ' ' << com::voteName(v);
  std::cout << "\n";
}

}  // namespace

std::string libraryPath() {
  if (const char* env = std::getenv("MARLSTONE_LIBRARY"); env && *env) return env;
  return MLS_CORE_LIBRARY;
}

int registerLibrary(const std::string& library) {
  if (int status = runRegistration(library, "DllRegisterServer")) return status;
  try {
    com::RegistryFile file = com::RegistryFile::fromEnvironment();
    std::cout << "registered in " << file.path().string() << ":\n";
    for (const com::RegistryRecord& r : recordsOf(file, library)) {
      std::cout << "  " << r.progId << ' ' << r.clsid.toString() << "\n";
    }
  } catch (const ComError& e) {
    return report(e);
  }
  return 0;
}

int unregisterLibrary(const std::string& library) {
  if (int status = runRegistration(library, "DllUnregisterServer")) return status;
  std::cout << "unregistered from " << com::RegistryFile::fromEnvironment().path().string() << "\n";
  return 0;
}

int callMember(const std::string& progId, const std::string& member, std::span<const std::string> args) {
  // Every argument is a variable passed by reference, as a client passes its
  // variables; omitted trailing by-reference parameters get Empty variables so
  // that their values can be shown.
  com::VoteRecorder votes;
  int status = 0;
  std::vector<Variant> values;
  const com::TypeInfo::Member* info = nullptr;
  try {
    for (const std::string& a : args)
      values.push_back(parseArgument(a));
    com::Ref<com::Dispatch> obj = com::createObject(progId);
    if (const com::TypeInfo* type = com::typeInfoOf(*obj)) info = type->find(member, com::kMethodOrGet);
    if (info) {
      const std::vector<com::Param>& params = info->info.params;
      size_t last = values.size();
      for (size_t i = values.size(); i < params.size(); ++i) {
        if (params[i].byRef && !params[i].optional) last = i + 1;
      }
      for (size_t i = values.size(); i < last; ++i)
        values.push_back(params[i].optional ? Variant::missing() : Variant());
    }
    std::vector<Variant> refs;
    for (Variant& v : values)
      refs.push_back(Variant::byRef(&v));
    Variant result = com::invokeByName(*obj, member, com::kMethodOrGet, refs);
    if (!info || info->info.result != com::kNoResult) printValue(std::cout, "result", result);
  } catch (const ComError& e) {
    status = report(e);
  }
  if (info) {
    for (size_t i = 0; i < values.size() && i < info->info.params.size(); ++i) {
      const com::Param& p = info->info.params[i];
      if (p.byRef) printValue(std::cout, p.name, values[i]);
    }
  }
  printVotes(votes);
  return status;
}

int printMembers(const std::string& progId) {
  try {
    com::Ref<com::Dispatch> obj = com::createObject(progId);
    const com::TypeInfo* type = com::typeInfoOf(*obj);
    if (!type) {
      return report(ComError(com::err::kNoSuchMember, progId, "The object does not describe its members"));
    }
    const std::vector<com::TypeInfo::Member>& members = type->members();
    std::cout << progId << ": " << members.size() << (members.size() == 1 ? " member" : " members") << "\n";
    for (const com::TypeInfo::Member& m : members)
      std::cout << "  " << com::declarationOf(m.info) << "\n";
  } catch (const ComError& e) {
    return report(e);
  }
  return 0;
}

int demo(const PlantDemo& plant) {
  // The demo keeps its registrations in the build tree unless told otherwise.
  if (const char* env = std::getenv("MARLSTONE_REGISTRY"); !env || !*env) {
    ::setenv("MARLSTONE_REGISTRY", MLS_BUILD_REGISTRY, 1);
  }
  std::string library = libraryPath();
  if (int status = registerLibrary(library)) return status;
  try {
    checkPlantDatabase(plant.database);
    std::cout << "\nHalvern.Dictionary created by ProgID through the registry\n";
    com::Ref<com::Dispatch> dictionary = com::createObject("Halvern.Dictionary");
    com::letProperty(*dictionary, "Item", "Language", "en");
    Variant language = com::getProperty(*dictionary, "Item", "Language");
    std::cout << "  Item(\"Language\") = \"en\"; read back: " << language.toString() << "\n";

    std::cout << "\npublic classes created by ProgID:\n";
    int created = 0;
    for (const com::RegistryRecord& r : recordsOf(com::RegistryFile::fromEnvironment(), library)) {
      if (!r.progId.starts_with("Marlstone.")) continue;
      com::Ref<com::Dispatch> obj = com::createObject(r.progId);
      std::cout << "  " << r.progId << ' ' << r.clsid.toString() << " ok\n";
      ++created;
    }
    std::cout << created << " public classes registered and created\n";
    if (created != 7) return 1;

    std::cout << "\ndemo database: the system schema, 12 periods starting on the 26th, the cost module\n"
                 "started in period 4 of 2024 and now in period 6 (built with ConcludeUpdate.UpdateBatch)\n";
    buildDemoDatabase();
    printDemoPeriods("en");
    printDemoPeriods("chs");
    runPlantDemo(plant.database, plant);
    std::cout << "\nthe plant's database is in " << plant.database
              << "; tools/tsql/tsql-shell of the same build opens it\n";
    return 0;
  } catch (const ComError& e) {
    return report(e);
  }
}

}  // namespace mls::host

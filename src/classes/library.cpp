#include "classes/library.h"

#include <mutex>

#include "classes/auto_dis.h"
#include "classes/auto_dis_info.h"
#include "classes/cal_info.h"
#include "classes/cal_info_check.h"
#include "classes/conclude_info.h"
#include "classes/conclude_update.h"
#include "classes/wconclude_info.h"
#include "platform/halvern/dictionary.h"
#include "platform/halvern/list.h"
#include "platform/siblings/sibling_classes.h"
#ifdef MLS_HAVE_SQLSERVER
#include "platform/odbc/odbc_provider.h"
#endif

namespace mls::classes {
namespace {

// The foundation library's classes are served by this library too.
constexpr com::Guid kClsidDictionary{
    0x6D4C5311, 0x0001, 0x4B1A, {0x9E, 0x30, 0x48, 0x41, 0x4C, 0x56, 0x44, 0x01}};
constexpr com::Guid kClsidList{0x6D4C5311, 0x0002, 0x4B1A, {0x9E, 0x30, 0x48, 0x41, 0x4C, 0x56, 0x4C, 0x02}};

template <class T>
com::ClassEntry publicClass() {
  return {T::kProgId, T::kClsid, [] { return com::Ref<com::Dispatch>(com::makeObject<T>()); }};
}

}  // namespace

const std::vector<com::ClassEntry>& libraryClasses() {
  static const std::vector<com::ClassEntry> classes = [] {
    std::vector<com::ClassEntry> all{
        publicClass<CalInfo>(),
        publicClass<CalInfoCheck>(),
        publicClass<ConcludeInfo>(),
        publicClass<ConcludeUpdate>(),
        publicClass<AutoDis>(),
        publicClass<AutoDisInfo>(),
        publicClass<WConcludeInfo>(),
        {"Halvern.Dictionary", kClsidDictionary, halvern::createDictionary},
        {"Halvern.List", kClsidList, halvern::createList},
    };
    // The sibling components (the period component, the language loader).
    const std::vector<com::ClassEntry>& components = siblings::siblingClasses();
    all.insert(all.end(), components.begin(), components.end());
    return all;
  }();
  return classes;
}

void registerInProcess() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (const com::ClassEntry& e : libraryClasses())
      com::ClassRegistry::instance().add(e);
#ifdef MLS_HAVE_SQLSERVER
    // Connection strings naming SQL Server's providers, or MSDASQL with an ODBC
    // data source, reach a real server.
    odbc::registerOdbcProviders();
#endif
  });
}

}  // namespace mls::classes

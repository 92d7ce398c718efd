#include "support/public_class_test.h"

#include <stdlib.h>

#include "classes/library.h"

namespace mls::testing {

void PublicClassTest::open(const std::string& progId) {
  ::unsetenv("MARLSTONE_RESOURCES");
  classes::registerInProcess();
  db_.runSchemaFile("erp.sql");
  object_ = com::createObject(progId);
}

com::Variant PublicClassTest::callOn(com::Dispatch& obj, const std::string& props, const std::string& member,
                                     std::vector<com::Variant> args) {
  args.insert(args.begin(), com::Variant(props));
  return com::invokeByName(obj, member, com::kMethodOrGet, args);
}

com::Variant PublicClassTest::callWith(const std::string& props, const std::string& member,
                                       std::vector<com::Variant> args) {
  return callOn(*object_, props, member, std::move(args));
}

com::Variant PublicClassTest::call(const std::string& member, std::vector<com::Variant> args) {
  return callWith(db_.props("en"), member, std::move(args));
}

com::ExcepInfo PublicClassTest::failure(const std::string& member, std::vector<com::Variant> args) {
  return failureOf(member, [&] { call(member, std::move(args)); });
}

}  // namespace mls::testing

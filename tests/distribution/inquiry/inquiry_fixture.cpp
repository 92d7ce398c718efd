#include "inquiry_fixture.h"

#include <stdlib.h>

#include "classes/library.h"
#include "frame/sql_literal.h"
#include "platform/ado/connection.h"

namespace mls::testing {

using frame::sqlNumber;
using frame::sqlText;

void InquiryTest::SetUp() {
  ::unsetenv("MARLSTONE_RESOURCES");
  classes::registerInProcess();
  db_.runSchemaFile("erp.sql");
  info_ = com::createObject("Marlstone.ConcludeInfo");
}

com::Variant InquiryTest::callWith(const std::string& props, const std::string& member,
                                   std::vector<com::Variant> args) {
  args.insert(args.begin(), com::Variant(props));
  return com::invokeByName(*info_, member, com::kMethodOrGet, args);
}

com::Variant InquiryTest::call(const std::string& member, std::vector<com::Variant> args) {
  return callWith(db_.props("en"), member, std::move(args));
}

com::ExcepInfo InquiryTest::failure(const std::string& member, std::vector<com::Variant> args) {
  try {
    call(member, std::move(args));
  } catch (const com::ComError& e) {
    return e.info();
  }
  ADD_FAILURE() << member << " did not fail";
  return {};
}

com::ExcepInfo InquiryTest::engineError(const std::string& sql) const {
  com::Ref<ado::Connection> c = com::makeObject<ado::Connection>();
  c->open(db_.connectString());
  try {
    c->execute(sql);
  } catch (const com::ComError& e) {
    c->close();
    return e.info();
  }
  ADD_FAILURE() << "the engine ran " << sql;
  return {};
}

std::string InquiryTest::recordedProps(std::shared_ptr<Recording> log) const {
  recordBatchesInto(std::move(log));
  return "ConnectString={Provider=Test.Recording;Data Source=" + db_.name() + "};Language=en";
}

void InquiryTest::item(int id, const std::string& number, const std::string& name,
                       const com::Variant& erpClass) const {
  exec("INSERT INTO t_ICItem (FItemID, FNumber, FName, FErpClsID) VALUES (" + sqlNumber(id) + ", " +
       sqlText(number) + ", " + sqlText(name) + ", " +
       (erpClass.isNull() ? "NULL" : sqlNumber(erpClass.toLong())) + ")");
}

void InquiryTest::group(int id, const std::string& number) const {
  exec("INSERT INTO cbCostObjGroup (FItemID, FNumber) VALUES (" + sqlNumber(id) + ", " + sqlText(number) +
       ")");
}

}  // namespace mls::testing

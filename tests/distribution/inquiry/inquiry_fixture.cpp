#include "inquiry_fixture.h"

#include <stdlib.h>

#include "classes/library.h"
#include "frame/sql_literal.h"
#include "platform/ado/connection.h"

namespace mls::testing {

using frame::sqlNumber;
using frame::sqlText;

void InquiryTest::SetUp() {
  open("Marlstone.ConcludeInfo");
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

#include "distribution/engine/cost_bom.h"

#include <cstdio>
#include <cstdlib>

#include "distribution/engine/issue_lines.h"
#include "frame/drop_table.h"
#include "frame/sql_literal.h"
#include "platform/ado/recordset.h"
#include "platform/com/error.h"
#include "standards/bom_usage.h"

namespace mls::distribution::engine {
namespace {

// Names tried after the clock's own before creation gives up.
constexpr int kNameAttempts = 1000;
constexpr long kNameSpace = 1000000000;  // nine digits

std::string tableName(long digits) {
  char text[32];
  std::snprintf(text, sizeof text, "Temp_CostBom%09ld", digits % kNameSpace);
  return text;
}

bool exists(ado::Connection& db, const std::string& name) {
  com::Ref<ado::Recordset> rs = db.execute("SELECT OBJECT_ID(" + frame::sqlText(name) + ")");
  return !rs->value(0).isNull();
}

// The server's time of day as nine digits (hhmmssmmm).
long clockDigits(ado::Connection& db) {
  com::Ref<ado::Recordset> rs = db.execute("Select convert(varchar(20),GetDate(),14) as FCurDate ");
  std::string digits;
  for (char c : rs->value(0).toString()) {
    if (c != ':' && c != ' ') digits += c;
  }
  return std::strtol(digits.c_str(), nullptr, 10);
}

// Creates the table under the clock's name, or the next free one: two
// creations in the same millisecond get tables of their own.
std::string createUnique(ado::Connection& db) {
  const long start = clockDigits(db);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string name = tableName(start + attempt);
    if (exists(db, name)) continue;
    try {
      db.execute(" CREATE TABLE " + name +
                 " (FCostObjID int NOT NULL default(0),FBomID int NOT NULL default(0),\r\n"
                 " FStdProductID int NOT NULL default(0),FQty Decimal(28,10) NOT NULL default(0))\r\n"
                 "CREATE INDEX IX_" +
                 name + "_FBomID ON " + name + "(FBomID)\r\nCREATE INDEX IX_" + name + "_FCostObjID ON " +
                 name + "(FCostObjID)\r\n");
      return name;
    } catch (const com::ComError&) {
      // Taken between the test and the creation: try the next name.
      if (!exists(db, name)) throw;
    }
  }
  com::raise(com::err::kInvalidCall);
}

}  // namespace

std::string createCostBomTable(frame::Call& call, int32_t year, int32_t period, int32_t deptID) {
  ado::Connection& db = call.connection();
  std::string name;
  try {
    name = createUnique(db);
    standards::fillCostObjBoms(db, name, deptID, year, period);
  } catch (const com::ComError&) {
    if (!name.empty()) frame::dropTempTable(db, name);
    com::clearCurrentError();
    return {};
  }
  return name;
}

void dropCostBomTable(frame::Call& call, const std::string& name) {
  if (isCostBomTableName(name)) frame::dropTempTable(call.connection(), name);
}

}  // namespace mls::distribution::engine

#include "support/test_database.h"

#include <gtest/gtest.h>

#include <atomic>

#include "frame/sql_literal.h"
#include "schema/schema_files.h"

namespace mls::testing {

TestDatabase::TestDatabase() {
  static std::atomic<int> next{0};
  name_ = "frame_test_" + std::to_string(++next);
  runSchemaFile("system.sql");
}

std::vector<std::vector<com::Variant>> TestDatabase::run(const std::string& sql) const {
  com::Ref<ado::Connection> c = com::makeObject<ado::Connection>();
  c->open(connectString());
  std::vector<std::vector<com::Variant>> rows;
  com::Ref<ado::Recordset> rs = c->execute(sql);
  if (rs && rs->state() == ado::kStateOpen) {
    for (; !rs->eof(); rs->moveNext()) {
      std::vector<com::Variant> row;
      for (size_t i = 0; i < rs->fieldCount(); ++i)
        row.push_back(rs->value(i));
      rows.push_back(std::move(row));
    }
  }
  c->close();
  return rows;
}

std::vector<std::vector<std::string>> TestDatabase::texts(const std::string& sql) const {
  std::vector<std::vector<std::string>> out;
  for (const std::vector<com::Variant>& r : run(sql)) {
    std::vector<std::string> row;
    for (const com::Variant& v : r)
      row.push_back(v.isNull() ? "NULL" : v.toString());
    out.push_back(std::move(row));
  }
  return out;
}

com::ExcepInfo TestDatabase::engineError(const std::string& sql) const {
  com::Ref<ado::Connection> c = com::makeObject<ado::Connection>();
  c->open(connectString());
  try {
    c->execute(sql);
  } catch (const com::ComError& e) {
    c->close();
    return e.info();
  }
  ADD_FAILURE() << "the engine ran " << sql;
  return {};
}

void TestDatabase::runSchemaFile(const std::string& file) const {
  for (const std::string& batch : schema::schemaBatches(file))
    run(batch);
}

void TestDatabase::setProfile(const std::string& category, const std::string& key,
                              const std::string& value) const {
  const std::string c = frame::sqlText(category), k = frame::sqlText(key);
  run("DELETE FROM t_SystemProfile WHERE FCategory = " + c + " AND FKey = " + k +
      " INSERT INTO t_SystemProfile (FCategory, FKey, FValue) VALUES (" + c + ", " + k + ", " +
      frame::sqlText(value) + ")");
}

void TestDatabase::setPeriods(int count, int startYear, int startPeriod, int currentYear,
                              int currentPeriod) const {
  setProfile("GL", "PeriodCount", std::to_string(count));
  setProfile("CB", "StartYear", std::to_string(startYear));
  setProfile("CB", "StartPeriod", std::to_string(startPeriod));
  setProfile("CB", "CurrentYear", std::to_string(currentYear));
  setProfile("CB", "CurrentPeriod", std::to_string(currentPeriod));
}

void TestDatabase::setCalendar(int year, const std::vector<std::string>& firstDays) const {
  std::string sql = "DELETE FROM t_PeriodCalendar WHERE FYear = " + std::to_string(year);
  for (size_t i = 0; i < firstDays.size(); ++i) {
    sql += " INSERT INTO t_PeriodCalendar (FYear, FPeriod, FStartDate) VALUES (" + std::to_string(year) +
           ", " + std::to_string(i + 1) + ", '" + firstDays[i] + "')";
  }
  run(sql);
}

}  // namespace mls::testing

#include "calc_fixture.h"

#include <stdlib.h>

#include "classes/library.h"

namespace mls::testing {

void CalcTest::SetUp() {
  open("Marlstone.ConcludeUpdate");
  concludeUpdate_ = object_;
  db_.setPeriods(12, 2024, 1, 2024, 3);
}

Rows CalcTest::rows(const std::string& sql) const {
  return db_.texts(sql);
}

std::string CalcTest::scalar(const std::string& sql) const {
  Rows r = rows(sql);
  return r.empty() || r[0].empty() ? "<none>" : r[0][0];
}

int CalcTest::count(const std::string& table, const std::string& where) const {
  return std::stoi(scalar("SELECT COUNT(*) FROM " + table + (where.empty() ? "" : " WHERE " + where)));
}

void CalcTest::snapshot(int year, int period) {
  callOn(*concludeUpdate_, db_.props("en"), "GetICStockBillDataForCB", {year, period});
}

}  // namespace mls::testing

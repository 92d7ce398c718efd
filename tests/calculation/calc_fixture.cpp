#include "calc_fixture.h"

#include <stdlib.h>

#include "classes/library.h"
#include "platform/com/registry.h"
#include "schema/demoplant/client_calculation.h"
#include "schema/demoplant/plant.h"

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

void CalcTest::plant(uint64_t seed, int billLines, const std::vector<std::string>& steps) {
  std::string batch;
  for (const std::string& s : demoplant::generatePlant({.seed = seed, .billLines = billLines}).statements)
    batch += s;
  exec(batch);
  if (steps.empty()) return;
  for (const std::string& step : steps)
    call(step, {2024, 3});
  batch.clear();
  for (const std::string& s : demoplant::clientCalculation(2024, 3))
    batch += s;
  exec(batch);
}

com::Variant CalcTest::clientDates(int flag, const std::string& begin, const std::string& end) {
  com::Ref<com::Dispatch> d = com::createObject("Halvern.Dictionary");
  com::letProperty(*d, "Item", "lngISFindCurDate", flag);
  com::letProperty(*d, "Item", "datPeriodBeginDate", com::Variant(begin));
  com::letProperty(*d, "Item", "datCurPeriodEndDate", com::Variant(end));
  return com::Variant(d);
}

std::string CalcTest::recordingProps() const {
  return "ConnectString={Provider=Test.Recording;Data Source=" + db_.name() + "};Language=en";
}

std::shared_ptr<Recording> CalcTest::whileUncommitted(const std::string& sql,
                                                      const std::function<void()>& calls) {
  auto recording = std::make_shared<Recording>();
  recordBatchesInto(recording);
  com::Ref<ado::Connection> other = com::makeObject<ado::Connection>();
  other->open(db_.connectString());
  other->execute("BEGIN TRAN " + sql);
  calls();
  other->execute("ROLLBACK");
  other->close();
  return recording;
}

const std::vector<std::string>* CalcTest::sessionOf(const Recording& recording, const std::string& table) {
  const std::vector<std::string>* found = nullptr;
  for (const std::vector<std::string>& session : recording.sessions)
    if (session.size() > 1 && session[1].find(table) != std::string::npos) found = &session;
  return found;
}

}  // namespace mls::testing

#include "lines_fixture.h"

#include <algorithm>

#include "frame/sql_literal.h"
#include "platform/ado/recordset.h"
#include "platform/com/registry.h"

namespace mls::testing {

using frame::sqlNumber;

void LinesTest::setUpFor(const std::string& progId) {
  open(progId);
  db_.setPeriods(12, 2024, 1, 2024, 3);
  department(1, 361);
  department(2, 361);
  department(3, 362);
  item(ItemRow{.id = 500, .qtyDecimal = 2});
  item(ItemRow{.id = 501});
  item(ItemRow{.id = 502, .qtyDecimal = 2, .track = 81});
  for (int id : {101, 102, 103, 90, 91})
    costObject(id, 906, 0);
  exec(
      "UPDATE cbCostObj SET FNumber = 'MaterielShareID' WHERE FItemID = 90"
      " UPDATE cbCostObj SET FNumber = 'MaterielMakeID' WHERE FItemID = 91");
}

void LinesTest::issue(const Bill& b, const std::vector<IssueLine>& lines) const {
  bill(b);
  for (const IssueLine& l : lines)
    valuedLine(b.id, l.entry, l.item, l.qty, l.amount, l.planPrice, l.costObj, l.group);
}

void LinesTest::snapshot() {
  com::Ref<com::Dispatch> update = com::createObject("Marlstone.ConcludeUpdate");
  callOn(*update, db_.props("en"), "GetICStockBillDataForCB", {2024, 3});
}

void LinesTest::distributed(const std::string& table, int interId, int entry, int costObj, int stdID,
                            int costItem, double standardData) const {
  exec("INSERT INTO " + table +
       " (FYear, FPeriod, FInterID, FEntryID, FCostObjID, FStdID, FCostItemID, FStandardData) VALUES (2024, "
       "3, " +
       sqlNumber(interId) + ", " + sqlNumber(entry) + ", " + sqlNumber(costObj) + ", " + sqlNumber(stdID) +
       ", " + sqlNumber(costItem) + ", " + sqlNumber(standardData) + ")");
}

std::vector<std::string> LinesTest::rows(const com::Variant& recordset,
                                         const std::vector<std::string>& fields) {
  std::vector<std::string> out;
  com::Ref<com::Dispatch> object = recordset.toObject();
  if (!object) return out;
  auto& rs = dynamic_cast<ado::Recordset&>(*object.get());
  if (rs.recordCount() > 0) rs.moveFirst();
  for (; !rs.eof(); rs.moveNext()) {
    std::string row;
    const size_t n = fields.empty() ? rs.fieldCount() : fields.size();
    for (size_t i = 0; i < n; ++i) {
      const com::Variant& v = fields.empty() ? rs.value(i) : rs.value(fields[i]);
      row += (i ? " " : "") + (v.isNull() ? std::string("NULL") : v.toString());
    }
    out.push_back(row);
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace mls::testing

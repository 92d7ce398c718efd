#include "writers_fixture.h"

#include "frame/sql_literal.h"

namespace mls::testing {

using frame::sqlNumber;

void WritersTest::row(const std::string& table, const Row& r) const {
  const bool residual = table == "CBWBMaterielInfo";
  exec("INSERT INTO " + table + " (FYear, FPeriod, FInterID, FEntryID, FCostObjID, FCostItemID, " +
       (residual ? "" : "FStdID, FStandardData, ") + "FQty, FAmount) VALUES (2024, " + sqlNumber(r.period) +
       ", " + sqlNumber(r.interId) + ", " + sqlNumber(r.entry) + ", " + sqlNumber(r.costObj) + ", " +
       sqlNumber(r.costItem) + ", " + (residual ? "" : "9, " + sqlNumber(r.standard) + ", ") +
       sqlNumber(r.qty) + ", " + sqlNumber(r.amount) + ")");
}

Rows WritersTest::rowsOf(const std::string& table, int interId, int entry, bool withPrice, int period) const {
  return db_.texts("SELECT FCostObjID, " + num("FQty") + ", " + num("FAmount") +
                   (withPrice ? ", " + num("FPrice") : "") + " FROM " + table +
                   " WHERE FYear = 2024 AND FPeriod = " + sqlNumber(period) +
                   " AND FInterID = " + sqlNumber(interId) + " AND FEntryID = " + sqlNumber(entry) +
                   " ORDER BY FCostObjID, FCostItemID");
}

com::Variant pairs(const std::vector<std::pair<int, int>>& lines) {
  com::SafeArray array({{0, 2}, {0, static_cast<int32_t>(lines.size())}});
  for (size_t i = 0; i < lines.size(); ++i) {
    array.at({0, static_cast<int32_t>(i)}) = com::Variant(lines[i].first);
    array.at({1, static_cast<int32_t>(i)}) = com::Variant(lines[i].second);
  }
  return com::Variant(std::move(array));
}

}  // namespace mls::testing

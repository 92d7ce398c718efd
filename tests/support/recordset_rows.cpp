#include "support/recordset_rows.h"

#include <algorithm>

namespace mls::testing {

std::vector<std::vector<std::string>> sortedRowTexts(ado::Recordset& rs) {
  std::vector<std::vector<std::string>> out;
  if (rs.recordCount() != 0) rs.moveFirst();
  for (; !rs.eof(); rs.moveNext()) {
    std::vector<std::string> row;
    for (size_t i = 0; i < rs.fieldCount(); ++i)
      row.push_back(rs.value(i).isNull() ? "NULL" : rs.value(i).toString());
    out.push_back(std::move(row));
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace mls::testing

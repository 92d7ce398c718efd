#include "distribution/writers/pair_list.h"

#include <algorithm>

#include "distribution/engine/client_values.h"
#include "frame/sql_literal.h"
#include "platform/com/error.h"

namespace mls::distribution::writers {

std::vector<IssueLine> clientPairs(const frame::Call& call, const com::Variant& arInterID) {
  const com::Variant& v = arInterID.deref();
  if (!v.isArray() || v.array().dims() != 2)
    com::raise(com::err::kTypeMismatch, call.fullName(), "arInterID is not a two-dimensional array");
  const com::SafeArray& array = v.array();
  if (array.lbound(1) > 0 || array.ubound(1) < 1 || array.lbound(2) != 0)
    com::raise(com::err::kSubscript, call.fullName(),
               "arInterID must hold the fields 0 and 1 of lines numbered from 0");
  std::vector<IssueLine> lines;
  for (int32_t i = 0; i <= array.ubound(2); ++i) {
    IssueLine line{engine::clientLong(call, array.at({0, i}), "arInterID(0, " + std::to_string(i) + ")"),
                   engine::clientLong(call, array.at({1, i}), "arInterID(1, " + std::to_string(i) + ")")};
    if (std::find(lines.begin(), lines.end(), line) == lines.end()) lines.push_back(line);
  }
  return lines;
}

std::string pairInserts(const std::vector<IssueLine>& lines, const std::string& table) {
  std::string sql;
  for (const IssueLine& l : lines) {
    sql += " INSERT INTO " + table + " (FInterID,FEntryID) VALUES (" + frame::sqlNumber(l.interID) + "," +
           frame::sqlNumber(l.entryID) + ")\r\n";
  }
  return sql;
}

}  // namespace mls::distribution::writers

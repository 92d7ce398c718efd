#include "distribution/writers/pair_list.h"

#include <cstdint>
#include <unordered_set>

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
  const size_t count = static_cast<size_t>(array.ubound(2) + 1);
  std::vector<IssueLine> lines;
  lines.reserve(count);
  // The lines kept so far, each as one 64-bit key (bill above, entry below).
  std::unordered_set<uint64_t> seen;
  seen.reserve(count);
  for (int32_t i = 0; i <= array.ubound(2); ++i) {
    IssueLine line{engine::clientLong(call, array.at({0, i}), "arInterID(0, " + std::to_string(i) + ")"),
                   engine::clientLong(call, array.at({1, i}), "arInterID(1, " + std::to_string(i) + ")")};
    const uint64_t key =
        uint64_t{static_cast<uint32_t>(line.interID)} << 32 | static_cast<uint32_t>(line.entryID);
    if (seen.insert(key).second) lines.push_back(line);
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

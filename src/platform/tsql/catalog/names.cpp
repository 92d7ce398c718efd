#include "platform/tsql/catalog/names.h"

#include "platform/tsql/errors.h"
#include "platform/tsql/types/text.h"

namespace mls::tsql {

bool sameName(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (toLowerChar(utf8Next(a, i)) != toLowerChar(utf8Next(b, j))) return false;
  }
  return i == a.size() && j == b.size();
}

}  // namespace mls::tsql

namespace mls::tsql {

namespace {

// The database part of `parts`, "" when absent or omitted ("t", "db..t").
std::string_view databasePart(const std::vector<std::string>& parts) {
  return parts.size() >= 3 ? std::string_view(parts[parts.size() - 3]) : std::string_view();
}

bool isThisDatabase(std::string_view part, std::string_view database) {
  return part.empty() || sameName(part, database) || sameName(part, "tempdb");
}

}  // namespace

bool isLocalName(const std::vector<std::string>& parts, std::string_view database) {
  return parts.size() < 4 && isThisDatabase(databasePart(parts), database);
}

void checkServerPart(const ast::ObjectName& name) {
  if (name.parts.size() == 4) throwSqlError(7202, {name.parts[0]}, name.pos.line);
}

void checkLocalName(const ast::ObjectName& name, std::string_view database) {
  checkServerPart(name);
  if (!isThisDatabase(databasePart(name.parts), database)) throwSqlError(208, {name.text()}, name.pos.line);
}

}  // namespace mls::tsql

#include "platform/tsql/catalog/view_set.h"

#include <memory>
#include <utility>

#include "platform/tsql/errors.h"
#include "platform/tsql/parse/parser.h"
#include "platform/tsql/types/text.h"

namespace mls::tsql {

std::string ViewSet::key(std::string_view name) {
  return toUpper(name);
}

const ViewDef* ViewSet::find(const ast::ObjectName& name) const {
  if (name.isTemp()) return nullptr;
  auto it = views_.find(key(name.name()));
  return it == views_.end() ? nullptr : &it->second;
}

void ViewSet::add(ViewDef view) {
  if (view.id == 0) view.id = nextId_++;
  std::string k = key(view.name);
  views_.insert_or_assign(std::move(k), std::move(view));
}

bool ViewSet::remove(const ast::ObjectName& name) {
  return remove(name.name());
}

bool ViewSet::remove(std::string_view name) {
  return views_.erase(key(name)) > 0;
}

std::vector<const ViewDef*> ViewSet::all() const {
  std::vector<const ViewDef*> out;
  for (const auto& [k, v] : views_)
    out.push_back(&v);
  return out;
}

void ViewSet::addDefinition(const std::string& definition) {
  std::vector<ast::StmtPtr> stmts = parseBatch(definition);
  if (stmts.size() != 1 || stmts.front()->kind != ast::StmtKind::CreateView) {
    throwSqlError(102, {definition.substr(0, 30)});
  }
  const auto& s = stmts.front()->as<ast::CreateViewStmt>();
  add({s.view.name(), s.columns, s.query, s.definition, 0, DateTime(), s.checkOption});
}

}  // namespace mls::tsql

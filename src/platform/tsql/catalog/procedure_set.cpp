#include "platform/tsql/catalog/procedure_set.h"

#include <utility>

#include "platform/tsql/errors.h"
#include "platform/tsql/parse/parser.h"
#include "platform/tsql/types/text.h"

namespace mls::tsql {

std::string ProcedureSet::key(std::string_view name) {
  return toUpper(name);
}

std::shared_ptr<const ProcedureDef> ProcedureSet::find(std::string_view name) const {
  auto it = procedures_.find(key(name));
  return it == procedures_.end() ? nullptr : it->second;
}

void ProcedureSet::add(ProcedureDef def) {
  if (def.id == 0) def.id = nextId_++;
  std::string k = key(def.name);
  procedures_.insert_or_assign(std::move(k), std::make_shared<const ProcedureDef>(std::move(def)));
}

void ProcedureSet::restore(std::shared_ptr<const ProcedureDef> def) {
  std::string k = key(def->name);
  procedures_.insert_or_assign(std::move(k), std::move(def));
}

bool ProcedureSet::remove(std::string_view name) {
  return procedures_.erase(key(name)) > 0;
}

std::vector<std::shared_ptr<const ProcedureDef>> ProcedureSet::all() const {
  std::vector<std::shared_ptr<const ProcedureDef>> out;
  for (const auto& [k, p] : procedures_)
    out.push_back(p);
  return out;
}

void ProcedureSet::addDefinition(const std::string& definition) {
  std::vector<ast::StmtPtr> stmts = parseBatch(definition);
  if (stmts.size() != 1 || stmts.front()->kind != ast::StmtKind::CreateProcedure ||
      stmts.front()->as<ast::CreateProcedureStmt>().alter) {
    throwSqlError(102, {definition.substr(0, 30)});
  }
  const auto& s = stmts.front()->as<ast::CreateProcedureStmt>();
  add({s.procedure.name(), s.code, s.definition, 0, DateTime()});
}

}  // namespace mls::tsql

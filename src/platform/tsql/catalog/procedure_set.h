// The stored procedures of a database: CREATE PROCEDURE keeps the statement's
// parameters and body (a share of that part of its batch's AST, not the batch)
// and the batch's text under the procedure's name; EXEC runs the body.  Names
// are case-insensitive.  A file database saves the procedures' texts with its
// tables and makes them again from the texts when it opens.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/tsql/parse/ast.h"
#include "platform/tsql/types/datetime.h"

namespace mls::tsql {

struct ProcedureDef {
  std::string name;
  std::shared_ptr<const ast::Procedure> code;  // the procedure's own, not its batch's
  std::string definition;                      // CREATE PROCEDURE ..., as written
  int32_t id = 0;                              // its object id (given by add() when 0)
  DateTime created;                            // when CREATE PROCEDURE ran (1900 when loaded from a file)
};

class ProcedureSet {
 public:
  // The procedure `name` names, or nullptr.  A running call keeps the
  // definition it started with (a shared pointer) through ALTER and DROP.
  std::shared_ptr<const ProcedureDef> find(std::string_view name) const;
  void add(ProcedureDef def);
  // Puts back a definition taken out (ROLLBACK of ALTER or DROP PROCEDURE).
  void restore(std::shared_ptr<const ProcedureDef> def);
  bool remove(std::string_view name);
  void clear() { procedures_.clear(); }
  // Every procedure, in name order.
  std::vector<std::shared_ptr<const ProcedureDef>> all() const;
  // Adds the procedure a CREATE PROCEDURE text (a saved definition) makes;
  // SqlError when the text is no such statement.
  void addDefinition(const std::string& definition);

 private:
  static std::string key(std::string_view name);
  std::map<std::string, std::shared_ptr<const ProcedureDef>> procedures_;
  int32_t nextId_ = 1429580131;  // apart from the tables' and views' ids
};

}  // namespace mls::tsql

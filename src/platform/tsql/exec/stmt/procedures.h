// Procedures written in C++ and registered with a Database, and the
// procedures every database has (registerBuiltinProcedures).
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/tsql/engine.h"
#include "platform/tsql/parse/ast.h"

namespace mls::tsql {

struct ProcedureDef {
  std::string name;
  std::vector<ProcedureParameter> params;
  ProcedureBody body;
};

class ProcedureRegistry {
 public:
  // Adds `def`, replacing a procedure of the same name (a running call keeps
  // the definition it started with).
  void add(ProcedureDef def);
  std::shared_ptr<const ProcedureDef> find(std::string_view name) const;

 private:
  std::vector<std::shared_ptr<const ProcedureDef>> defs_;
};

// A parameter as the matching of arguments sees it.
struct FormalParameter {
  std::string name;
  bool output = false;
};

// The argument each formal parameter receives (null: none given), from the
// arguments by position, then by name.  Raises 119 for an argument by position
// after one by name (`firstNumber`: the number of args[0] in the call, from 1),
// 8144 for too many, 8145 for an unknown name, 8143 for a name given twice and
// 8162 for OUTPUT to a parameter that is not one.
std::vector<const ast::ExecArg*> matchArguments(std::span<const ast::ExecArg> args,
                                                const std::vector<FormalParameter>& formals,
                                                const std::string& procedure, int firstNumber);

// GetPeriodStartEnd (builtin_procs.cpp).
void registerBuiltinProcedures(ProcedureRegistry& registry);

}  // namespace mls::tsql

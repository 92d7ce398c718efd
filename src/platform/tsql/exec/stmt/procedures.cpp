// EXEC of procedures: the registry of procedures written in C++, the matching
// of arguments to parameters, and the call with its OUTPUT parameters.
#include "platform/tsql/exec/stmt/procedures.h"

#include <mutex>
#include <stdexcept>
#include <utility>

#include "platform/tsql/errors.h"
#include "platform/tsql/exec/session_impl.h"
#include "platform/tsql/exec/stmt/dynamic_sql.h"
#include "platform/tsql/exec/stmt/executor.h"
#include "platform/tsql/types/collation.h"
#include "platform/tsql/types/convert.h"

namespace mls::tsql {

namespace {

bool sameName(std::string_view a, std::string_view b) {
  return compareText(a, b) == 0;
}

}  // namespace

void ProcedureRegistry::add(ProcedureDef def) {
  auto p = std::make_shared<const ProcedureDef>(std::move(def));
  for (auto& d : defs_) {
    if (sameName(d->name, p->name)) {
      d = std::move(p);
      return;
    }
  }
  defs_.push_back(std::move(p));
}

std::shared_ptr<const ProcedureDef> ProcedureRegistry::find(std::string_view name) const {
  for (const auto& d : defs_) {
    if (sameName(d->name, name)) return d;
  }
  return nullptr;
}

void Database::registerProcedure(std::string name, std::vector<ProcedureParameter> params,
                                 ProcedureBody body) {
  std::lock_guard<StatementLatch> lock(impl_->mutex());
  impl_->procedures().add({std::move(name), std::move(params), std::move(body)});
}

Value& ProcedureCall::operator[](std::string_view name) {
  for (size_t i = 0; i < params_.size(); ++i) {
    if (sameName(params_[i].name, name)) return values_[i];
  }
  throw std::invalid_argument("no procedure parameter " + std::string(name));
}

BatchResult ProcedureCall::execute(std::string_view sql, const std::vector<BoundParameter>& params) {
  ExecScope scope;
  scope.stopAtFirstError = true;
  bindParameters(scope, params);
  BatchResult out;
  runNested(session_, sql, scope, out);
  return out;
}

std::vector<const ast::ExecArg*> matchArguments(std::span<const ast::ExecArg> args,
                                                const std::vector<FormalParameter>& formals,
                                                const std::string& procedure, int firstNumber) {
  std::vector<const ast::ExecArg*> given(formals.size(), nullptr);
  bool named = false;
  for (size_t k = 0; k < args.size(); ++k) {
    const ast::ExecArg& a = args[k];
    size_t i = k;
    if (a.name.empty()) {
      if (named) throwSqlError(119, {std::to_string(firstNumber + static_cast<int>(k))});
      if (k >= formals.size()) throwSqlError(8144, {procedure});
    } else {
      named = true;
      for (i = 0; i < formals.size() && !sameName(formals[i].name, a.name); ++i) {
      }
      if (i == formals.size()) throwSqlError(8145, {a.name, procedure});
      if (given[i]) throwSqlError(8143, {formals[i].name});
    }
    if (a.output && !formals[i].output) throwSqlError(8162, {formals[i].name});
    given[i] = &a;
  }
  return given;
}

std::pair<Value, SqlType> Executor::argument(const ast::ExecArg& a) {
  const ast::Expr& e = *a.value;
  if (e.kind == ast::ExprKind::ColumnRef) {  // EXEC p abc passes 'abc'
    const std::string& word = e.as<ast::ColumnRef>().column();
    return {Value::string(word), SqlType::varchar(static_cast<int>(word.size()))};
  }
  BoundExprPtr b = binder_.bind(e, nullptr);
  EvalContext ctx{nullptr, nullptr, &env_};
  return {b->eval(ctx), b->type()};
}

void Executor::call(const ast::Stmt& s) {
  try {
    if (s.kind == ast::StmtKind::ExecString) {
      executeString(s.as<ast::ExecStringStmt>());
    } else {
      callProcedure(s.as<ast::ExecStmt>());
    }
  } catch (SqlError& e) {
    if (e.line() == 0) e.setLine(s.pos.line);
    session_.globals().error = e.number();
    throw;
  }
  session_.globals().error = 0;
}

void Executor::callProcedure(const ast::ExecStmt& s) {
  const std::string& name = s.procedure.name();
  if (sameName(name, "sp_executesql")) return executeSql(s);
  std::shared_ptr<const ProcedureDef> def;
  {
    std::lock_guard<StatementLatch> lock(session_.database().mutex());
    def = session_.database().procedures().find(name);
  }
  if (!def) throwSqlError(2812, {s.procedure.text()});

  std::vector<FormalParameter> formals;
  for (const ProcedureParameter& p : def->params)
    formals.push_back({p.name, p.output});
  std::vector<const ast::ExecArg*> given = matchArguments(s.args, formals, def->name, 1);
  std::vector<Value> values;
  std::vector<std::pair<int, size_t>> outputs;  // (caller's variable, parameter)
  for (size_t i = 0; i < def->params.size(); ++i) {
    const ProcedureParameter& p = def->params[i];
    const ast::ExecArg* a = given[i];
    if (!a || a->value->kind == ast::ExprKind::Default) {
      if (!p.defaultValue) throwSqlError(201, {def->name, p.name});
      values.push_back(*p.defaultValue);
      continue;
    }
    auto [v, t] = argument(*a);
    values.push_back(v.isNull() || t.isNull() ? Value() : implicitConvert(v, t, p.type));
    if (a->output) outputs.emplace_back(binder_.variable(a->value->as<ast::Variable>().name, a->pos), i);
  }
  ProcedureCall call(session_, def->params, std::move(values));
  int status = def->body(call);
  for (auto [caller, param] : outputs)
    assign(caller, call[def->params[param].name], def->params[param].type);
  if (!s.returnVariable.empty()) {
    assign(binder_.variable(s.returnVariable, s.pos), Value::integer(status), SqlType(TypeId::Int));
  }
}

}  // namespace mls::tsql

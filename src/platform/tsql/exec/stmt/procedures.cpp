// Stored procedures: CREATE, ALTER and DROP PROCEDURE, and EXEC of a procedure
// with its arguments, OUTPUT parameters and return status.
#include "platform/tsql/exec/stmt/procedures.h"

#include <algorithm>
#include <iterator>
#include <mutex>
#include <utility>

#include "platform/tsql/catalog/names.h"
#include "platform/tsql/errors.h"
#include "platform/tsql/exec/bind/type_ast.h"
#include "platform/tsql/exec/session_impl.h"
#include "platform/tsql/exec/stmt/dynamic_sql.h"
#include "platform/tsql/exec/stmt/executor.h"
#include "platform/tsql/types/collation.h"
#include "platform/tsql/types/convert.h"

namespace mls::tsql {

namespace {

// Declares the parameters of `code` in `frame`, in order: 134 for a name
// given twice, 243 for an unknown type.
void declareParameters(const ast::Procedure& code, Frame& frame) {
  for (const ast::ProcedureParam& p : code.params) {
    if (frame.find(p.name) >= 0) throwSqlError(134, {p.name}, p.pos.line);
    frame.add(p.name, declaredType(p.type), p.pos);
  }
}

}  // namespace

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

// A value that does not convert to its parameter's type is 8114, whatever
// the conversion found: text of no number, money or date (245, 235, 241), a
// date out of range (242), a number beyond the type (220, 232, 8115).
Value parameterValue(const Value& v, const SqlType& from, const SqlType& to) {
  if (v.isNull() || from.isNull()) return Value();
  try {
    return implicitConvert(v, from, to);
  } catch (const SqlError& e) {
    constexpr int kConversionErrors[] = {220, 232, 235, 241, 242, 245, 8115};
    if (std::find(std::begin(kConversionErrors), std::end(kConversionErrors), e.number()) ==
        std::end(kConversionErrors))
      throw;
    throwSqlError(8114, {std::string(from.baseName()), std::string(to.baseName())});
  }
}

// ------------------------------------------------------------------ DDL

void Executor::createProcedure(const ast::CreateProcedureStmt& s) {
  const std::string& name = s.procedure.name();
  session_.lock(name, LockMode::SchemaModification);
  ProcedureSet& procedures = session_.database().procedures();
  std::shared_ptr<const ProcedureDef> old = procedures.find(name);
  if (s.alter && !old) throwSqlError(208, {name});
  if (!s.alter && session_.catalog().permanentNameTaken(name)) throwSqlError(2714, {name});
  // What SQL Server checks when it compiles the procedure: its variables'
  // names and types, each use after its declaration, BREAK and CONTINUE
  // inside loops.
  Frame frame;
  declareParameters(*s.code, frame);
  declareBatchVariables(s.code->body, frame);
  checkVariableUses(s.code->body, frame);
  // A server it names must be known (7202); a table of another database is
  // looked for when it runs.
  checkServerNames(s.code->qualifiedNames);
  session_.undo().changingProcedure(procedures, name, old);
  if (old) {
    procedures.add({old->name, s.code, s.definition, old->id, old->created});
  } else {
    procedures.add({name, s.code, s.definition, 0, env_.functions.now});
  }
  session_.database().unsaved() = true;
  session_.globals().rowCount = 0;
}

void Executor::dropProcedure(const ast::DropProcedureStmt& s) {
  ProcedureSet& procedures = session_.database().procedures();
  for (const ast::ObjectName& name : s.procedures) {
    session_.lock(name.name(), LockMode::SchemaModification);
    if (!procedures.find(name.name())) throwSqlError(3701, {"procedure", name.name()});
  }
  for (const ast::ObjectName& name : s.procedures) {
    if (auto p = procedures.find(name.name())) {  // named once more, it is gone already
      session_.undo().changingProcedure(procedures, p->name, p);
      procedures.remove(p->name);
    }
  }
  session_.database().unsaved() = true;
  session_.globals().rowCount = 0;
}

// ----------------------------------------------------------------- EXEC

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

// The procedure is looked up under a schema stability lock on its name, so
// that a CREATE, ALTER or DROP another session has not committed is waited
// for; the call then keeps the definition it found.
std::shared_ptr<const ProcedureDef> Executor::findProcedure(const std::string& name) {
  std::lock_guard<StatementLatch> lock(session_.database().mutex());
  StatementGuard statement(session_);
  session_.lock(name, LockMode::SchemaStability);
  return session_.database().procedures().find(name);
}

// RETURN n in a procedure: its status, converted to int (NULL gives 0).
void Executor::returnStatus(const ast::ReturnStmt& s) {
  BoundExprPtr e = binder_.bind(*s.value, nullptr);
  EvalContext ctx{nullptr, nullptr, &env_};
  Value v = e->eval(ctx);
  session_.scope()->returnStatus =
      v.isNull() || e->type().isNull()
          ? 0
          : static_cast<int>(implicitConvert(v, e->type(), SqlType(TypeId::Int)).asInt());
}

// EXEC @name: the procedure the variable's text names ("p", "dbo.p", "[p]";
// NULL names none).
ast::ObjectName Executor::procedureNamed(const ast::Expr& variable) {
  BoundExprPtr b = binder_.bind(variable, nullptr);
  EvalContext ctx{nullptr, nullptr, &env_};
  Value v = b->eval(ctx);
  ast::ObjectName name;
  name.pos = variable.pos;
  name.parts = {""};
  if (!v.isNull() && !b->type().isNull())
    name.parts = splitObjectName(castValue(v, b->type(), SqlType::nvarchar(SqlType::kMax)).asString());
  // The text is read only now: its server or database part is checked here.
  checkLocalName(name, session_.databaseName());
  return name;
}

void Executor::callProcedure(const ast::ExecStmt& s) {
  const ast::ObjectName procedure = s.procedureVariable ? procedureNamed(*s.procedureVariable) : s.procedure;
  const std::string& name = procedure.name();
  if (sameName(name, "sp_executesql")) return executeSql(s);
  std::shared_ptr<const ProcedureDef> def = findProcedure(name);
  if (!def) throwSqlError(2812, {procedure.text()});
  const ast::Procedure& code = *def->code;

  ExecScope scope;
  scope.procedure = true;
  declareParameters(code, scope.frame);
  std::vector<FormalParameter> formals;
  for (const ast::ProcedureParam& p : code.params)
    formals.push_back({p.name, p.output});
  std::vector<const ast::ExecArg*> given = matchArguments(s.args, formals, def->name, 1);
  std::vector<std::pair<int, int>> outputs;  // (caller's variable, parameter)
  for (size_t i = 0; i < code.params.size(); ++i) {
    const ast::ProcedureParam& p = code.params[i];
    const ast::ExecArg* a = given[i];
    VariableSlot& slot = scope.frame.at(static_cast<int>(i));
    std::pair<Value, SqlType> v;
    if (!a || a->value->kind == ast::ExprKind::Default) {
      if (!p.defaultValue) throwSqlError(201, {def->name, p.name});
      BoundExprPtr d = binder_.bind(*p.defaultValue, nullptr);
      EvalContext ctx{nullptr, nullptr, &env_};
      v = {d->eval(ctx), d->type()};
    } else {
      v = argument(*a);
      if (a->output) outputs.emplace_back(binder_.variable(a->value->as<ast::Variable>().name, a->pos), i);
    }
    slot.value = parameterValue(v.first, v.second, slot.type);
  }
  runCalled(s, scope, outputs, [&] { runNested(session_, code, scope, out_); });
}

void Executor::runCalled(const ast::ExecStmt& s, ExecScope& scope,
                         const std::vector<std::pair<int, int>>& outputs, const std::function<void()>& run) {
  auto handBack = [&] {
    for (auto [caller, param] : outputs) {
      const VariableSlot& slot = scope.frame.at(param);
      assign(caller, slot.value, slot.type);
    }
    if (!s.returnVariable.empty()) {
      assign(binder_.variable(s.returnVariable, s.pos), Value::integer(scope.returnStatus),
             SqlType(TypeId::Int));
    }
  };
  try {
    run();
  } catch (const SqlError& e) {
    if (e.number() != 266) throw;
    handBack();
    throw;
  }
  handBack();
}

}  // namespace mls::tsql

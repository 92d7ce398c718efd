// EXEC (text) and sp_executesql: the text runs as a batch of its own in a
// nested level of the session.
#include "platform/tsql/exec/stmt/dynamic_sql.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <utility>

#include "platform/tsql/catalog/catalog.h"
#include "platform/tsql/catalog/names.h"
#include "platform/tsql/errors.h"
#include "platform/tsql/exec/bind/type_ast.h"
#include "platform/tsql/exec/session_impl.h"
#include "platform/tsql/exec/stmt/executor.h"
#include "platform/tsql/exec/stmt/procedures.h"
#include "platform/tsql/parse/parser.h"
#include "platform/tsql/types/collation.h"
#include "platform/tsql/types/convert.h"

namespace mls::tsql {

namespace {

// Drops the temporary tables that are not among `before`.
void dropTemporaryTablesSince(SessionImpl& session, const std::vector<const Table*>& before) {
  std::lock_guard<StatementLatch> lock(session.database().mutex());
  std::vector<std::string> doomed;
  for (const std::shared_ptr<Table>& t : session.temporaryTables().tables()) {
    if (std::find(before.begin(), before.end(), t.get()) == before.end()) doomed.push_back(t->name());
  }
  Catalog catalog = session.catalog();
  for (const std::string& name : doomed) {
    ast::ObjectName n;
    n.parts = {name};
    catalog.dropTable(n, session.undo());
  }
  if (session.globals().tranCount == 0) session.undo().commit();
}

// sp_executesql's text arguments are Unicode (or NULL).
std::string unicodeText(const std::pair<Value, SqlType>& arg, const char* parameter) {
  const SqlType& t = arg.second;
  if (!t.isNull() && t.id != TypeId::NVarChar && t.id != TypeId::NChar) {
    throwSqlError(214, {parameter, "ntext/nchar/nvarchar"});
  }
  return arg.first.isNull() ? std::string() : std::string(arg.first.asString());
}

}  // namespace

void bindParameters(ExecScope& scope, const std::vector<BoundParameter>& params) {
  for (const BoundParameter& p : params) {
    int i = scope.frame.add(p.name, p.type, ast::Pos{0, 0});
    scope.frame.at(i).value = p.value;
    scope.parameterSlots.push_back(i);
  }
}

namespace {

// `compiled`: the statements were read from text just now.  As SQL Server
// compiles a batch before it runs any of it, a variable used before any
// DECLARE names it refuses the whole batch (137); a stored procedure's body
// was checked so when it was created.
void runStatements(SessionImpl& session, const std::vector<ast::StmtPtr>& stmts, BatchResult& out,
                   bool compiled) {
  declareBatchVariables(stmts, *session.frame());
  if (compiled) checkVariableUses(stmts, *session.frame());
  Executor executor(session, out);
  executor.run(stmts);
}

}  // namespace

void checkServerNames(const std::vector<ast::ObjectName>& names) {
  for (const ast::ObjectName& name : names)
    checkServerPart(name);
}

void checkLocalNames(const SessionImpl& session, const std::vector<ast::ObjectName>& names) {
  for (const ast::ObjectName& name : names)
    checkLocalName(name, session.databaseName());
}

void runBatch(SessionImpl& session, std::string_view text, BatchResult& out) {
  std::vector<ast::ObjectName> qualified;
  std::vector<ast::StmtPtr> stmts = parseBatch(text, qualified);
  checkLocalNames(session, qualified);
  runStatements(session, stmts, out, true);
}

namespace {

template <class F>
void nested(SessionImpl& session, ExecScope& scope, F&& run) {
  std::vector<const Table*> before;
  for (const std::shared_ptr<Table>& t : session.temporaryTables().tables())
    before.push_back(t.get());
  const int tranCount = session.globals().tranCount;
  // What the text sets is undone when it returns.
  GlobalState& globals = session.globals();
  const SessionOptions options = globals.options;
  const ast::IsolationLevel isolation = globals.isolationLevel;
  const int64_t lockTimeout = globals.lockTimeout;
  auto leave = [&] {
    globals.options = options;
    globals.isolationLevel = isolation;
    globals.lockTimeout = lockTimeout;
    dropTemporaryTablesSince(session, before);
  };
  try {
    ScopeGuard guard(session, scope);
    run();
  } catch (...) {
    leave();
    throw;
  }
  leave();
  if (globals.tranCount != tranCount) {
    throwSqlError(266, {std::to_string(tranCount), std::to_string(globals.tranCount)});
  }
}

}  // namespace

void runNested(SessionImpl& session, std::string_view text, ExecScope& scope, BatchResult& out) {
  nested(session, scope, [&] { runBatch(session, text, out); });
}

void runNested(SessionImpl& session, const ast::Procedure& code, ExecScope& scope, BatchResult& out) {
  nested(session, scope, [&] {
    checkLocalNames(session, code.qualifiedNames);
    runStatements(session, code.body, out, false);
  });
}

void Executor::executeString(const ast::ExecStringStmt& s) {
  BoundExprPtr e = binder_.bind(*s.text, nullptr);
  EvalContext ctx{nullptr, nullptr, &env_};
  Value v = e->eval(ctx);
  if (v.isNull()) return;
  std::string text(castValue(v, e->type(), SqlType::nvarchar(SqlType::kMax)).asString());
  ExecScope scope;
  runNested(session_, text, scope, out_);
}

// EXEC sp_executesql [@stmt =] stmt [, [@params =] N'@p type [OUTPUT], ...'
// [, values by position or as @p = value]]
void Executor::executeSql(const ast::ExecStmt& s) {
  const ast::ExecArg* stmtArg = nullptr;
  const ast::ExecArg* paramsArg = nullptr;
  size_t first = 0;  // the first argument that gives a parameter's value
  for (; first < s.args.size() && first < 2; ++first) {
    const ast::ExecArg& a = s.args[first];
    if (a.name.empty() && first == 0) {
      stmtArg = &a;
    } else if (a.name.empty()) {
      if (s.args[0].name.size()) throwSqlError(119, {"2"});
      paramsArg = &a;
    } else if (compareText(a.name, "@stmt") == 0) {
      stmtArg = &a;
    } else if (compareText(a.name, "@params") == 0) {
      paramsArg = &a;
    } else {
      break;
    }
  }
  if (!stmtArg) throwSqlError(201, {"sp_executesql", "@statement"});
  std::string stmt = unicodeText(argument(*stmtArg), "@statement");
  std::string declText;
  std::vector<ast::ParamDecl> decls;
  if (paramsArg) {
    declText = unicodeText(argument(*paramsArg), "@params");
    decls = parseParameterDeclarations(declText);
  } else if (first < s.args.size()) {
    throwSqlError(214, {"@params", "ntext/nchar/nvarchar"});
  }

  ExecScope scope;
  std::vector<FormalParameter> formals;
  for (const ast::ParamDecl& d : decls) {
    if (scope.frame.find(d.name) >= 0) throwSqlError(134, {d.name}, d.pos.line);
    scope.frame.add(d.name, declaredType(d.type), ast::Pos{0, 0});
    formals.push_back({d.name, d.output});
  }
  std::span<const ast::ExecArg> values(s.args.begin() + static_cast<std::ptrdiff_t>(first), s.args.end());
  std::vector<const ast::ExecArg*> given =
      matchArguments(values, formals, "sp_executesql", static_cast<int>(first));
  std::vector<std::pair<int, int>> outputs;  // (caller's variable, parameter)
  for (size_t i = 0; i < formals.size(); ++i) {
    const ast::ExecArg* a = given[i];
    if (!a || a->value->kind == ast::ExprKind::Default) {
      throwSqlError(8178, {"(" + declText + ")" + stmt, formals[i].name});
    }
    auto [v, t] = argument(*a);
    VariableSlot& slot = scope.frame.at(static_cast<int>(i));
    slot.value = parameterValue(v, t, slot.type);
    if (a->output) outputs.emplace_back(binder_.variable(a->value->as<ast::Variable>().name, a->pos), i);
  }
  runCalled(s, scope, outputs, [&] {
    if (!stmt.empty()) runNested(session_, stmt, scope, out_);
  });
}

}  // namespace mls::tsql

#include "platform/tsql/exec/stmt/executor.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/tsql/errors.h"
#include "platform/tsql/exec/session_impl.h"
#include "platform/tsql/exec/stmt/message_format.h"
#include "platform/tsql/storage/database_file.h"
#include "platform/tsql/types/convert.h"
#include "platform/tsql/types/datetime_text.h"

namespace mls::tsql {

namespace {

DateTime currentDateTime() {
  auto now = std::chrono::system_clock::now();
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  return DateTime::fromParts(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                             static_cast<int>(ms));
}

int64_t intValue(const Value& v, const SqlType& t) {
  if (v.isNull()) return 0;
  return castValue(v, t, SqlType(TypeId::BigInt)).asInt();
}

}  // namespace

Executor::Executor(SessionImpl& session, BatchResult& out) : session_(session), out_(out), binder_(session) {
  env_.session = &session;
  env_.frame = session.frame();
  env_.globals = &session.globals();
}

void Executor::run(const std::vector<ast::StmtPtr>& stmts) {
  for (const ast::StmtPtr& s : stmts) {
    if (exec(*s) == Flow::Return) break;
  }
}

OptionScope::OptionScope(const SessionOptions& options)
    : dates_(options.dateOrder), truncation_(!options.ansiWarnings) {}

template <class F>
bool Executor::atomic(const ast::Stmt& s, F&& body) {
  std::lock_guard<StatementLatch> lock(session_.database().mutex());
  // The statement's locks go at its end (all of them outside a transaction),
  // after its changes were kept or taken back, before the latch.
  StatementGuard statement(session_);
  const SessionOptions& options = session_.globals().options;
  OptionScope applied(options);
  env_.functions.now = currentDateTime();
  env_.nullEliminated = false;
  env_.arithmeticGivesNull = options.arithmeticGivesNull();
  env_.arithmeticWarnings.clear();
  UndoLog& undo = session_.undo();
  UndoLog::Mark mark = undo.mark();
  const size_t itemsBefore = out_.items.size();
  try {
    body();
    if (session_.globals().tranCount == 0) {
      try {
        session_.commit(s.kind == ast::StmtKind::Commit);
      } catch (const SqlError&) {
        // Not saved, so taken back: the statement reports no rows affected.
        std::vector<ResultItem>& items = out_.items;
        items.erase(std::remove_if(items.begin() + static_cast<std::ptrdiff_t>(itemsBefore), items.end(),
                                   [](const ResultItem& i) { return i.kind == ResultItem::Kind::RowCount; }),
                    items.end());
        session_.globals().rowCount = 0;
        throw;
      }
    }
  } catch (SqlError& e) {
    undo.rollbackTo(mark);
    if (e.line() == 0) e.setLine(s.pos.line);
    if (!session_.continueAfter(e, false)) throw;
    return false;
  } catch (...) {
    undo.rollbackTo(mark);
    SqlError e = internalError(std::current_exception(), s.pos.line);
    session_.continueAfter(e, false);  // an internal error ends the batch
    throw e;
  }
  session_.globals().error = 0;
  for (int warning : env_.arithmeticWarnings)
    inform(warning, s.pos.line);
  // ANSI_WARNINGS OFF: no warning for the NULLs an aggregate skipped.
  if (env_.nullEliminated && session_.globals().options.ansiWarnings) inform(8153, s.pos.line);
  return true;
}

std::optional<bool> Executor::condition(const ast::Stmt& s, const ast::Expr& cond) {
  bool result = false;
  bool ran = atomic(s, [&] {
    BoundExprPtr e = binder_.bindCondition(cond, nullptr);
    EvalContext ctx{nullptr, nullptr, &env_};
    Bool3 b = e->test(ctx);
    result = b && *b;
  });
  session_.globals().rowCount = 0;
  if (!ran) return std::nullopt;
  return result;
}

Executor::Flow Executor::exec(const ast::Stmt& s) {
  switch (s.kind) {
    case ast::StmtKind::Block:
      for (const ast::StmtPtr& child : s.as<ast::BlockStmt>().body) {
        Flow f = exec(*child);
        if (f != Flow::Normal) return f;
      }
      return Flow::Normal;
    case ast::StmtKind::If: {
      // A condition that failed ends the IF statement: neither branch runs.
      // (With ANSI_WARNINGS and ARITHABORT both OFF an arithmetic error is a
      // NULL, so the condition is unknown and the ELSE branch runs.)
      const auto& i = s.as<ast::IfStmt>();
      std::optional<bool> c = condition(s, *i.condition);
      if (!c) return Flow::Normal;
      if (*c) return exec(*i.then);
      return i.otherwise ? exec(*i.otherwise) : Flow::Normal;
    }
    case ast::StmtKind::While: {
      const auto& w = s.as<ast::WhileStmt>();
      while (condition(s, *w.condition).value_or(false)) {
        Flow f = exec(*w.body);
        if (f == Flow::Break) break;
        if (f == Flow::Return) return f;
      }
      return Flow::Normal;
    }
    case ast::StmtKind::Break:
      return Flow::Break;
    case ast::StmtKind::Continue:
      return Flow::Continue;
    case ast::StmtKind::Return: {
      const auto& r = s.as<ast::ReturnStmt>();
      if (r.value) {
        if (!session_.scope()->procedure) throwSqlError(178, {}, s.pos.line);
        atomic(s, [&] { returnStatus(r); });
      }
      session_.globals().rowCount = 1;
      return Flow::Return;
    }
    case ast::StmtKind::Exec:
    case ast::StmtKind::ExecString:
      // Not atomic: the statements of the procedure or text are, and an error
      // that ended its level ends this statement only.
      try {
        OptionScope applied(session_.globals().options);  // for the arguments
        call(s);
      } catch (SqlError& e) {
        if (e.line() == 0) e.setLine(s.pos.line);
        if (!session_.continueAfter(e, true)) throw;
      } catch (...) {
        SqlError e = internalError(std::current_exception(), s.pos.line);
        session_.continueAfter(e, true);  // an internal error ends the batch
        throw e;
      }
      return Flow::Normal;
    default:
      atomic(s, [&] { simple(s); });
      return Flow::Normal;
  }
}

void Executor::simple(const ast::Stmt& s) {
  switch (s.kind) {
    case ast::StmtKind::Select:
      return select(s.as<ast::SelectStmt>());
    case ast::StmtKind::Insert:
      insert(s.as<ast::InsertStmt>());
      session_.scope()->identity = session_.globals().identity;  // SCOPE_IDENTITY()
      return;
    case ast::StmtKind::Update:
      return update(s.as<ast::UpdateStmt>());
    case ast::StmtKind::Delete:
      return remove(s.as<ast::DeleteStmt>());
    case ast::StmtKind::Declare:
      return declare(s.as<ast::DeclareStmt>());
    case ast::StmtKind::SetVariable:
      return setVariable(s.as<ast::SetVariableStmt>());
    case ast::StmtKind::SetOption:
      return setOption(s.as<ast::SetOptionStmt>());
    case ast::StmtKind::SetIsolation:
      session_.globals().isolationLevel = s.as<ast::SetIsolationStmt>().level;
      session_.globals().rowCount = 0;
      return;
    case ast::StmtKind::Print:
      return print(s.as<ast::PrintStmt>());
    case ast::StmtKind::Raiserror:
      return raiserror(s.as<ast::RaiserrorStmt>());
    case ast::StmtKind::BeginTran:
    case ast::StmtKind::Commit:
    case ast::StmtKind::Rollback:
      return transaction(s);
    case ast::StmtKind::DeclareCursor:
      return declareCursor(s.as<ast::DeclareCursorStmt>());
    case ast::StmtKind::Open:
    case ast::StmtKind::Close:
    case ast::StmtKind::Deallocate:
      return cursorStatement(s.as<ast::CursorStmt>());
    case ast::StmtKind::Fetch:
      return fetch(s.as<ast::FetchStmt>());
    case ast::StmtKind::Dbcc:
      return dbcc(s.as<ast::DbccStmt>());
    case ast::StmtKind::Checkpoint:
      if (storage::DatabaseFile* file = session_.database().file()) file->checkpoint();
      session_.globals().rowCount = 0;
      return;
    case ast::StmtKind::SetIdentityInsert:
      return setIdentityInsert(s.as<ast::SetIdentityInsertStmt>());
    case ast::StmtKind::CreateView:
      return createView(s.as<ast::CreateViewStmt>());
    case ast::StmtKind::DropView:
      return dropView(s.as<ast::DropViewStmt>());
    case ast::StmtKind::CreateProcedure:
      return createProcedure(s.as<ast::CreateProcedureStmt>());
    case ast::StmtKind::DropProcedure:
      return dropProcedure(s.as<ast::DropProcedureStmt>());
    case ast::StmtKind::Truncate:
    case ast::StmtKind::CreateTable:
    case ast::StmtKind::DropTable:
    case ast::StmtKind::AlterTable:
    case ast::StmtKind::CreateIndex:
    case ast::StmtKind::DropIndex:
      return ddl(s);
    default:
      throwSqlError(40517, {"this statement"});
  }
}

// ------------------------------------------------------------ variables

void Executor::assign(int frameIndex, const Value& v, const SqlType& from) {
  VariableSlot& slot = session_.frame()->at(frameIndex);
  // Variables take values as implicit conversions do: text too long is cut
  // without error, numbers are truncated or rounded to the variable's type.
  slot.value = v.isNull() || from.isNull() ? Value() : implicitConvert(v, from, slot.type);
}

void Executor::declare(const ast::DeclareStmt& s) {
  for (const ast::VarDecl& d : s.vars) {
    if (!d.init) continue;
    int i = binder_.variable(d.name, d.pos);
    BoundExprPtr e = binder_.bind(*d.init, nullptr);
    EvalContext ctx{nullptr, nullptr, &env_};
    assign(i, e->eval(ctx), e->type());
  }
}

void Executor::setVariable(const ast::SetVariableStmt& s) {
  int i = binder_.variable(s.name, s.pos);
  BoundExprPtr e = binder_.bind(*s.value, nullptr);
  EvalContext ctx{nullptr, nullptr, &env_};
  assign(i, e->eval(ctx), e->type());
  session_.globals().rowCount = 1;
}

// The options the parser lets through are those the session applies, or one
// at the value it always runs under (set_options.h).
void Executor::setOption(const ast::SetOptionStmt& s) {
  SessionOptions& options = session_.globals().options;
  for (const std::string& o : s.options) {
    if (o == "NOCOUNT") options.noCount = s.on();
    if (o == "XACT_ABORT") options.xactAbort = s.on();
    if (o == "ANSI_WARNINGS") options.ansiWarnings = s.on();
    if (o == "ARITHABORT") options.arithAbort = s.on();
    if (o == "LANGUAGE") options.dateOrder = DateOrder::Mdy;  // us_english's order
    if (o == "DATEFORMAT") options.dateOrder = dateOrderOf(s);
    if (o == "ROWCOUNT") options.rowLimit = rowLimitOf(s);
    if (o == "LOCK_TIMEOUT") session_.globals().lockTimeout = lockTimeout(s);
  }
  session_.globals().rowCount = 0;
}

// A variable's value is read when the statement runs.
Value Executor::optionValue(const ast::SetOptionStmt& s, SqlType& type) {
  if (!s.value.starts_with("@")) {
    type = SqlType::varchar(static_cast<int>(s.value.size()));
    return Value::string(s.value);
  }
  const VariableSlot& v = session_.frame()->at(binder_.variable(s.value, s.pos));
  type = v.type;
  return v.value;
}

DateOrder Executor::dateOrderOf(const ast::SetOptionStmt& s) {
  SqlType type;
  Value v = optionValue(s, type);
  std::string name = v.isNull()
                         ? std::string()
                         : std::string(castValue(v, type, SqlType::nvarchar(SqlType::kMax)).asString());
  std::optional<DateOrder> order = dateOrderNamed(name);
  if (!order) throwSqlError(2741, {name});
  return *order;
}

// SET LOCK_TIMEOUT n, in milliseconds: any value below 0, or NULL, waits
// without end as -1 does.
int64_t Executor::lockTimeout(const ast::SetOptionStmt& s) {
  SqlType type;
  Value v = optionValue(s, type);
  return v.isNull() ? -1 : castValue(v, type, SqlType(TypeId::Int)).asInt();
}

// SET ROWCOUNT n: 0 turns the limit off, as does a negative or NULL value.
int64_t Executor::rowLimitOf(const ast::SetOptionStmt& s) {
  SqlType type;
  Value v = optionValue(s, type);
  int64_t n = intValue(v, type);
  return n > 0 ? n : 0;
}

// ------------------------------------------------------------- messages

void Executor::inform(int number, int line) {
  SqlError m = sqlError(number, {}, line);
  out_.messages.push_back(m.message());
  out_.notices.push_back(m.toMessage());
}

void Executor::print(const ast::PrintStmt& s) {
  BoundExprPtr e = binder_.bind(*s.value, nullptr);
  EvalContext ctx{nullptr, nullptr, &env_};
  Value v = e->eval(ctx);
  std::string text;
  if (!v.isNull()) text = std::string(castValue(v, e->type(), SqlType::nvarchar(SqlType::kMax)).asString());
  out_.messages.push_back(std::move(text));
  session_.globals().rowCount = 0;
}

void Executor::raiserror(const ast::RaiserrorStmt& s) {
  EvalContext ctx{nullptr, nullptr, &env_};
  BoundExprPtr message = binder_.bind(*s.message, nullptr);
  BoundExprPtr severityExpr = binder_.bind(*s.severity, nullptr);
  BoundExprPtr stateExpr = binder_.bind(*s.state, nullptr);
  std::vector<Value> args;
  std::vector<SqlType> types;
  for (const ast::ExprPtr& a : s.args) {
    BoundExprPtr e = binder_.bind(*a, nullptr);
    args.push_back(e->eval(ctx));
    types.push_back(e->type());
  }
  int severity = static_cast<int>(intValue(severityExpr->eval(ctx), severityExpr->type()));
  int state = static_cast<int>(intValue(stateExpr->eval(ctx), stateExpr->type()));
  Value m = message->eval(ctx);
  int number = 50000;
  std::string text;
  if (message->type().isString()) {
    text = m.isNull() ? std::string() : formatRaiserror(m.asString(), args, types);
  } else {
    number = static_cast<int>(intValue(m, message->type()));
    throwSqlError(18054, {std::to_string(number), std::to_string(severity), std::to_string(state)});
  }
  session_.globals().rowCount = 0;
  if (severity >= 11) throw SqlError(number, severity, state < 0 ? 1 : state, 0, std::move(text));
  out_.notices.push_back({number, severity, state < 0 ? 1 : state, s.pos.line, text});
  out_.messages.push_back(std::move(text));
}

// ---------------------------------------------------------- transactions

void Executor::transaction(const ast::Stmt& s) {
  GlobalState& g = session_.globals();
  if (s.kind == ast::StmtKind::BeginTran) {
    ++g.tranCount;
  } else if (s.kind == ast::StmtKind::Commit) {
    if (g.tranCount == 0) throwSqlError(3902);
    --g.tranCount;
  } else {
    if (g.tranCount == 0) throwSqlError(3903);
    g.tranCount = 0;
    session_.undo().rollback();
  }
  g.rowCount = 0;
}

}  // namespace mls::tsql

#include "platform/tsql/exec/stmt/executor.h"

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

template <class F>
bool Executor::atomic(const ast::Stmt& s, F&& body) {
  std::lock_guard<StatementLatch> lock(session_.database().mutex());
  // The statement's locks go at its end (all of them outside a transaction),
  // after its changes were kept or taken back, before the latch.
  session_.beginStatement();
  struct StatementEnd {
    SessionImpl& session;
    ~StatementEnd() { session.endStatement(); }
  } end{session_};
  env_.functions.now = currentDateTime();
  env_.nullEliminated = false;
  UndoLog& undo = session_.undo();
  UndoLog::Mark mark = undo.mark();
  try {
    body();
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
  if (session_.globals().tranCount == 0) undo.commit();
  session_.globals().error = 0;
  if (env_.nullEliminated) inform(8153, s.pos.line);
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
      if (r.value) throwSqlError(178, {}, s.pos.line);
      session_.globals().rowCount = 1;
      return Flow::Return;
    }
    case ast::StmtKind::Exec:
    case ast::StmtKind::ExecString:
      // Not atomic: the statements of the procedure or text are, and an error
      // that ended its level ends this statement only.
      try {
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

int64_t Executor::lockTimeout(const ast::SetOptionStmt& s) {
  // A number as written, or a variable's value, as an int; any value below 0
  // but -1 waits without end as -1 does.
  Value v;
  SqlType t(TypeId::BigInt);
  if (s.value.starts_with("@")) {
    const VariableSlot& slot = session_.frame()->at(binder_.variable(s.value, s.pos));
    v = slot.value;
    t = slot.type;
  } else {
    v = castValue(Value::string(s.value), SqlType::varchar(20), t);
  }
  return v.isNull() ? -1 : castValue(v, t, SqlType(TypeId::Int)).asInt();
}

void Executor::setOption(const ast::SetOptionStmt& s) {
  for (const std::string& o : s.options) {
    if (o == "NOCOUNT") session_.globals().noCount = s.on();
    if (o == "XACT_ABORT") session_.globals().xactAbort = s.on();
    if (o == "LOCK_TIMEOUT") session_.globals().lockTimeout = lockTimeout(s);
  }
  session_.globals().rowCount = 0;
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

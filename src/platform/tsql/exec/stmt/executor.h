// Runs the statements of one batch: control flow, variables, messages, DML and
// DDL.  Each simple statement is bound when it runs and is atomic: an error
// takes back its changes through the undo log, then ends the statement or the
// batch as SQL Server's error classes say (errors.h).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/tsql/catalog/procedure_set.h"
#include "platform/tsql/catalog/table.h"
#include "platform/tsql/catalog/undo_log.h"
#include "platform/tsql/engine.h"
#include "platform/tsql/exec/bind/binder.h"
#include "platform/tsql/exec/expr/runtime.h"
#include "platform/tsql/exec/ops/query_plan.h"
#include "platform/tsql/parse/ast.h"
#include "platform/tsql/types/convert.h"
#include "platform/tsql/types/datetime_text.h"

namespace mls::tsql {

class SessionImpl;
class Cursor;
class FromPlanner;
struct ExecScope;

// Inserts the rows of one INSERT into `table`: the values given for the
// `targets` columns, the others' defaults (or NULL, or identity values).
struct RowInserter {
  Table& table;
  const std::vector<size_t>& targets;
  DefaultEvaluator defaults;
  UndoLog& undo;
  GlobalState& globals;
  ExecEnv* env;  // the statement's: whether a value past its column's range is stored as NULL
  int64_t inserted = 0;
  std::vector<uint8_t> set;                          // scratch: the columns given a value
  std::function<void(const Row&)> checkOption = {};  // a view's WITH CHECK OPTION (550), or empty

  void insert(std::vector<std::optional<Value>>& given, const std::vector<SqlType>& types);
};

// Declares the batch's variables in `frame` in the order of the text, before
// anything runs: 134 for a name declared twice; 135 / 136 for BREAK /
// CONTINUE outside a loop.
void declareBatchVariables(const std::vector<ast::StmtPtr>& stmts, Frame& frame);

// Checks that each variable `stmts` use is declared in `frame` before its use
// in the text: 137 for the first that is not (a procedure's body, compiled
// whole when it is created).
void checkVariableUses(const std::vector<ast::StmtPtr>& stmts, const Frame& frame);

// Applies the session's date order and truncation rule (SET DATEFORMAT, SET
// ANSI_WARNINGS) to the conversions of the running statement's thread.
class OptionScope {
 public:
  explicit OptionScope(const SessionOptions& options);

 private:
  DateOrderScope dates_;
  TruncationScope truncation_;
};

class Executor {
 public:
  Executor(SessionImpl& session, BatchResult& out);

  void run(const std::vector<ast::StmtPtr>& stmts);

 private:
  enum class Flow { Normal, Break, Continue, Return };

  Flow exec(const ast::Stmt& s);
  // Runs `body` as one atomic statement at `s`'s line under the database lock.
  // An error takes the statement back; false when it ended the statement
  // only (SessionImpl::continueAfter), else it is thrown on.
  template <class F>
  bool atomic(const ast::Stmt& s, F&& body);
  // The value of an IF or WHILE condition; nullopt when it failed.
  std::optional<bool> condition(const ast::Stmt& s, const ast::Expr& cond);
  void simple(const ast::Stmt& s);

  // procedural (executor.cpp)
  void declare(const ast::DeclareStmt& s);
  void setVariable(const ast::SetVariableStmt& s);
  void setOption(const ast::SetOptionStmt& s);
  // The value of a SET option given as a word, a string or a variable.
  Value optionValue(const ast::SetOptionStmt& s, SqlType& type);
  DateOrder dateOrderOf(const ast::SetOptionStmt& s);
  int64_t rowLimitOf(const ast::SetOptionStmt& s);
  int64_t lockTimeout(const ast::SetOptionStmt& s);
  // Locks the table an INSERT, UPDATE or DELETE changes (exclusive, to the
  // transaction's end) before the statement reads anything: `target` names
  // it, a view of it, or an alias of a table in `from`; its hints (and those
  // of its source in `from`) as SessionImpl::lockForChange takes them.
  void lockTarget(const ast::ObjectName& target, const std::vector<std::string>& hints,
                  const std::vector<ast::TableRefPtr>& from);
  void print(const ast::PrintStmt& s);
  // Sends the informational message `number` (errors.cpp) of the statement
  // at `line` to the client.
  void inform(int number, int line);
  void raiserror(const ast::RaiserrorStmt& s);
  void transaction(const ast::Stmt& s);
  void assign(int frameIndex, const Value& v, const SqlType& from);

  // queries and DML (dml.cpp)
  // SET ROWCOUNT: the rows a statement stops after; 0 for no limit.
  int64_t rowLimit() const;
  void select(const ast::SelectStmt& s);
  void insert(const ast::InsertStmt& s);
  // INSERT ... SELECT: streams the rows unless the query reads the target.
  void insertQuery(QueryPlan& plan, RowInserter& inserter);
  void update(const ast::UpdateStmt& s);
  // An UPDATE's SET item: the column it sets (if any), the variable (if
  // any), the value (null: DEFAULT).
  struct SetItem {
    std::optional<size_t> column;
    int variable = -1;
    BoundExprPtr value;
  };
  std::vector<SetItem> bindSetItems(const ast::UpdateStmt& s, const SourceBinding& target,
                                    const Scope& scope);
  void remove(const ast::DeleteStmt& s);
  // The target of UPDATE or DELETE as bound: the table changed and the slot
  // of its rows, or (through a view that is no plain subset of one table) of
  // the view's rows, each locating the table's row it shows by its column
  // `locator`; the table under the names SET gives its columns; the view.
  struct ChangeTarget {
    std::shared_ptr<Table> table;
    int slot = 0;
    int locator = -1;
    SourceBinding names;
    const ViewDef* view = nullptr;
  };
  ChangeTarget bindTarget(const ast::ObjectName& target, const std::vector<std::string>& hints,
                          const std::vector<ast::TableRefPtr>& from, FromPlanner& planner, Scope& scope,
                          const std::vector<std::string>& changed, bool deleting);
  // Whether a row of the target's table is one its view (of one table, read
  // in its place) shows; empty when every row counts.
  std::function<bool(const Value*)> viewShows(const ChangeTarget& target);
  void selectInto(const ast::ObjectName& into, QueryPlan& plan);

  // views (views.cpp)
  void createView(const ast::CreateViewStmt& s);
  void dropView(const ast::DropViewStmt& s);
  void rowsAffected(int64_t n);

  // DDL (ddl.cpp)
  void ddl(const ast::Stmt& s);
  // Column defaults as one statement evaluates them: each bound at its first
  // use, then evaluated for every row that takes it.
  DefaultEvaluator statementDefaults();

  // stored procedures (procedures.cpp)
  void createProcedure(const ast::CreateProcedureStmt& s);
  void dropProcedure(const ast::DropProcedureStmt& s);
  std::shared_ptr<const ProcedureDef> findProcedure(const std::string& name);
  // The value RETURN gives a procedure's status (RETURN outside one: 178).
  void returnStatus(const ast::ReturnStmt& s);

  // EXEC of procedures and of dynamic SQL (procedures.cpp, dynamic_sql.cpp).
  // Not one atomic statement: the statements they run are.
  void call(const ast::Stmt& s);
  void callProcedure(const ast::ExecStmt& s);
  ast::ObjectName procedureNamed(const ast::Expr& variable);  // EXEC @name
  void executeSql(const ast::ExecStmt& s);
  void executeString(const ast::ExecStringStmt& s);
  // The value and type of an argument (a bare word is a string).
  std::pair<Value, SqlType> argument(const ast::ExecArg& a);
  // Runs the level `scope` of EXEC `s` through `run`, then hands its OUTPUT
  // parameters ((caller's variable, parameter) in `outputs`) and its return
  // status to the caller; a level that changed @@TRANCOUNT hands them over
  // before its 266 reaches the caller.
  void runCalled(const ast::ExecStmt& s, ExecScope& scope, const std::vector<std::pair<int, int>>& outputs,
                 const std::function<void()>& run);

  // cursors (cursors.cpp)
  void declareCursor(const ast::DeclareCursorStmt& s);
  void cursorStatement(const ast::CursorStmt& s);
  void fetch(const ast::FetchStmt& s);
  Cursor& findCursor(const std::string& name, bool global);

  // identity (identity.cpp)
  void dbcc(const ast::DbccStmt& s);
  void setIdentityInsert(const ast::SetIdentityInsertStmt& s);

  SessionImpl& session_;
  BatchResult& out_;
  ExecEnv env_;
  Binder binder_;
};

}  // namespace mls::tsql

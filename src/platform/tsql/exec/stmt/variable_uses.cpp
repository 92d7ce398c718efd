// The variables a procedure's body uses, checked against its declarations when
// the procedure is compiled: a use must follow the parameter or DECLARE that
// names it in the text.  Cursor names, @@globals, the parameter names EXEC
// passes by name and the text of dynamic SQL are no uses.
#include <optional>
#include <vector>

#include "platform/tsql/errors.h"
#include "platform/tsql/exec/bind/ast_walk.h"
#include "platform/tsql/exec/stmt/executor.h"

namespace mls::tsql {

namespace {

bool before(ast::Pos a, ast::Pos b) {
  return a.line < b.line || (a.line == b.line && a.column < b.column);
}

class UseChecker {
 public:
  explicit UseChecker(const Frame& frame) : frame_(frame) {}

  // The first use in the text that no declaration before it names.
  const std::optional<std::pair<std::string, ast::Pos>>& first() const { return first_; }

  void use(const std::string& name, ast::Pos at) {
    int i = frame_.find(name);
    if (i >= 0 && !before(at, frame_.at(i).declaredAt)) return;
    if (!first_ || before(at, first_->second)) first_ = {name, at};
  }

  // Iterative: an operator chain may be as long as the parser takes, and the
  // order of the uses found does not matter (the earliest is kept).
  void expr(const ast::Expr* root) {
    if (!root) return;
    std::vector<const ast::Expr*> todo{root};
    while (!todo.empty()) {
      const ast::Expr* e = todo.back();
      todo.pop_back();
      switch (e->kind) {
        case ast::ExprKind::Variable:
          use(e->as<ast::Variable>().name, e->pos);
          break;
        case ast::ExprKind::InSubquery:
          query(e->as<ast::InSubqueryExpr>().query.get());
          break;
        case ast::ExprKind::Exists:
          query(e->as<ast::ExistsExpr>().query.get());
          break;
        case ast::ExprKind::Quantified:
          query(e->as<ast::QuantifiedExpr>().query.get());
          break;
        case ast::ExprKind::Subquery:
          query(e->as<ast::SubqueryExpr>().query.get());
          break;
        default:
          break;
      }
      forEachChild(*e, [&](const ast::Expr& c) { todo.push_back(&c); });
    }
  }

  // Iterative over a chain of set operations, as long as the parser takes.
  void query(const ast::Query* root) {
    std::vector<const ast::Query*> todo{root};
    while (!todo.empty()) {
      const ast::Query* q = todo.back();
      todo.pop_back();
      if (!q) continue;
      if (q->select) select(*q->select);
      todo.push_back(q->left.get());
      todo.push_back(q->right.get());
      for (const ast::OrderItem& o : q->orderBy)
        expr(o.expr.get());
    }
  }

  void sources(const std::vector<ast::TableRefPtr>& from) {
    for (const ast::TableRefPtr& t : from)
      source(*t);
  }

  void stmts(const std::vector<ast::StmtPtr>& body) {
    for (const ast::StmtPtr& s : body)
      stmt(*s);
  }

  void stmt(const ast::Stmt& s) {
    switch (s.kind) {
      case ast::StmtKind::Select:
        query(s.as<ast::SelectStmt>().query.get());
        break;
      case ast::StmtKind::Insert: {
        const auto& i = s.as<ast::InsertStmt>();
        for (const auto& row : i.rows)
          exprs(row);
        query(i.query.get());
        break;
      }
      case ast::StmtKind::Update: {
        const auto& u = s.as<ast::UpdateStmt>();
        for (const ast::SetItem& item : u.items) {
          if (!item.variable.empty()) use(item.variable, item.pos);
          expr(item.value.get());
        }
        sources(u.from);
        expr(u.where.get());
        break;
      }
      case ast::StmtKind::Delete:
        sources(s.as<ast::DeleteStmt>().from);
        expr(s.as<ast::DeleteStmt>().where.get());
        break;
      case ast::StmtKind::Declare:
        for (const ast::VarDecl& d : s.as<ast::DeclareStmt>().vars)
          expr(d.init.get());
        break;
      case ast::StmtKind::DeclareCursor:
        query(s.as<ast::DeclareCursorStmt>().query.get());
        break;
      case ast::StmtKind::Fetch: {
        const auto& f = s.as<ast::FetchStmt>();
        expr(f.offset.get());
        for (const std::string& v : f.into)
          use(v, s.pos);
        break;
      }
      case ast::StmtKind::SetVariable:
        use(s.as<ast::SetVariableStmt>().name, s.pos);
        expr(s.as<ast::SetVariableStmt>().value.get());
        break;
      case ast::StmtKind::SetOption: {  // SET ROWCOUNT @n
        const std::string& v = s.as<ast::SetOptionStmt>().value;
        if (v.starts_with("@") && !v.starts_with("@@")) use(v, s.pos);
        break;
      }
      case ast::StmtKind::If: {
        const auto& i = s.as<ast::IfStmt>();
        expr(i.condition.get());
        stmt(*i.then);
        if (i.otherwise) stmt(*i.otherwise);
        break;
      }
      case ast::StmtKind::Block:
        stmts(s.as<ast::BlockStmt>().body);
        break;
      case ast::StmtKind::While:
        expr(s.as<ast::WhileStmt>().condition.get());
        stmt(*s.as<ast::WhileStmt>().body);
        break;
      case ast::StmtKind::Return:
        expr(s.as<ast::ReturnStmt>().value.get());
        break;
      case ast::StmtKind::Print:
        expr(s.as<ast::PrintStmt>().value.get());
        break;
      case ast::StmtKind::Raiserror: {
        const auto& r = s.as<ast::RaiserrorStmt>();
        expr(r.message.get());
        expr(r.severity.get());
        expr(r.state.get());
        exprs(r.args);
        break;
      }
      case ast::StmtKind::Exec: {
        const auto& x = s.as<ast::ExecStmt>();
        if (!x.returnVariable.empty()) use(x.returnVariable, s.pos);
        expr(x.procedureVariable.get());
        for (const ast::ExecArg& a : x.args)
          expr(a.value.get());
        break;
      }
      case ast::StmtKind::ExecString:
        expr(s.as<ast::ExecStringStmt>().text.get());
        break;
      case ast::StmtKind::BeginTran:
      case ast::StmtKind::Commit:
      case ast::StmtKind::Rollback: {  // BEGIN TRAN @name
        const std::string& n = s.as<ast::TranStmt>().name;
        if (n.starts_with("@")) use(n, s.pos);
        break;
      }
      case ast::StmtKind::Dbcc:
        exprs(s.as<ast::DbccStmt>().args);
        break;
      case ast::StmtKind::Truncate:
      case ast::StmtKind::CreateTable:
      case ast::StmtKind::DropTable:
      case ast::StmtKind::AlterTable:
      case ast::StmtKind::CreateIndex:
      case ast::StmtKind::DropIndex:
      case ast::StmtKind::CreateView:
      case ast::StmtKind::DropView:
      case ast::StmtKind::CreateProcedure:
      case ast::StmtKind::DropProcedure:
      case ast::StmtKind::Open:
      case ast::StmtKind::Close:
      case ast::StmtKind::Deallocate:
      case ast::StmtKind::SetIdentityInsert:
      case ast::StmtKind::SetIsolation:
      case ast::StmtKind::Break:
      case ast::StmtKind::Continue:
      case ast::StmtKind::Checkpoint:
        break;
    }
  }

 private:
  void exprs(const std::vector<ast::ExprPtr>& list) {
    for (const ast::ExprPtr& e : list)
      expr(e.get());
  }

  void select(const ast::SelectBlock& b) {
    if (b.top) expr(b.top->count.get());
    for (const ast::SelectItem& item : b.items) {
      if (!item.variable.empty()) use(item.variable, item.pos);
      expr(item.expr.get());
    }
    sources(b.from);
    expr(b.where.get());
    exprs(b.groupBy);
    expr(b.having.get());
  }

  void source(const ast::TableRef& t) {
    switch (t.kind) {
      case ast::TableRefKind::Named:
        break;
      case ast::TableRefKind::Derived:
        query(t.as<ast::DerivedTable>().query.get());
        break;
      case ast::TableRefKind::Join:
        source(*t.as<ast::JoinRef>().left);
        source(*t.as<ast::JoinRef>().right);
        expr(t.as<ast::JoinRef>().on.get());
        break;
    }
  }

  const Frame& frame_;
  std::optional<std::pair<std::string, ast::Pos>> first_;
};

}  // namespace

void checkVariableUses(const std::vector<ast::StmtPtr>& stmts, const Frame& frame) {
  UseChecker checker(frame);
  checker.stmts(stmts);
  if (const auto& first = checker.first()) throwSqlError(137, {first->first}, first->second.line);
}

}  // namespace mls::tsql

// CREATE / DROP / ALTER TABLE, TRUNCATE and CREATE / DROP INDEX, through the
// catalog.
#include "platform/tsql/catalog/catalog.h"
#include "platform/tsql/errors.h"
#include "platform/tsql/exec/bind/ast_walk.h"
#include "platform/tsql/exec/session_impl.h"
#include "platform/tsql/exec/stmt/executor.h"

namespace mls::tsql {

namespace {

// The tables a DDL statement changes: each is locked for schema modification
// to the end of the transaction before it runs.
std::vector<const ast::ObjectName*> ddlTargets(const ast::Stmt& s) {
  switch (s.kind) {
    case ast::StmtKind::CreateTable:
      return {&s.as<ast::CreateTableStmt>().table};
    case ast::StmtKind::DropTable: {
      std::vector<const ast::ObjectName*> out;
      for (const ast::ObjectName& n : s.as<ast::DropTableStmt>().tables)
        out.push_back(&n);
      return out;
    }
    case ast::StmtKind::Truncate:
      return {&s.as<ast::TruncateStmt>().table};
    case ast::StmtKind::AlterTable:
      return {&s.as<ast::AlterTableStmt>().table};
    case ast::StmtKind::CreateIndex:
      return {&s.as<ast::CreateIndexStmt>().table};
    case ast::StmtKind::DropIndex: {
      std::vector<const ast::ObjectName*> out;
      for (const ast::DropIndexStmt::Target& t : s.as<ast::DropIndexStmt>().targets)
        out.push_back(&t.table);
      return out;
    }
    default:
      return {};
  }
}

// A column's DEFAULT is a constant expression, kept with the table: a column
// or a variable (128) or a subquery (1046) in it is refused, as SQL Server
// refuses them, instead of being read later where an INSERT runs.
void checkDefault(const ast::Expr& e) {
  switch (e.kind) {
    case ast::ExprKind::ColumnRef:
      throwSqlError(128, {e.as<ast::ColumnRef>().column()});
    case ast::ExprKind::Variable:
      throwSqlError(128, {e.as<ast::Variable>().name});
    case ast::ExprKind::InSubquery:
    case ast::ExprKind::Exists:
    case ast::ExprKind::Quantified:
    case ast::ExprKind::Subquery:
      throwSqlError(1046);
    default:
      forEachChild(e, [](const ast::Expr& c) { checkDefault(c); });
  }
}

void checkDefaults(const std::vector<ast::ColumnDef>& columns) {
  for (const ast::ColumnDef& c : columns) {
    if (c.defaultValue) checkDefault(*c.defaultValue);
  }
}

}  // namespace

void Executor::ddl(const ast::Stmt& s) {
  if (s.kind == ast::StmtKind::CreateTable) checkDefaults(s.as<ast::CreateTableStmt>().columns);
  if (s.kind == ast::StmtKind::AlterTable) checkDefaults(s.as<ast::AlterTableStmt>().columns);
  for (const ast::ObjectName* name : ddlTargets(s))
    session_.lock(name->name(), LockMode::SchemaModification);
  Catalog catalog = session_.catalog();
  UndoLog& undo = session_.undo();
  switch (s.kind) {
    case ast::StmtKind::CreateTable:
      catalog.createTable(s.as<ast::CreateTableStmt>(), undo);
      break;
    case ast::StmtKind::DropTable:
      for (const ast::ObjectName& n : s.as<ast::DropTableStmt>().tables)
        catalog.dropTable(n, undo);
      break;
    case ast::StmtKind::Truncate:
      catalog.truncateTable(s.as<ast::TruncateStmt>().table, undo);
      break;
    case ast::StmtKind::AlterTable: {
      catalog.alterTable(s.as<ast::AlterTableStmt>(), undo, statementDefaults());
      break;
    }
    case ast::StmtKind::CreateIndex:
      catalog.createIndex(s.as<ast::CreateIndexStmt>(), undo);
      break;
    case ast::StmtKind::DropIndex:
      for (const ast::DropIndexStmt::Target& t : s.as<ast::DropIndexStmt>().targets)
        catalog.dropIndex(t, undo);
      break;
    default:
      break;
  }
}

}  // namespace mls::tsql

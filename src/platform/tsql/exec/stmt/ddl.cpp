// CREATE / DROP / ALTER TABLE, TRUNCATE and CREATE / DROP INDEX, through the
// catalog.
#include "platform/tsql/catalog/catalog.h"
#include "platform/tsql/errors.h"
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

}  // namespace

void Executor::ddl(const ast::Stmt& s) {
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

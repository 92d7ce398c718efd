// The catalog as one session sees it: the database's permanent tables, the
// session's temporary tables (#name) and the system views computed from both.
// A Catalog is a light view, made per statement or per session from the two
// table sets; it resolves names for the binder and runs DDL for the executor.
//
// Name resolution (case-insensitive; "dbo" and "sys" are accepted and
// ignored; a database part is the session's database or tempdb, as the batch
// was checked before it ran (names.h); OBJECT_ID of another is NULL):
//   #t, tempdb..#t, tempdb.dbo.#t  -> the session's temporary table
//   sysobjects, sysindexes, syscolumns (also dbo./sys.) -> views of permanent objects
//   tempdb..sysobjects (sysindexes, syscolumns) -> views of the session's temporary objects
//   t, dbo.t, db.dbo.t             -> the permanent table
//
// DDL raises the server's errors (2714, 3701, 1913, 1505, 4901, ...) before
// changing anything, or the change is taken back through the undo log; every
// change is recorded in the caller's UndoLog.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/tsql/catalog/procedure_set.h"
#include "platform/tsql/catalog/table.h"
#include "platform/tsql/catalog/table_set.h"
#include "platform/tsql/catalog/undo_log.h"
#include "platform/tsql/catalog/view_set.h"
#include "platform/tsql/parse/ast.h"

namespace mls::tsql {

class Catalog {
 public:
  // `views`, `procedures`: the database's views and stored procedures (for
  // OBJECT_ID, the system views and the names objects take); `locks`: asked
  // before a permanent name a statement reads resolves; `nestLevel`: the
  // session's running level, which the temporary tables it makes belong to.
  // `database`: the session's name for the database, which a three-part name
  // names to stay in it.
  Catalog(TableSet& permanent, TableSet& temporary, const ViewSet* views = nullptr,
          ObjectLocks* locks = nullptr, const ProcedureSet* procedures = nullptr, int nestLevel = 0,
          std::string_view database = kDefaultDatabaseName)
      : permanent_(permanent),
        temporary_(temporary),
        views_(views),
        locks_(locks),
        procedures_(procedures),
        nestLevel_(nestLevel),
        database_(database) {}

  TableSet& permanent() { return permanent_; }
  TableSet& temporary() { return temporary_; }
  std::string_view database() const { return database_; }

  // ------------------------------------------------------------- resolution
  // The table or system view `name` names, or nullptr.  A system view is a
  // fresh read-only snapshot (Table::isSystemView()).
  // `lock`: a permanent name is locked for reading first (when the catalog
  // has locks); false when the caller locked it already, as its hints say.
  std::shared_ptr<Table> findTable(const ast::ObjectName& name, bool lock = true) const;
  // As findTable, raising 208 "Invalid object name 'x'." when there is none.
  std::shared_ptr<Table> getTable(const ast::ObjectName& name, bool lock = true) const;
  // OBJECT_ID(text [, type]): the id of a table, a view, a procedure (P) or a constraint (PK, UQ, D)
  // named by `text` ("t", "dbo.t", "[dbo].[t]", "tempdb..#t", "#t", "PK_t");
  // `xtype` ("U", "PK", ...; "" for any) filters by kind.
  std::optional<int32_t> objectId(std::string_view text, std::string_view xtype = {}) const;
  // Whether a permanent object (a table, constraint, default, view or
  // procedure) or a system view takes the name `name`.
  bool permanentNameTaken(std::string_view name) const;

  // -------------------------------------------------------------------- DDL
  // CREATE TABLE.  The columns share their defaults' expressions with the
  // statement (ast::ColumnDef::defaultValue), not the rest of its batch.
  std::shared_ptr<Table> createTable(const ast::CreateTableStmt& stmt, UndoLog& undo);
  // Adds a table built by the caller (SELECT ... INTO, loading a database
  // file): checks the name (2714), gives the table, its constraints and
  // defaults object ids and generated names where they have none.
  void addTable(std::shared_ptr<Table> t, UndoLog& undo);
  // DROP TABLE (3701 when missing).
  void dropTable(const ast::ObjectName& name, UndoLog& undo);
  // TRUNCATE TABLE (208 when missing); resets the identity.
  void truncateTable(const ast::ObjectName& name, UndoLog& undo);
  // ALTER TABLE ADD column / ADD CONSTRAINT / DROP CONSTRAINT.  Existing rows
  // of an added column get NULL when it is nullable, else its default
  // (evaluated once through `evalDefault`) or identity values in storage
  // order; a NOT NULL column without either on a non-empty table is 4901.
  void alterTable(const ast::AlterTableStmt& stmt, UndoLog& undo, const DefaultEvaluator& evalDefault);
  // CREATE [UNIQUE] [CLUSTERED] INDEX (1913, 1902, 1505).
  void createIndex(const ast::CreateIndexStmt& stmt, UndoLog& undo);
  // DROP INDEX t.ix / ix ON t (3701 when missing).
  void dropIndex(const ast::DropIndexStmt::Target& target, UndoLog& undo);

  // The name SQL Server gives an unnamed constraint: PK__t__<hex id>,
  // UQ__t__<hex id>, DF__t__col__<hex id>.
  static std::string generatedName(std::string_view prefix, const Table& t, std::string_view column,
                                   int32_t id);

 private:
  // Is `name` taken by a table or constraint in the set the table goes to (or
  // by a view or procedure, for the permanent set)?  A temporary table of
  // another level does not take its name.
  bool objectNameTaken(const TableSet& set, std::string_view name) const;
  TableSet& setFor(const ast::ObjectName& name) const;
  std::shared_ptr<Table> systemView(std::string_view name, bool tempdb) const;

  TableSet& permanent_;
  TableSet& temporary_;
  const ViewSet* views_;
  ObjectLocks* locks_;
  const ProcedureSet* procedures_;
  int nestLevel_;
  std::string_view database_;
};

}  // namespace mls::tsql

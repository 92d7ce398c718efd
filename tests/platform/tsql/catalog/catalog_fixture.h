// Shared helpers of the catalog tests: a database's and a session's table sets
// with a Catalog over them, DDL run from T-SQL text, and rows built from ints
// and strings.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/tsql/catalog/catalog.h"
#include "platform/tsql/engine.h"
#include "platform/tsql/parse/parser.h"
#include "platform/tsql/sql_errors.h"

namespace mls::tsql::testing {

inline Value I(int64_t v) {
  return Value::integer(v);
}
inline Value S(std::string_view s) {
  return Value::string(s);
}

template <class F>
std::string messageOf(F&& f) {
  try {
    f();
  } catch (const SqlError& e) {
    return e.message();
  }
  return "";
}

class CatalogTest : public ::testing::Test {
 protected:
  // Runs the DDL statements of `sql` through the catalog, each under the undo
  // log's statement protocol (rolled back on error, else committed).
  void ddl(const std::string& sql) {
    std::vector<ast::StmtPtr> stmts = parseBatch(sql);
    for (const auto& s : stmts) {
      UndoLog::Mark m = undo.mark();
      try {
        run(*s);
      } catch (...) {
        undo.rollbackTo(m);
        throw;
      }
      undo.commit();
    }
  }

  std::shared_ptr<Table> table(const std::string& name) {
    ast::ObjectName n;
    n.parts = {name};
    return cat.getTable(n);
  }

  // Inserts rows as one statement: all or nothing.
  void insertRows(Table& t, const std::vector<Row>& rows) {
    UndoLog::Mark m = undo.mark();
    try {
      for (const Row& r : rows)
        t.insert(r, undo);
    } catch (...) {
      undo.rollbackTo(m);
      throw;
    }
    undo.commit();
  }

  // The rows of `t` in storage order, column `c` only.
  static std::vector<int64_t> column(const Table& t, size_t c) {
    std::vector<int64_t> out;
    for (RowId id : t.scanOrder())
      out.push_back(t.row(id)[c].isNull() ? -999 : t.row(id)[c].asInt());
    return out;
  }

  TableSet permanent, temporary;
  Catalog cat{permanent, temporary};
  UndoLog undo;

 private:
  void run(const ast::Stmt& s) {
    switch (s.kind) {
      case ast::StmtKind::CreateTable:
        cat.createTable(s.as<ast::CreateTableStmt>(), undo);
        break;
      case ast::StmtKind::DropTable:
        for (const auto& n : s.as<ast::DropTableStmt>().tables)
          cat.dropTable(n, undo);
        break;
      case ast::StmtKind::CreateIndex:
        cat.createIndex(s.as<ast::CreateIndexStmt>(), undo);
        break;
      default:
        throw std::logic_error("not a DDL statement");
    }
  }
};

}  // namespace mls::tsql::testing

// Cursors: DECLARE c CURSOR ... FOR query, OPEN, FETCH, CLOSE, DEALLOCATE.
//
// Every cursor reads a snapshot of its query taken at OPEN (later changes to
// the tables do not show).  The variables the query reads keep the values
// they had at DECLARE.  A cursor is forward-only unless declared SCROLL,
// STATIC, KEYSET or DYNAMIC (without FORWARD_ONLY / FAST_FORWARD).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/tsql/engine.h"
#include "platform/tsql/exec/expr/runtime.h"
#include "platform/tsql/parse/ast.h"

namespace mls::tsql {

class Cursor {
 public:
  // The cursor shares `decl`'s query (not the rest of its batch);
  // `variables` are the declaring scope's variables as they were at DECLARE.
  Cursor(const ast::DeclareCursorStmt& decl, Frame variables);

  const std::string& name() const { return name_; }
  const ast::Query& query() const { return *query_; }
  const Frame& variables() const { return variables_; }
  bool scrollable() const { return scrollable_; }
  bool isOpen() const { return open_; }
  const std::vector<ColumnInfo>& columns() const { return columns_; }

  // Takes the query's rows; the position is before the first.
  void open(std::vector<ColumnInfo> columns, std::vector<std::vector<Value>> rows);
  void close();
  // Moves as FETCH `direction` does (`offset` for ABSOLUTE / RELATIVE) and
  // returns the row there, or nullptr when the position is outside the rows.
  const std::vector<Value>* fetch(ast::FetchStmt::Direction direction, int64_t offset);

 private:
  std::string name_;
  std::shared_ptr<const ast::Query> query_;
  Frame variables_;
  bool scrollable_ = false;
  bool open_ = false;
  std::vector<ColumnInfo> columns_;
  std::vector<std::vector<Value>> rows_;
  int64_t position_ = -1;  // -1: before the first row; rows_.size(): after the last
};

// The cursors of one owner (a session's GLOBAL cursors, a scope's LOCAL ones),
// by name without regard to case.
class CursorSet {
 public:
  Cursor* find(std::string_view name) const;
  void add(std::unique_ptr<Cursor> c) { cursors_.push_back(std::move(c)); }
  void remove(const Cursor& c);

 private:
  std::vector<std::unique_ptr<Cursor>> cursors_;
};

}  // namespace mls::tsql

#include "platform/tsql/exec/cursor.h"

#include <algorithm>
#include <utility>

#include "platform/tsql/types/collation.h"

namespace mls::tsql {

Cursor::Cursor(const ast::DeclareCursorStmt& decl, Frame variables)
    : name_(decl.name), query_(decl.query), variables_(std::move(variables)) {
  bool forwardOnly = decl.hasOption("FORWARD_ONLY") || decl.hasOption("FAST_FORWARD");
  scrollable_ = !forwardOnly && (decl.hasOption("SCROLL") || decl.hasOption("STATIC") ||
                                 decl.hasOption("KEYSET") || decl.hasOption("DYNAMIC"));
}

void Cursor::open(std::vector<ColumnInfo> columns, std::vector<std::vector<Value>> rows) {
  columns_ = std::move(columns);
  rows_ = std::move(rows);
  position_ = -1;
  open_ = true;
}

void Cursor::close() {
  rows_.clear();
  rows_.shrink_to_fit();
  open_ = false;
}

const std::vector<Value>* Cursor::fetch(ast::FetchStmt::Direction direction, int64_t offset) {
  using D = ast::FetchStmt::Direction;
  const auto n = static_cast<int64_t>(rows_.size());
  int64_t p = position_;
  switch (direction) {
    case D::Next:
      p = p + 1;
      break;
    case D::Prior:
      p = p - 1;
      break;
    case D::First:
      p = 0;
      break;
    case D::Last:
      p = n - 1;
      break;
    case D::Absolute:
      // ABSOLUTE 0 lands before the first row; a negative n counts from the end.
      p = offset > 0 ? offset - 1 : (offset < 0 ? n + offset : -1);
      break;
    case D::Relative:
      p = p + offset;
      break;
  }
  position_ = std::clamp<int64_t>(p, -1, n);
  if (position_ < 0 || position_ >= n) return nullptr;
  return &rows_[static_cast<size_t>(position_)];
}

Cursor* CursorSet::find(std::string_view name) const {
  for (const auto& c : cursors_) {
    if (compareText(c->name(), name) == 0) return c.get();
  }
  return nullptr;
}

void CursorSet::remove(const Cursor& c) {
  std::erase_if(cursors_, [&](const std::unique_ptr<Cursor>& p) { return p.get() == &c; });
}

}  // namespace mls::tsql

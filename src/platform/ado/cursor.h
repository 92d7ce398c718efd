// The client-side cursor under a Recordset: the materialised rows, the view of
// them that Filter and Sort make, and the current position in that view.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ado/filter.h"
#include "platform/ado/provider.h"

namespace mls::ado {

class Cursor {
 public:
  static constexpr int64_t kPosBof = -2;
  static constexpr int64_t kPosEof = -3;

  // Positioned on the first row (at BOF and EOF when there is none).
  explicit Cursor(RowsetData data);

  const std::vector<ColumnMeta>& columns() const { return data_.columns; }
  // The first column of that name (any case).
  std::optional<size_t> findColumn(std::string_view name) const;

  // Rows in the view.
  int64_t count() const { return static_cast<int64_t>(view_.size()); }
  bool bof() const { return view_.empty() || pos_ < 0; }
  bool eof() const { return view_.empty() || pos_ >= count(); }

  // Moves raise 3021 when there is no record to move from or to (MoveNext at
  // EOF, MovePrevious at BOF, MoveFirst/MoveLast on an empty view).  Move(n)
  // past either end stops at BOF or EOF.
  void moveFirst();
  void moveLast();
  void moveNext();
  void movePrevious();
  void move(int64_t n);
  // 1-based position; kPosBof / kPosEof off the ends.  Setting one outside
  // 1..count raises 3001.
  int64_t absolutePosition() const;
  void setAbsolutePosition(int64_t position);

  // The current record's value; 3021 at BOF or EOF.
  const com::Variant& value(size_t column) const;
  // A local edit of the current record: the value converted to the column's
  // kind (Null stays Null).
  void setValue(size_t column, const com::Variant& value);
  // A new record, every value Null, at the end of the view and current.
  void addNew();
  // Deletes the current record.  Until the next move there is no current
  // record; MoveNext reaches the record that followed it, MovePrevious the one
  // before.  Filter and Sort never bring it back.
  void deleteCurrent();

  // Filter criteria (see filter.h); "" shows every row.  Sort: "F1 [ASC|DESC],
  // F2 ..."; "" restores the order the rows came in.  Both go to the first row
  // of the new view; bad text raises 3001, an unknown field 3265, and leaves the
  // view unchanged.
  void setFilter(std::string_view criteria);
  void setSort(std::string_view spec);
  const std::string& filter() const { return filterText_; }
  const std::string& sort() const { return sortText_; }

 private:
  void rebuild();
  void requireRecord() const;
  std::vector<com::Variant>& currentRow() { return data_.rows[view_[static_cast<size_t>(pos_)]]; }

  RowsetData data_;
  std::vector<bool> deleted_;  // per row of data_
  bool onDeleted_ = false;     // the current record was just deleted
  std::vector<size_t> view_;
  int64_t pos_ = 0;  // index into view_; -1 at BOF, count() at EOF
  std::string filterText_, sortText_;
  std::optional<FilterCriteria> filterCriteria_;
  std::vector<std::pair<size_t, bool>> sortKeys_;  // column, descending
};

}  // namespace mls::ado

// Rows of one table written as INSERT ... VALUES statements of up to 200 rows
// each; every value a literal of frame/sql_literal.h.
#pragma once

#include <string>
#include <vector>

namespace mls::demoplant {

class RowWriter {
 public:
  // `columns`: the column list, e.g. "FItemID, FNumber, FName".
  RowWriter(std::vector<std::string>& out, std::string table, std::string columns);
  ~RowWriter();  // flushes the last statement
  RowWriter(const RowWriter&) = delete;
  RowWriter& operator=(const RowWriter&) = delete;

  // One row: its literals joined by ", ".
  void row(const std::vector<std::string>& literals);
  int rows() const { return rows_; }

 private:
  void flush();

  std::vector<std::string>& out_;
  std::string head_;
  std::string pending_;
  int pendingRows_ = 0;
  int rows_ = 0;
};

}  // namespace mls::demoplant

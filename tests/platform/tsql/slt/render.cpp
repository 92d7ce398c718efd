#include "render.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <regex>

#include "md5.h"

namespace mls::tsql::slt {
namespace {

std::string formatInt(int64_t v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%" PRId64, v);
  return buf;
}

std::string formatReal(double v) {
  char buf[512];
  std::snprintf(buf, sizeof buf, "%.3f", v);
  return buf;
}

// Truncates a decimal text toward zero ("-12.75" -> -12).
int64_t truncateText(const std::string& text) {
  return static_cast<int64_t>(std::strtoll(text.c_str(), nullptr, 10));
}

int64_t truncateReal(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 9.2e18) return INT64_MAX;
  if (v <= -9.2e18) return INT64_MIN;
  return static_cast<int64_t>(v);  // C++ converts toward zero
}

}  // namespace

std::string renderCell(const Cell& cell, char type) {
  if (cell.kind == Cell::Kind::Null) return "NULL";
  switch (type) {
    case 'I':
      switch (cell.kind) {
        case Cell::Kind::Integer:
          return formatInt(cell.i);
        case Cell::Kind::Real:
          return formatInt(truncateReal(cell.r));
        default:
          return formatInt(truncateText(cell.text));
      }
    case 'R':
      switch (cell.kind) {
        case Cell::Kind::Integer:
          return formatReal(static_cast<double>(cell.i));
        case Cell::Kind::Real:
          return formatReal(cell.r);
        default:
          return formatReal(std::strtod(cell.text.c_str(), nullptr));
      }
    default:
      return cell.text.empty() ? "(empty)" : cell.text;
  }
}

std::vector<std::string> renderValues(const ResultTable& table, const std::string& types, SortMode sort) {
  std::vector<std::vector<std::string>> rows;
  rows.reserve(table.rows.size());
  for (const auto& row : table.rows) {
    std::vector<std::string> rendered;
    rendered.reserve(row.size());
    for (size_t c = 0; c < row.size(); ++c)
      rendered.push_back(renderCell(row[c], c < types.size() ? types[c] : 'T'));
    rows.push_back(std::move(rendered));
  }
  if (sort == SortMode::RowSort) std::stable_sort(rows.begin(), rows.end());
  std::vector<std::string> values;
  for (auto& row : rows) {
    for (auto& v : row)
      values.push_back(std::move(v));
  }
  if (sort == SortMode::ValueSort) std::sort(values.begin(), values.end());
  return values;
}

std::string hashLine(const std::vector<std::string>& values) {
  Md5 md5;
  for (const auto& v : values) {
    md5.update(v);
    md5.update("\n");
  }
  return std::to_string(values.size()) + " values hashing to " + md5.hexDigest();
}

bool isHashLine(const std::string& line) {
  static const std::regex kHash("[0-9]+ values hashing to [0-9a-f]{32}");
  return std::regex_match(line, kHash);
}

}  // namespace mls::tsql::slt

#include "result_printer.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "platform/tsql/types/datetime_text.h"

namespace mls::tsql::shell {

namespace {

bool wide(uint32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) || (c >= 0x1F900 && c <= 0x1F9FF) ||
         (c >= 0x20000 && c <= 0x3FFFD);
}

void printCount(int64_t n, std::ostream& out) {
  out << "(" << n << (n == 1 ? " row" : " rows") << " affected)\n";
}

void printRowset(const Rowset& rs, std::ostream& out) {
  const size_t columns = rs.columns.size();
  std::vector<std::vector<std::string>> cells;
  std::vector<size_t> width(columns, 0);
  for (size_t c = 0; c < columns; ++c)
    width[c] = displayWidth(rs.columns[c].name);
  for (const auto& row : rs.rows) {
    std::vector<std::string>& line = cells.emplace_back();
    for (size_t c = 0; c < columns; ++c) {
      line.push_back(displayText(row[c], rs.columns[c].type));
      width[c] = std::max(width[c], displayWidth(line.back()));
    }
  }
  auto printLine = [&](const std::vector<std::string>& texts, bool header) {
    std::string line;
    for (size_t c = 0; c < columns; ++c) {
      std::string gap(width[c] - displayWidth(texts[c]), ' ');
      bool right = !header && rs.columns[c].type.isNumeric();
      line += right ? gap + texts[c] : texts[c] + gap;
      line += ' ';
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out << line << '\n';
  };
  std::vector<std::string> names;
  for (const ColumnInfo& c : rs.columns)
    names.push_back(c.name);
  printLine(names, true);
  for (size_t c = 0; c < columns; ++c)
    out << std::string(width[c], '-') << (c + 1 < columns ? " " : "\n");
  for (const auto& line : cells)
    printLine(line, false);
  out << '\n';
  printCount(static_cast<int64_t>(rs.rows.size()), out);
}

}  // namespace

size_t displayWidth(const std::string& text) {
  size_t width = 0;
  for (size_t i = 0; i < text.size();) {
    auto b = static_cast<unsigned char>(text[i]);
    int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    uint32_t c = n == 1 ? b : b & (0x7F >> n);
    for (int k = 1; k < n && i + k < text.size(); ++k)
      c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    width += wide(c) ? 2 : 1;
    i += n;
  }
  return width;
}

std::string displayText(const Value& v, const SqlType& type) {
  switch (v.kind()) {
    case Value::Kind::Null:
      return "NULL";
    case Value::Kind::Int:
      return std::to_string(v.asInt());
    case Value::Kind::Decimal:
      return v.asDecimal().toString();
    case Value::Kind::Float: {
      char buf[32];
      double f = type.id == TypeId::Real ? static_cast<float>(v.asFloat()) : v.asFloat();
      auto r = type.id == TypeId::Real ? std::to_chars(buf, buf + sizeof buf, static_cast<float>(f))
                                       : std::to_chars(buf, buf + sizeof buf, f);
      return std::string(buf, r.ptr);
    }
    case Value::Kind::String:
      return std::string(v.asString());
    case Value::Kind::DateTime: {
      TypeId id = type.isDateTime() ? type.id : TypeId::DateTime;
      return formatDateTime(v.asDateTime(), id, id == TypeId::Date ? 23 : 121).value_or("?");
    }
  }
  return "?";
}

void printResults(const BatchResult& result, std::ostream& out) {
  for (const ResultItem& item : result.items) {
    if (item.kind == ResultItem::Kind::Rowset) {
      printRowset(item.rowset, out);
    } else {
      printCount(item.rowCount, out);
    }
  }
  for (const std::string& m : result.messages)
    out << m << '\n';
}

void printError(const SqlMessage& error, std::ostream& out) {
  out << "Msg " << error.number << ", Level " << error.severity << ", State " << error.state;
  if (error.line > 0) out << ", Line " << error.line;
  out << '\n' << error.text << '\n';
}

void printError(const SqlError& error, std::ostream& out) {
  printError(error.toMessage(), out);
}

}  // namespace mls::tsql::shell

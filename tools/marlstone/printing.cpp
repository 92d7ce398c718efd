#include "printing.h"

#include <algorithm>
#include <vector>

#include "platform/com/dispatch.h"

namespace mls::host {
namespace {

using Table = std::vector<std::vector<std::string>>;

// Columns a text takes on a terminal: East Asian characters take two.
size_t displayWidth(const std::string& text) {
  size_t width = 0;
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    width += len >= 3 ? 2 : 1;
    i += len;
  }
  return width;
}

void printTable(std::ostream& out, const Table& rows, int indent) {
  std::vector<size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()));
    for (size_t c = 0; c < row.size(); ++c)
      widths[c] = std::max(widths[c], displayWidth(row[c]));
  }
  for (const auto& row : rows) {
    std::string line(static_cast<size_t>(indent), ' ');
    for (size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line += std::string(widths[c] - displayWidth(row[c]) + 2, ' ');
    }
    out << line << "\n";
  }
}

std::string cellText(const com::Variant& v) {
  if (v.isNull()) return "NULL";
  if (v.isObject() || v.isArray()) return v.debugString();
  return v.toString();
}

}  // namespace

void printRecordset(std::ostream& out, com::Dispatch& rs, int indent) {
  if (com::getProperty(rs, "State").toLong() == 0) {
    out << std::string(static_cast<size_t>(indent), ' ') << "(closed recordset)\n";
    return;
  }
  com::Ref<com::Dispatch> fields = com::getProperty(rs, "Fields").toObject();
  int32_t count = com::getProperty(*fields, "Count").toLong();
  Table rows(1);
  for (int32_t i = 0; i < count; ++i)
    rows[0].push_back(com::getProperty(*com::getProperty(*fields, "Item", i).toObject(), "Name").toString());
  if (com::getProperty(rs, "RecordCount").toLong() > 0) com::callByName(rs, "MoveFirst");
  for (; !com::getProperty(rs, "EOF").toBool(); com::callByName(rs, "MoveNext")) {
    std::vector<std::string> row;
    for (int32_t i = 0; i < count; ++i)
      row.push_back(cellText(com::getProperty(*com::getProperty(*fields, "Item", i).toObject(), "Value")));
    rows.push_back(std::move(row));
  }
  printTable(out, rows, indent);
  out << std::string(static_cast<size_t>(indent), ' ') << "(" << rows.size() - 1 << " rows)\n";
}

void printGrid(std::ostream& out, const std::string& clip, int indent) {
  Table rows;
  std::string text = clip;
  std::erase(text, '\n');
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\r', start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    std::vector<std::string> cells;
    size_t from = 0;
    for (size_t tab; (tab = line.find('\t', from)) != std::string::npos; from = tab + 1)
      cells.push_back(line.substr(from, tab - from));
    cells.push_back(line.substr(from));
    rows.push_back(std::move(cells));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  printTable(out, rows, indent);
}

void printValue(std::ostream& out, const std::string& label, const com::Variant& value, int indent) {
  std::string pad(static_cast<size_t>(indent), ' ');
  const com::Variant& v = value.deref();
  if (v.isObject() && v.toObject()) {
    com::Dispatch& obj = *v.toObject();
    const com::TypeInfo* type = com::typeInfoOf(obj);
    std::string className = type ? type->className() : "object";
    out << pad << label << ": " << className << "\n";
    if (className == "Marlstone.ADO.Recordset") {
      printRecordset(out, obj, indent + 2);
    } else if (className == "Halvern.Dictionary") {
      com::Variant keys = com::callByName(obj, "Keys");
      for (const com::Variant& key : keys.array().elements())
        printValue(out, key.toString(), com::getProperty(obj, "Item", key), indent + 2);
    } else if (className == "Halvern.List") {
      int32_t count = com::getProperty(obj, "Count").toLong();
      for (int32_t i = 1; i <= count; ++i)
        printValue(out, "[" + std::to_string(i) + "]", com::getProperty(obj, "Item", i), indent + 2);
    }
    return;
  }
  if (v.isArray()) {
    const com::SafeArray& a = v.array();
    out << pad << label << ": Array(" << a.size() << ")\n";
    if (a.dims() == 1) {
      for (int32_t i = a.lbound(1); i <= a.ubound(1); ++i)
        printValue(out, "(" + std::to_string(i) + ")", a.at({i}), indent + 2);
    } else if (a.dims() == 2) {
      for (int32_t i = a.lbound(1); i <= a.ubound(1); ++i) {
        for (int32_t j = a.lbound(2); j <= a.ubound(2); ++j)
          printValue(out, "(" + std::to_string(i) + ", " + std::to_string(j) + ")", a.at({i, j}), indent + 2);
      }
    }
    return;
  }
  if (v.kind() == com::VarKind::String && v.asString().find_first_of("\t\r") != std::string::npos) {
    out << pad << label << ": clip text\n";
    printGrid(out, v.asString(), indent + 2);
    return;
  }
  out << pad << label << ": " << v.debugString() << "\n";
}

}  // namespace mls::host

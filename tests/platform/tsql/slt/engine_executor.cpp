#include "engine_executor.h"

#include <charconv>
#include <cstdio>
#include <exception>

namespace mls::tsql::slt {
namespace {

std::string shortestFloat(double v, bool single) {
  char buf[64];
  auto res = single ? std::to_chars(buf, buf + sizeof buf, static_cast<float>(v))
                    : std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

std::string dateTimeText(DateTime t, TypeId id) {
  DateTime::Parts p = t.parts();
  char buf[64];
  if (id == TypeId::Date) {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", p.year, p.month, p.day);
  } else if (id == TypeId::SmallDateTime) {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute,
                  p.second);
  } else {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", p.year, p.month, p.day, p.hour,
                  p.minute, p.second, p.millisecond);
  }
  return buf;
}

ResultTable toTable(const Rowset& rs) {
  ResultTable t;
  for (const ColumnInfo& c : rs.columns)
    t.columns.push_back({c.name, c.type.typeName()});
  t.rows.reserve(rs.rows.size());
  for (const auto& row : rs.rows) {
    std::vector<Cell> cells;
    cells.reserve(row.size());
    for (size_t i = 0; i < row.size(); ++i) {
      cells.push_back(toCell(row[i], i < rs.columns.size() ? rs.columns[i].type : SqlType()));
    }
    t.rows.push_back(std::move(cells));
  }
  return t;
}

}  // namespace

Cell toCell(const Value& v, const SqlType& type) {
  switch (v.kind()) {
    case Value::Kind::Null:
      return Cell::null();
    case Value::Kind::Int:
      return Cell::integer(v.asInt());
    case Value::Kind::Decimal: {
      Decimal128 d = v.asDecimal();
      if ((type.id == TypeId::Decimal || type.id == TypeId::Money) && d.scale() != type.scale) {
        if (auto shown = d.rescale(type.scale)) d = *shown;
      }
      return Cell::exact(d.toString());
    }
    case Value::Kind::Float:
      return Cell::real(v.asFloat(), shortestFloat(v.asFloat(), type.id == TypeId::Real));
    case Value::Kind::String:
      return Cell::str(std::string(v.asString()));
    case Value::Kind::DateTime:
      return Cell::str(dateTimeText(v.asDateTime(), type.id));
  }
  return Cell::null();
}

EngineExecutor::EngineExecutor() : db_(Database::create()) {
  useConnection("default");
}

void EngineExecutor::useConnection(const std::string& name) {
  auto& session = sessions_[name];
  if (!session) session = std::make_unique<Session>(db_);
  current_ = session.get();
}

ExecOutcome EngineExecutor::execute(const std::string& batch) {
  ExecOutcome out;
  try {
    BatchResult r = current_->execute(batch);
    for (auto it = r.items.rbegin(); it != r.items.rend(); ++it) {
      if (it->kind == ResultItem::Kind::Rowset) {
        out.lastRowset = toTable(it->rowset);
        break;
      }
    }
  } catch (const SqlError& e) {
    out.ok = false;
    out.errorNumber = e.number();
    out.errorLine = e.line();
    out.errorMessage = e.message();
  } catch (const std::exception& e) {
    out.ok = false;
    out.errorMessage = std::string("unexpected exception: ") + e.what();
  }
  return out;
}

}  // namespace mls::tsql::slt

#include "platform/tsql/storage/database_image.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <stdexcept>

#include "platform/tsql/catalog/names.h"
#include "platform/tsql/errors.h"
#include "platform/tsql/parse/parser.h"
#include "platform/tsql/storage/expr_text.h"
#include "platform/tsql/types/text.h"

namespace mls::tsql::storage {

namespace {

// Tags of stored values.
enum ValueTag : uint8_t { kNull, kInt, kSmallDecimal, kDecimal, kFloat, kString, kDateTime };

enum ColumnFlags : uint8_t { kNullable = 1, kIdentity = 2, kDefault = 4 };
enum IndexFlags : uint8_t { kUnique = 1, kClustered = 2 };

void encodeValue(const Value& v, ByteWriter& out) {
  switch (v.kind()) {
    case Value::Kind::Null:
      out.u8(kNull);
      return;
    case Value::Kind::Int:
      out.u8(kInt);
      out.svarint(v.asInt());
      return;
    case Value::Kind::Decimal: {
      Decimal128 d = v.asDecimal();
      __int128 m = d.mantissa();
      if (m >= INT64_MIN && m <= INT64_MAX) {
        out.u8(kSmallDecimal);
        out.u8(static_cast<uint8_t>(d.scale()));
        out.svarint(static_cast<int64_t>(m));
      } else {
        auto bits = static_cast<unsigned __int128>(m);
        out.u8(kDecimal);
        out.u8(static_cast<uint8_t>(d.scale()));
        out.u64(static_cast<uint64_t>(bits));
        out.u64(static_cast<uint64_t>(bits >> 64));
      }
      return;
    }
    case Value::Kind::Float: {
      double f = v.asFloat();
      uint64_t bits;
      std::memcpy(&bits, &f, sizeof bits);
      out.u8(kFloat);
      out.u64(bits);
      return;
    }
    case Value::Kind::String:
      out.u8(kString);
      out.text(v.asString());
      return;
    case Value::Kind::DateTime:
      out.u8(kDateTime);
      out.svarint(v.asDateTime().ticks());
      return;
  }
}

int decodeScale(ByteReader& in) {
  uint8_t scale = in.u8();
  if (scale > Decimal128::kMaxDigits) throw FormatError("a decimal scale is out of range");
  return scale;
}

Value decodeValue(ByteReader& in) {
  switch (in.u8()) {
    case kNull:
      return Value();
    case kInt:
      return Value::integer(in.svarint());
    case kSmallDecimal: {
      int scale = decodeScale(in);
      return Value::decimal(Decimal128(in.svarint(), scale));
    }
    case kDecimal: {
      int scale = decodeScale(in);
      unsigned __int128 lo = in.u64();
      unsigned __int128 hi = in.u64();
      return Value::decimal(Decimal128(static_cast<__int128>(lo | (hi << 64)), scale));
    }
    case kFloat: {
      uint64_t bits = in.u64();
      double f;
      std::memcpy(&f, &bits, sizeof f);
      return Value::floating(f);
    }
    case kString:
      return Value::string(in.text());
    case kDateTime:
      return Value::dateTime(DateTime(in.svarint()));
    default:
      throw FormatError("a value has an unknown tag");
  }
}

}  // namespace

// Whether a stored value is one its column can hold: of the column type's
// kind and range, decimals at its scale and precision, text within its
// length, NULL only where allowed.  Built once per column: loading checks
// every value.
class ColumnCheck {
 public:
  explicit ColumnCheck(const Column& c) : nullable_(c.nullable) {
    switch (c.type.id) {
      case TypeId::Bit:
        integers(0, 1);
        return;
      case TypeId::TinyInt:
        integers(0, UINT8_MAX);
        return;
      case TypeId::SmallInt:
        integers(INT16_MIN, INT16_MAX);
        return;
      case TypeId::Int:
        integers(INT32_MIN, INT32_MAX);
        return;
      case TypeId::BigInt:
        integers(INT64_MIN, INT64_MAX);
        return;
      case TypeId::Decimal:
      case TypeId::Money:
        kind_ = Value::Kind::Decimal;
        scale_ = c.type.scale;
        limit_ = pow10u128(std::clamp(c.type.precision, 1, Decimal128::kMaxDigits));
        return;
      case TypeId::Float:
      case TypeId::Real:
        kind_ = Value::Kind::Float;
        return;
      case TypeId::Char:
      case TypeId::VarChar:
      case TypeId::NChar:
      case TypeId::NVarChar:
        kind_ = Value::Kind::String;
        length_ = c.type.length == SqlType::kMax ? SIZE_MAX : static_cast<size_t>(std::max(c.type.length, 0));
        return;
      case TypeId::DateTime:
      case TypeId::SmallDateTime:
      case TypeId::Date:
        kind_ = Value::Kind::DateTime;
        return;
      case TypeId::Null:
        return;  // no column has this type: nothing fits
    }
  }

  bool operator()(const Value& v) const {
    if (v.isNull()) return nullable_;
    if (v.kind() != kind_) return false;
    switch (kind_) {
      case Value::Kind::Int:
        return v.asInt() >= lo_ && v.asInt() <= hi_;
      case Value::Kind::Decimal: {
        __int128 m = v.asDecimal().mantissa();
        auto magnitude = static_cast<unsigned __int128>(m < 0 ? -m : m);
        return v.asDecimal().scale() == scale_ && magnitude < limit_;
      }
      case Value::Kind::String:
        // Characters are never more than bytes: most texts need no counting.
        return v.asString().size() <= length_ || utf8Length(v.asString()) <= length_;
      default:
        return true;
    }
  }

 private:
  void integers(int64_t lo, int64_t hi) {
    kind_ = Value::Kind::Int;
    lo_ = lo;
    hi_ = hi;
  }

  bool nullable_;
  Value::Kind kind_ = Value::Kind::Null;
  int64_t lo_ = 0, hi_ = 0;
  int scale_ = 0;
  unsigned __int128 limit_ = 0;
  size_t length_ = 0;
};

namespace {

int decodeInt(ByteReader& in) {
  int64_t v = in.svarint();
  if (v < INT32_MIN || v > INT32_MAX) throw FormatError("a number is out of range");
  return static_cast<int>(v);
}

// Whether the identity of `t` has handed out a value since the table was
// created or truncated (the next value is then current + step, else current
// itself).  A table holding rows always has; an empty one is asked on a copy.
bool identityUsed(const Table& t) {
  if (t.rowCount() > 0) return true;
  Table probe(t);
  try {
    return probe.nextIdentity() != t.identityCurrent();
  } catch (const SqlError&) {
    return true;  // current + step overflows the type
  }
}

void encodeColumn(const Table& t, const Column& c, ByteWriter& out) {
  out.text(c.name);
  out.u8(static_cast<uint8_t>(c.type.id));
  out.svarint(c.type.precision);
  out.svarint(c.type.scale);
  out.svarint(c.type.length);
  out.u8(static_cast<uint8_t>((c.nullable ? kNullable : 0) | (c.identity ? kIdentity : 0) |
                              (c.defaultExpr ? kDefault : 0)));
  if (c.identity) {
    out.svarint(c.identity->seed);
    out.svarint(c.identity->step);
  }
  if (c.defaultExpr) {
    try {
      out.text(expressionText(*c.defaultExpr));
    } catch (const std::invalid_argument&) {
      throwSqlError(50000, {"The default of column '" + c.name + "' of table '" + t.name() +
                            "' holds a subquery and cannot be stored in the database file."});
    }
    out.text(c.defaultName);
    out.u32(static_cast<uint32_t>(c.defaultId));
  }
}

}  // namespace

void encodeTable(const Table& t, ByteWriter& out) {
  out.text(t.name());
  out.u32(static_cast<uint32_t>(t.id()));
  out.svarint(t.created().ticks());
  out.varint(t.columns().size());
  for (const Column& c : t.columns())
    encodeColumn(t, c, out);
  bool hasIdentity = t.identityColumn().has_value();
  out.svarint(hasIdentity ? t.identityCurrent() : 0);
  out.u8(hasIdentity && identityUsed(t) ? 1 : 0);
  out.varint(t.indexes().size());
  for (const IndexDef& d : t.indexes()) {
    out.text(d.name);
    out.varint(d.keys.size());
    for (const KeyColumn& k : d.keys) {
      out.varint(k.column);
      out.u8(k.descending ? 1 : 0);
    }
    out.u8(static_cast<uint8_t>((d.unique ? kUnique : 0) | (d.clustered ? kClustered : 0)));
    out.u8(static_cast<uint8_t>(d.origin));
    out.u32(static_cast<uint32_t>(d.constraintId));
  }
  std::span<const RowId> order = t.scanOrder();
  out.varint(order.size());
  for (RowId id : order)
    encodeRow(t.row(id), out);
}

namespace {

Column decodeColumn(ByteReader& in, std::vector<int32_t>& ids) {
  Column c;
  c.name = in.text();
  uint8_t type = in.u8();
  if (type > static_cast<uint8_t>(TypeId::Date)) throw FormatError("a column has an unknown type");
  c.type.id = static_cast<TypeId>(type);
  c.type.precision = decodeInt(in);
  c.type.scale = decodeInt(in);
  c.type.length = decodeInt(in);
  uint8_t flags = in.u8();
  c.nullable = flags & kNullable;
  if (flags & kIdentity) {
    IdentitySpec spec;
    spec.seed = in.svarint();
    spec.step = in.svarint();
    c.identity = spec;
  }
  if (flags & kDefault) {
    std::string_view text = in.text();
    try {
      c.defaultExpr = std::shared_ptr<const ast::Expr>(parseExpression(text));
    } catch (const SqlError& e) {
      throw FormatError("the default of column '" + c.name + "' does not parse: " + e.message());
    }
    c.defaultName = in.text();
    c.defaultId = static_cast<int32_t>(in.u32());
    ids.push_back(c.defaultId);
  }
  return c;
}

std::shared_ptr<Table> decodeTableImpl(ByteReader& in, std::vector<int32_t>& ids) {
  auto t = std::make_shared<Table>(std::string(in.text()), Table::Kind::User);
  t->setId(static_cast<int32_t>(in.u32()));
  ids.push_back(t->id());
  t->setCreated(DateTime(in.svarint()));
  size_t columns = in.count(in.remaining());
  for (size_t i = 0; i < columns; ++i)
    t->addColumn(decodeColumn(in, ids));

  TableStorage s;
  s.identityCurrent = in.svarint();
  s.identityUsed = in.u8() != 0;

  size_t indexes = in.count(in.remaining());
  for (size_t i = 0; i < indexes; ++i) {
    IndexDef d;
    d.name = in.text();
    size_t keys = in.count(in.remaining());
    for (size_t k = 0; k < keys; ++k) {
      KeyColumn key;
      uint64_t column = in.varint();
      if (column >= columns) throw FormatError("an index names a missing column");
      key.column = static_cast<size_t>(column);
      key.descending = in.u8() != 0;
      d.keys.push_back(key);
    }
    uint8_t flags = in.u8();
    d.unique = flags & kUnique;
    d.clustered = flags & kClustered;
    uint8_t origin = in.u8();
    if (origin > static_cast<uint8_t>(IndexOrigin::UniqueConstraint))
      throw FormatError("an index has an unknown origin");
    d.origin = static_cast<IndexOrigin>(origin);
    d.constraintId = static_cast<int32_t>(in.u32());
    if (d.origin != IndexOrigin::Index) ids.push_back(d.constraintId);
    t->addIndex(std::move(d));
  }

  // Every value takes at least one byte: a row count beyond the bytes left is damage.
  size_t rows = in.count(columns == 0 ? 0 : in.remaining() / columns);
  RowDecoder decode(*t);
  for (size_t r = 0; r < rows; ++r) {
    Row row = decode(in);
    s.rows.push(row);
  }
  // The rows come in storage order: they are their own order, and the unique
  // keys index them now; the other indexes fill at their first lookup.
  s.live.assign(rows, 1);
  s.liveCount = rows;
  s.order.resize(rows);
  std::iota(s.order.begin(), s.order.end(), RowId{0});
  s.sortedPrefix = rows;
  s.indexes.resize(t->indexes().size());
  s.indexStale.resize(t->indexes().size(), 0);
  for (size_t i = 0; i < t->indexes().size(); ++i) {
    const IndexDef& def = t->indexes()[i];
    if (!def.unique) {
      s.indexStale[i] = 1;
      continue;
    }
    s.indexes[i].reserve(rows);
    auto read = [&s](RowId id) { return s.rows[id]; };
    for (RowId id = 0; id < rows; ++id) {
      if (s.indexes[i].addUnique(def, s.rows[id], id, read))
        throw FormatError("two rows of table '" + t->name() + "' share a key of '" + def.name + "'");
    }
  }
  t->restoreStorage(std::move(s));
  return t;
}

}  // namespace

RowDecoder::RowDecoder(const Table& t) : table_(t), fits_(t.columns().begin(), t.columns().end()) {}
RowDecoder::~RowDecoder() = default;

Row RowDecoder::operator()(ByteReader& in) const {
  Row row;
  row.reserve(fits_.size());
  for (size_t c = 0; c < fits_.size(); ++c) {
    row.push_back(decodeValue(in));
    if (!fits_[c](row.back()))
      throw FormatError("a value of column '" + table_.column(c).name + "' of table '" + table_.name() +
                        "' does not fit the column");
  }
  return row;
}

void encodeRow(RowView row, ByteWriter& out) {
  for (const Value& v : row)
    encodeValue(v, out);
}

std::shared_ptr<Table> decodeTable(ByteReader& in, std::vector<int32_t>& ids) {
  try {
    return decodeTableImpl(in, ids);
  } catch (const SqlError& e) {
    // A definition the catalog refuses (a duplicate column or index name...).
    throw FormatError("a table definition is inconsistent: " + e.message());
  }
}

void encodeTexts(const std::vector<ViewText>& texts, ByteWriter& out) {
  out.varint(texts.size());
  for (const ViewText& v : texts) {
    out.text(v.name);
    out.text(v.definition);
  }
}

std::vector<ViewText> decodeTexts(ByteReader& in) {
  std::vector<ViewText> out;
  for (size_t n = in.count(in.remaining()); n > 0; --n) {
    std::string name(in.text());
    out.push_back({std::move(name), std::string(in.text())});
  }
  return out;
}

void encodeTables(const TableSet& set, ByteWriter& out, const std::vector<ViewText>& views,
                  const std::vector<ProcedureText>& procedures) {
  out.varint(set.tables().size());
  for (const auto& t : set.tables())
    encodeTable(*t, out);
  encodeTexts(views, out);
  encodeTexts(procedures, out);
}

DecodedTables decodeTables(std::span<const uint8_t> image) {
  ByteReader in(image);
  DecodedTables out;
  std::vector<int32_t> ids;
  size_t count = in.count(in.remaining());
  for (size_t i = 0; i < count; ++i) {
    out.tables.push_back(decodeTable(in, ids));
    for (size_t j = 0; j + 1 < out.tables.size(); ++j) {
      if (sameName(out.tables[j]->name(), out.tables.back()->name()))
        throw FormatError("two tables are named '" + out.tables.back()->name() + "'");
    }
  }
  if (!in.atEnd()) out.views = decodeTexts(in);
  if (!in.atEnd()) out.procedures = decodeTexts(in);
  if (!in.atEnd()) throw FormatError("bytes follow the last procedure");
  // Ids are positive, leave room for the objects made later and name one
  // object each.
  std::sort(ids.begin(), ids.end());
  if (!ids.empty() && (ids.front() <= 0 || ids.back() == INT32_MAX))
    throw FormatError("an object id is out of range");
  if (std::adjacent_find(ids.begin(), ids.end()) != ids.end()) throw FormatError("two objects share an id");
  out.highestId = ids.empty() ? 0 : ids.back();
  return out;
}

}  // namespace mls::tsql::storage

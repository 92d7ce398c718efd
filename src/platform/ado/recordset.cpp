#include "platform/ado/recordset.h"

#include "platform/ado/errors.h"
#include "platform/ado/fields.h"

namespace mls::ado {

namespace {

using com::Param;
using com::VarKind;

void checkRange(int32_t value, int32_t low, int32_t high) {
  if (value < low || value > high) raiseAdo(err::kInvalidArgument, kRecordsetClass);
}

}  // namespace

Cursor& Recordset::cursor() {
  if (!cursor_) raiseAdo(com::err::kObjectClosed, kRecordsetClass);
  return *cursor_;
}

const Cursor& Recordset::cursor() const {
  if (!cursor_) raiseAdo(com::err::kObjectClosed, kRecordsetClass);
  return *cursor_;
}

void Recordset::open(const com::Variant& source, const com::Variant& connection, int32_t cursorType,
                     int32_t lockType, int32_t options) {
  if (cursor_) raiseAdo(err::kObjectOpen, kRecordsetClass);
  checkRange(cursorType, -1, 3);
  checkRange(lockType, -1, 4);
  if (options != -1 && options != 1 && options != 8) raiseAdo(err::kInvalidArgument, kRecordsetClass);
  if (source.kind() != VarKind::String || source.asString().empty()) {
    raiseAdo(err::kInvalidArgument, kRecordsetClass, "The Source of Open must be command text.");
  }

  com::Ref<Connection> conn = connection_;
  if (connection.kind() == VarKind::String) {
    conn = com::makeObject<Connection>();
    conn->open(connection.asString());
  } else if (connection.kind() == VarKind::Object) {
    conn = asConnection(connection, kRecordsetClass);
  } else if (!connection.isMissing() && !connection.isEmpty()) {
    raiseAdo(err::kInvalidArgument, kRecordsetClass);
  }
  if (!conn || conn->state() != kStateOpen) raiseAdo(err::kNoConnection, kRecordsetClass);

  std::vector<BatchItem> items = conn->run(source.asString(), {}, conn->commandTimeout());
  if (lockType != -1) lockType_ = lockType;
  load(std::move(items), conn, source.asString());
}

int64_t Recordset::load(std::vector<BatchItem> items, com::Ref<Connection> connection, std::string source) {
  int64_t affected = -1;
  size_t i = 0;
  for (; i < items.size() && !items[i].isRowset; ++i)
    affected = std::max<int64_t>(affected, 0) + items[i].rowCount;
  if (i < items.size()) {
    cursor_.emplace(std::move(items[i].rowset));
    pending_.assign(std::make_move_iterator(items.begin() + static_cast<ptrdiff_t>(i) + 1),
                    std::make_move_iterator(items.end()));
  }
  connection_ = std::move(connection);
  source_ = std::move(source);
  cursorType_ = kOpenStatic;
  cursorLocation_ = kUseClient;
  return affected;
}

void Recordset::close() {
  if (!cursor_) raiseAdo(com::err::kObjectClosed, kRecordsetClass);
  cursor_.reset();
  pending_.clear();
}

void Recordset::setCursorType(int32_t type) {
  if (cursor_) raiseAdo(err::kObjectOpen, kRecordsetClass);
  checkRange(type, -1, 3);
  cursorType_ = type;
}

void Recordset::setLockType(int32_t type) {
  if (cursor_) raiseAdo(err::kObjectOpen, kRecordsetClass);
  checkRange(type, -1, 4);
  lockType_ = type;
}

void Recordset::setCursorLocation(int32_t location) {
  if (cursor_) raiseAdo(err::kObjectOpen, kRecordsetClass);
  checkRange(location, kUseServer, kUseClient);
  cursorLocation_ = location;
}

void Recordset::setActiveConnection(com::Ref<Connection> connection) {
  connection_ = std::move(connection);
}

com::Variant Recordset::filter() const {
  const std::string& text = cursor().filter();
  if (text.empty()) return com::Variant(int32_t{0});
  return com::Variant(text);
}

void Recordset::setFilter(const com::Variant& criteria) {
  Cursor& c = cursor();
  if (criteria.kind() == VarKind::String) {
    c.setFilter(criteria.asString());
  } else if (criteria.isNumeric() && criteria.toDouble() == 0) {
    c.setFilter("");
  } else {
    raiseAdo(err::kInvalidArgument, kRecordsetClass, "Filter takes criteria text, or 0 to clear it.");
  }
}

size_t Recordset::checked(size_t index) const {
  if (index >= cursor().columns().size()) raiseAdo(com::err::kItemNotFound, kRecordsetClass);
  return index;
}

const ColumnMeta& Recordset::fieldInfo(size_t index) const {
  return cursor().columns()[checked(index)];
}

size_t Recordset::fieldIndex(std::string_view name) const {
  std::optional<size_t> i = cursor().findColumn(name);
  if (!i) raiseAdo(com::err::kItemNotFound, kRecordsetClass);
  return *i;
}

size_t Recordset::itemIndex(const com::Variant& indexOrName) const {
  if (indexOrName.kind() == VarKind::String) return fieldIndex(std::string_view(indexOrName.asString()));
  if (!indexOrName.isNumeric()) raiseAdo(com::err::kItemNotFound, kRecordsetClass);
  int32_t i = indexOrName.toLong();
  if (i < 0) raiseAdo(com::err::kItemNotFound, kRecordsetClass);
  return checked(static_cast<size_t>(i));
}

void Recordset::setValue(size_t index, const com::Variant& value) {
  Cursor& c = cursor();
  checked(index);
  if (lockType_ == kLockReadOnly || lockType_ == -1) raiseAdo(err::kNotUpdatable, kRecordsetClass);
  c.setValue(index, value);
}

void Recordset::requireUpdatable() const {
  cursor();
  if (lockType_ == kLockReadOnly || lockType_ == -1) raiseAdo(err::kNotUpdatable, kRecordsetClass);
}

void Recordset::addNew() {
  requireUpdatable();
  cursor().addNew();
}

void Recordset::deleteCurrent() {
  requireUpdatable();
  cursor().deleteCurrent();
}

// The optional (Fields, Values) of AddNew and Update: one field and its value,
// or arrays of both, element by element.
void Recordset::setValues(const com::Variant& fieldList, const com::Variant& values) {
  if (fieldList.isMissing()) return;
  if (!fieldList.isArray()) {
    setValue(itemIndex(fieldList), values);
    return;
  }
  const std::vector<com::Variant> names = fieldList.array().elements();
  const std::vector<com::Variant> given =
      values.isArray() ? values.array().elements() : std::vector<com::Variant>{};
  if (given.size() != names.size()) {
    raiseAdo(err::kInvalidArgument, kRecordsetClass, "The field list and the values differ in length.");
  }
  for (size_t i = 0; i < names.size(); ++i)
    setValue(itemIndex(names[i]), given[i]);
}

com::Ref<Fields> Recordset::fields() {
  if (!cursor_) raiseAdo(com::err::kObjectClosed, kRecordsetClass);
  return com::makeObject<Fields>(com::Ref<Recordset>(this));
}

com::Ref<Recordset> Recordset::nextRecordset(int64_t* recordsAffected) {
  std::vector<BatchItem> rest = std::move(pending_);
  pending_.clear();
  auto next = com::makeObject<Recordset>();
  next->lockType_ = lockType_;
  int64_t affected = next->load(std::move(rest), connection_, source_);
  if (recordsAffected) *recordsAffected = affected;
  if (next->state() != kStateOpen) return nullptr;
  return next;
}

const com::TypeInfo& Recordset::type() {
  static const com::TypeInfo info = [] {
    com::TypeInfo t(kRecordsetClass, kIid);
    using R = Recordset;
    t.method<R>(
        "Open",
        {Param("Source").opt(), Param("ActiveConnection").opt(), Param("CursorType", VarKind::Long).opt(-1),
         Param("LockType", VarKind::Long).opt(-1), Param("Options", VarKind::Long).opt(-1)},
        com::kNoResult,
        [](R& r, com::Args a) { r.open(a[0], a[1], a[2].toLong(), a[3].toLong(), a[4].toLong()); });
    t.method<R>("Close", {}, com::kNoResult, [](R& r, com::Args) { r.close(); });
    t.propertyGet<R>("State", {}, VarKind::Long, [](R& r, com::Args) { return r.state(); });
    t.propertyGet<R>("EOF", {}, VarKind::Boolean, [](R& r, com::Args) { return r.eof(); });
    t.propertyGet<R>("BOF", {}, VarKind::Boolean, [](R& r, com::Args) { return r.bof(); });
    t.propertyGet<R>("RecordCount", {}, VarKind::Long,
                     [](R& r, com::Args) { return static_cast<int32_t>(r.recordCount()); });
    t.method<R>("MoveFirst", {}, com::kNoResult, [](R& r, com::Args) { r.moveFirst(); });
    t.method<R>("MoveLast", {}, com::kNoResult, [](R& r, com::Args) { r.moveLast(); });
    t.method<R>("MoveNext", {}, com::kNoResult, [](R& r, com::Args) { r.moveNext(); });
    t.method<R>("MovePrevious", {}, com::kNoResult, [](R& r, com::Args) { r.movePrevious(); });
    t.method<R>("Move", {Param("NumRecords", VarKind::Long)}, com::kNoResult,
                [](R& r, com::Args a) { r.move(a[0].toLong()); });
    t.propertyGet<R>("AbsolutePosition", {}, VarKind::Long,
                     [](R& r, com::Args) { return static_cast<int32_t>(r.absolutePosition()); });
    t.propertyLet<R>("AbsolutePosition", {Param("Position", VarKind::Long)},
                     [](R& r, com::Args a) { r.setAbsolutePosition(a[0].toLong()); });
    t.propertyGet<R>("Filter", {}, com::kAny, [](R& r, com::Args) { return r.filter(); });
    t.propertyLet<R>("Filter", {Param("Criteria")}, [](R& r, com::Args a) { r.setFilter(a[0]); });
    t.propertyGet<R>("Sort", {}, VarKind::String, [](R& r, com::Args) { return r.sort(); });
    t.propertyLet<R>("Sort", {Param("Sort", VarKind::String)},
                     [](R& r, com::Args a) { r.setSort(a[0].asString()); });
    // Fields, or with an index one field of it (rs.Fields("FQty")).
    t.propertyGet<R>("Fields", {Param("Index").opt()}, com::kAny, [](R& r, com::Args a) -> com::Variant {
      com::Ref<Fields> fields = r.fields();
      if (a[0].isMissing()) return com::Variant(com::Ref<com::Dispatch>(fields));
      return com::Variant(com::Ref<com::Dispatch>(fields->item(a[0])));
    });
    t.propertyGet<R>("CursorType", {}, VarKind::Long, [](R& r, com::Args) { return r.cursorType(); });
    t.propertyLet<R>("CursorType", {Param("CursorType", VarKind::Long)},
                     [](R& r, com::Args a) { r.setCursorType(a[0].toLong()); });
    t.propertyGet<R>("LockType", {}, VarKind::Long, [](R& r, com::Args) { return r.lockType(); });
    t.propertyLet<R>("LockType", {Param("LockType", VarKind::Long)},
                     [](R& r, com::Args a) { r.setLockType(a[0].toLong()); });
    t.propertyGet<R>("CursorLocation", {}, VarKind::Long, [](R& r, com::Args) { return r.cursorLocation(); });
    t.propertyLet<R>("CursorLocation", {Param("CursorLocation", VarKind::Long)},
                     [](R& r, com::Args a) { r.setCursorLocation(a[0].toLong()); });
    t.propertyGet<R>("ActiveConnection", {}, com::kAny, [](R& r, com::Args) {
      return r.activeConnection() ? com::Variant(com::Ref<com::Dispatch>(r.activeConnection()))
                                  : com::Variant::nothing();
    });
    // Set rs.ActiveConnection = cn / Nothing; a Let of an object does the same.
    auto setConnection = [](R& r, com::Args a) {
      r.setActiveConnection(asConnection(a[0], kRecordsetClass));
    };
    t.propertySet<R>("ActiveConnection", {Param("Connection")}, setConnection);
    t.propertyLet<R>("ActiveConnection", {Param("Connection")}, setConnection);
    t.propertyGet<R>("Source", {}, VarKind::String, [](R& r, com::Args) { return r.source(); });
    t.method<R>("AddNew", {Param("FieldList").opt(), Param("Values").opt()}, com::kNoResult,
                [](R& r, com::Args a) {
                  r.addNew();
                  r.setValues(a[0], a[1]);
                });
    // Edits take effect as they are made; Update only sets the values it is given.
    t.method<R>("Update", {Param("Fields").opt(), Param("Values").opt()}, com::kNoResult,
                [](R& r, com::Args a) {
                  r.requireUpdatable();
                  r.setValues(a[0], a[1]);
                });
    t.method<R>(
        "Delete", {Param("AffectRecords", VarKind::Long).opt(1)}, com::kNoResult, [](R& r, com::Args a) {
          if (a[0].toLong() != 1) {
            raiseAdo(err::kInvalidArgument, kRecordsetClass, "Delete affects the current record only.");
          }
          r.deleteCurrent();
        });
    t.method<R>("NextRecordset", {Param("RecordsAffected").ref().opt()}, com::kAny,
                [](R& r, com::Args a) -> com::Variant {
                  int64_t affected = -1;
                  com::Ref<Recordset> next = r.nextRecordset(&affected);
                  if (!a[0].isMissing()) a[0].assign(com::Variant(static_cast<int32_t>(affected)));
                  return next ? com::Variant(com::Ref<com::Dispatch>(next)) : com::Variant::nothing();
                });
    return t;
  }();
  return info;
}

}  // namespace mls::ado

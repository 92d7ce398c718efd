// Recordset: a client-side, fully materialised result.  It keeps its rows
// after its connection is closed or detached (ActiveConnection = Nothing), so
// it can be handed on and read anywhere.  Field values may be edited locally
// when the lock type allows it; nothing is written back to a database.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ado/connection.h"
#include "platform/ado/cursor.h"
#include "platform/com/dispatch.h"

namespace mls::ado {

class Fields;
class Field;

inline constexpr int32_t kOpenStatic = 3;
inline constexpr int32_t kLockReadOnly = 1;
inline constexpr int32_t kLockBatchOptimistic = 4;

class Recordset final : public com::DispatchObject {
 public:
  static constexpr com::Guid kIid{
      0xFC51054A, 0xFCAE, 0x4154, {0xA4, 0xF4, 0x0A, 0x72, 0x86, 0xC7, 0xE8, 0xA0}};
  static const com::TypeInfo& type();

  Recordset() : DispatchObject(type()) {}

  // Runs `source` (SQL text) on `connection`: a Connection object, a
  // connection string (the recordset then opens a connection of its own), or
  // Missing/Empty for ActiveConnection (3709 when there is none or it is
  // closed).  CursorType -1..3 and LockType -1..4 (-1 keeps the property);
  // options -1, 1 or 8.  Bad arguments raise 3001; an open recordset 3705.
  // The cursor is always static and client-side (CursorType 3,
  // CursorLocation 3 once open).  A source that returns no rowset leaves the
  // recordset closed.
  void open(const com::Variant& source, const com::Variant& connection = com::Variant::missing(),
            int32_t cursorType = -1, int32_t lockType = -1, int32_t options = -1);
  void close();  // 3704 when closed
  int32_t state() const { return cursor_ ? kStateOpen : kStateClosed; }

  int32_t cursorType() const { return cursorType_; }
  void setCursorType(int32_t type);  // -1..3; 3705 when open
  int32_t lockType() const { return lockType_; }
  void setLockType(int32_t type);  // -1..4; 3705 when open
  int32_t cursorLocation() const { return cursorLocation_; }
  void setCursorLocation(int32_t location);  // 2 or 3; 3705 when open
  const com::Ref<Connection>& activeConnection() const { return connection_; }
  // Nothing detaches the recordset; its rows stay.
  void setActiveConnection(com::Ref<Connection> connection);
  const std::string& source() const { return source_; }

  // The members below raise 3704 when the recordset is closed.
  bool eof() const { return cursor().eof(); }
  bool bof() const { return cursor().bof(); }
  int64_t recordCount() const { return cursor().count(); }
  void moveFirst() { cursor().moveFirst(); }
  void moveLast() { cursor().moveLast(); }
  void moveNext() { cursor().moveNext(); }
  void movePrevious() { cursor().movePrevious(); }
  void move(int64_t n) { cursor().move(n); }
  int64_t absolutePosition() const { return cursor().absolutePosition(); }
  void setAbsolutePosition(int64_t position) { cursor().setAbsolutePosition(position); }

  // Filter: criteria text, or 0 (Long) when there is none.  Setting "" or 0
  // clears it; another number raises 3001.
  com::Variant filter() const;
  void setFilter(const com::Variant& criteria);
  const std::string& sort() const { return cursor().sort(); }
  void setSort(std::string_view spec) { cursor().setSort(spec); }

  // Fields: by 0-based index or by name (first match, any case); 3265 when
  // there is no such field.
  size_t fieldCount() const { return cursor().columns().size(); }
  const ColumnMeta& fieldInfo(size_t index) const;
  size_t fieldIndex(std::string_view name) const;
  size_t itemIndex(const com::Variant& indexOrName) const;  // an index or a name
  // The current record's value; 3021 at BOF or EOF.
  const com::Variant& value(size_t index) const { return cursor().value(checked(index)); }
  const com::Variant& value(std::string_view name) const { return cursor().value(fieldIndex(name)); }
  // A local edit; 3251 when the lock type is read-only.
  void setValue(size_t index, const com::Variant& value);
  // Local additions and deletions, under the same rule: AddNew appends a
  // record of Nulls and makes it current; Delete removes the current record
  // (3021 when there is none).
  void addNew();
  void deleteCurrent();
  com::Ref<Fields> fields();

  // The next rowset of the batch this recordset came from, or Nothing when
  // there is none; `recordsAffected` as for Connection::execute.
  com::Ref<Recordset> nextRecordset(int64_t* recordsAffected = nullptr);

  // Takes the results of a batch: opens on the first rowset (stays closed
  // when there is none) and keeps the later ones for nextRecordset().
  // Answers the rows affected before that rowset (-1 when none reported).
  int64_t load(std::vector<BatchItem> items, com::Ref<Connection> connection, std::string source);

 private:
  Cursor& cursor();
  const Cursor& cursor() const;
  size_t checked(size_t index) const;
  void requireUpdatable() const;
  void setValues(const com::Variant& fieldList, const com::Variant& values);

  std::optional<Cursor> cursor_;
  std::vector<BatchItem> pending_;
  com::Ref<Connection> connection_;
  std::string source_;
  int32_t cursorType_ = 0;
  int32_t lockType_ = kLockReadOnly;
  int32_t cursorLocation_ = kUseServer;
};

}  // namespace mls::ado

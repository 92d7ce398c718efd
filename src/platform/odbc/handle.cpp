#include "platform/odbc/handle.h"

namespace mls::odbc {

Handle::Handle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
  SQLHANDLE h = SQL_NULL_HANDLE;
  if (SQL_SUCCEEDED(SQLAllocHandle(type, parent, &h))) handle_ = h;
}

Handle& Handle::operator=(Handle&& o) noexcept {
  if (this != &o) {
    reset();
    type_ = o.type_;
    connected_ = std::exchange(o.connected_, false);
    handle_ = std::exchange(o.handle_, nullptr);
  }
  return *this;
}

void Handle::reset() {
  if (handle_ == SQL_NULL_HANDLE) return;
  if (connected_) SQLDisconnect(handle_);
  connected_ = false;
  SQLFreeHandle(type_, handle_);
  handle_ = SQL_NULL_HANDLE;
}

}  // namespace mls::odbc

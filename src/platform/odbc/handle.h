// An ODBC handle owned for its whole life: freed (a connection disconnected
// first) whatever path leaves the scope that holds it.
#pragma once

#include <sql.h>

#include <utility>

namespace mls::odbc {

class Handle {
 public:
  Handle() = default;
  // Allocates a handle of `type` under `parent` (SQL_NULL_HANDLE for an
  // environment); an empty Handle when the driver manager refuses.
  Handle(SQLSMALLINT type, SQLHANDLE parent);
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle(Handle&& o) noexcept : type_(o.type_), handle_(std::exchange(o.handle_, nullptr)) {}
  Handle& operator=(Handle&& o) noexcept;
  ~Handle() { reset(); }

  SQLHANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != SQL_NULL_HANDLE; }
  // Marks a connection handle as connected, so that reset() disconnects it.
  void setConnected() { connected_ = true; }
  void reset();

 private:
  SQLSMALLINT type_ = SQL_HANDLE_ENV;
  SQLHANDLE handle_ = SQL_NULL_HANDLE;
  bool connected_ = false;
};

}  // namespace mls::odbc

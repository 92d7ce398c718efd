// A connection that is closed on every path of the code that holds it.  The
// path that succeeded ends it with close(), whose failure is reported; any
// other path ends it quietly (closeQuietly() or the destructor), so that a
// failing Close never hides the error being raised.  A connection that is
// already closed is released without a second Close.
#pragma once

#include <utility>

#include "platform/ado/connection.h"

namespace mls::frame {

class OpenConnection {
 public:
  OpenConnection() = default;
  explicit OpenConnection(com::Ref<ado::Connection> connection) : connection_(std::move(connection)) {}
  OpenConnection(OpenConnection&& o) noexcept : connection_(std::exchange(o.connection_, nullptr)) {}
  OpenConnection& operator=(OpenConnection&& o) noexcept;
  OpenConnection(const OpenConnection&) = delete;
  OpenConnection& operator=(const OpenConnection&) = delete;
  ~OpenConnection() { closeQuietly(); }

  explicit operator bool() const { return static_cast<bool>(connection_); }
  ado::Connection* operator->() const { return connection_.get(); }
  ado::Connection& operator*() const { return *connection_; }

  // Closes the connection when it is open and releases it.
  void close();
  // The same, ignoring a failing Close.
  void closeQuietly() noexcept;
  // Hands the connection on, open, to a caller that now owns its closing.
  com::Ref<ado::Connection> release() { return std::exchange(connection_, nullptr); }

 private:
  com::Ref<ado::Connection> connection_;
};

}  // namespace mls::frame

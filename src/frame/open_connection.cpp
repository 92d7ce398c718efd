#include "frame/open_connection.h"

#include <exception>

namespace mls::frame {

OpenConnection& OpenConnection::operator=(OpenConnection&& o) noexcept {
  if (this != &o) {
    closeQuietly();
    connection_ = std::exchange(o.connection_, nullptr);
  }
  return *this;
}

void OpenConnection::close() {
  com::Ref<ado::Connection> connection = std::exchange(connection_, nullptr);
  if (connection && connection->state() == ado::kStateOpen) connection->close();
}

void OpenConnection::closeQuietly() noexcept {
  try {
    close();
  } catch (...) {
    // The error being raised is the one that counts.
  }
}

}  // namespace mls::frame

// What the sibling components read from the caller's properties string: one
// item by key, and a connection to the ERP database its ConnectString names,
// closed when it goes out of scope.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/ado/connection.h"

namespace mls::siblings {

// The value of `key` in a properties string ("Key=Value" items separated by
// ";", a value in braces running to its "}"), keys matched without regard to
// case; none when the key is absent.
std::optional<std::string> propsItem(std::string_view props, std::string_view key);

class PropsConnection {
 public:
  // Raises 5 with `source` when the properties hold no ConnectString.
  PropsConnection(const std::string& props, const char* source);
  ~PropsConnection();
  PropsConnection(const PropsConnection&) = delete;
  PropsConnection& operator=(const PropsConnection&) = delete;
  ado::Connection& operator*() { return *connection_; }

 private:
  com::Ref<ado::Connection> connection_;
};

}  // namespace mls::siblings

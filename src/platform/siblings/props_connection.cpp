#include "platform/siblings/props_connection.h"

#include <algorithm>

#include "platform/com/error.h"
#include "platform/common/ascii_text.h"

namespace mls::siblings {

using ascii::trimSpaces;

std::optional<std::string> propsItem(std::string_view props, std::string_view key) {
  while (!props.empty()) {
    size_t eq = props.find('=');
    if (eq == std::string_view::npos) break;
    std::string name = trimSpaces(props.substr(0, eq));
    std::string_view rest = props.substr(eq + 1);
    rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
    std::string value;
    if (!rest.empty() && rest[0] == '{') {
      size_t close = rest.find('}');
      value =
          std::string(rest.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
      rest = close == std::string_view::npos ? std::string_view{} : rest.substr(close);
    } else {
      value = trimSpaces(rest.substr(0, rest.find(';')));
    }
    if (com::compareText(name, key, true) == 0) return value;
    size_t semi = rest.find(';');
    props = semi == std::string_view::npos ? std::string_view{} : rest.substr(semi + 1);
  }
  return std::nullopt;
}

PropsConnection::PropsConnection(const std::string& props, const char* source)
    : connection_(com::makeObject<ado::Connection>()) {
  std::optional<std::string> connect = propsItem(props, "ConnectString");
  if (!connect) com::raise(com::err::kInvalidCall, source, "PropsString holds no ConnectString");
  connection_->open(*connect);
}

PropsConnection::~PropsConnection() {
  try {
    if (connection_->state() == ado::kStateOpen) connection_->close();
  } catch (const std::exception&) {
    // The components only read: a close has nothing to save and nothing to report.
  }
}

}  // namespace mls::siblings

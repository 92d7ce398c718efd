#include "calculation/sql_script.h"

namespace mls::calculation {

SqlScript& SqlScript::line(std::string_view text) {
  builder_.append(text);
  builder_.append("\r\n");
  return *this;
}

void SqlScript::send(ado::Connection& connection) {
  connection.execute(builder_.text());
  if (builder_.length() > 0) builder_.remove(1, builder_.length());
}

}  // namespace mls::calculation

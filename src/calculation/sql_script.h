// A T-SQL text built line by line (each line ended by CR LF) and sent as one
// batch on the call's connection.
#pragma once

#include <string_view>

#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/halvern/string_builder.h"

namespace mls::calculation {

class SqlScript {
 public:
  SqlScript& line(std::string_view text);
  const std::string& text() const { return builder_.text(); }
  // Executes the text as one batch and empties it.
  void send(ado::Connection& connection);

 private:
  halvern::StringBuilder builder_;
};

}  // namespace mls::calculation

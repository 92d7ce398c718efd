// T-SQL text built line by line (each line ended by CR LF) and sent as one
// batch, and the rowsets a call hands out: their rows stay, their connection
// goes.
#pragma once

#include <string>
#include <string_view>

#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"

namespace mls::frame {

class SqlScript {
 public:
  SqlScript& line(std::string_view text) {
    text_ += text;
    text_ += "\r\n";
    return *this;
  }
  // Appends without a line end: a piece the next line() continues.
  SqlScript& add(std::string_view text) {
    text_ += text;
    return *this;
  }
  const std::string& text() const { return text_; }
  // Executes the text as one batch and empties it.
  void send(ado::Connection& connection);

 private:
  std::string text_;
};

// Executes `sql` and answers its first rowset, detached (ActiveConnection =
// Nothing).
com::Ref<ado::Recordset> detachedSelect(ado::Connection& connection, std::string_view sql);
// The rows of `sql` opened static, with a client-side cursor and batch-optimistic
// locking, so that the client may edit them, then detached.
com::Ref<ado::Recordset> detachedEditable(ado::Connection& connection, std::string_view sql);

}  // namespace mls::frame

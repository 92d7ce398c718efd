// CDataSource: the per-call factory of database connections.  Each call of
// connection() or unCommittedConnection() opens a new connection with the
// properties' ConnectString, client-side cursors, no command time-out and the
// isolation level set; the caller owns and closes it.
#pragma once

#include <memory>
#include <string>

#include "frame/cparse.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"

namespace mls::frame {

enum class Isolation { ReadCommitted, ReadUncommitted };

class CDataSource {
 public:
  explicit CDataSource(std::shared_ptr<CParse> parser) : parser_(std::move(parser)) {}

  const std::shared_ptr<CParse>& parser() const { return parser_; }

  // A new open connection.  A failure to open, or of the isolation statement,
  // raises the data-access error; no connection is left open.
  com::Ref<ado::Connection> open(Isolation isolation) const;
  com::Ref<ado::Connection> connection() const { return open(Isolation::ReadCommitted); }
  com::Ref<ado::Connection> unCommittedConnection() const { return open(Isolation::ReadUncommitted); }

  const std::string& connectString() const { return parser_->conStr(); }

 private:
  std::shared_ptr<CParse> parser_;
};

}  // namespace mls::frame

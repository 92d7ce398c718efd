#include "frame/data_source.h"

#include "frame/open_connection.h"

namespace mls::frame {

com::Ref<ado::Connection> CDataSource::open(Isolation isolation) const {
  OpenConnection connection(com::makeObject<ado::Connection>());
  connection->open(connectString(), {}, {}, -1);
  connection->setCursorLocation(ado::kUseClient);
  connection->setCommandTimeout(0);
  connection->execute(isolation == Isolation::ReadCommitted
                          ? "SET TRANSACTION ISOLATION LEVEL READ COMMITTED"
                          : "SET TRANSACTION ISOLATION LEVEL READ UnCOMMITTED",
                      nullptr, -1);
  return connection.release();
}

}  // namespace mls::frame

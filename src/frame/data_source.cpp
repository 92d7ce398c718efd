#include "frame/data_source.h"

#include <exception>

#include "platform/ado/recordset.h"

namespace mls::frame {

com::Ref<ado::Connection> CDataSource::open(Isolation isolation) const {
  com::Ref<ado::Connection> connection = com::makeObject<ado::Connection>();
  connection->open(connectString(), {}, {}, -1);
  try {
    connection->setCursorLocation(ado::kUseClient);
    connection->setCommandTimeout(0);
    connection->execute(isolation == Isolation::ReadCommitted
                            ? "SET TRANSACTION ISOLATION LEVEL READ COMMITTED"
                            : "SET TRANSACTION ISOLATION LEVEL READ UnCOMMITTED",
                        nullptr, -1);
  } catch (...) {
    try {
      connection->close();
    } catch (const std::exception&) {
      // The failure that brought us here is the one to report.
    }
    throw;
  }
  return connection;
}

}  // namespace mls::frame

#include "frame/drop_table.h"

#include <exception>
#include <string>

#include "platform/ado/recordset.h"
#include "platform/com/error.h"

namespace mls::frame {

void dropTempTable(ado::Connection& connection, std::string_view name) {
  try {
    connection.execute("drop Table " + std::string(name), nullptr, -1);
  } catch (const std::exception&) {
    // A table that does not exist is no error.
  }
  com::clearCurrentError();
}

}  // namespace mls::frame

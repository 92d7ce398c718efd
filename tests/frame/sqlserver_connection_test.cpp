// A public method whose properties string names SQL Server's provider reaches
// it through unixODBC and FreeTDS; with no server at the address the open fails
// with the provider's error, passed through the method's frame.
#include <gtest/gtest.h>

#include "classes/library.h"
#include "platform/com/dispatch.h"
#include "platform/com/error.h"

namespace mls::testing {
namespace {

#ifdef MLS_HAVE_SQLSERVER
TEST(SqlServerConnection, AVersionedProviderNameReachesTheServerProvider) {
  classes::registerInProcess();
  com::Ref<com::Dispatch> update = com::createObject("Marlstone.ConcludeUpdate");
  // Port 1 of the loopback address: nothing listens there.
  const std::string props =
      "ConnectString={Provider=SQLOLEDB.1;Data Source=127.0.0.1,1;Initial Catalog=erp;User ID=sa;"
      "Password=x;Connect Timeout=2};Language=chs";
  try {
    com::callByName(*update, "DeleteCalInfo", props, 2024, 3);
    FAIL() << "the open succeeded";
  } catch (const com::ComError& e) {
    EXPECT_EQ(e.number(), -2147467259);
    EXPECT_NE(e.source().find("SQLOLEDB.1"), std::string::npos) << e.source();
    EXPECT_EQ(e.description().find("not registered"), std::string::npos) << e.description();
  }
}
#endif

}  // namespace
}  // namespace mls::testing

// Opens through the real unixODBC driver manager and FreeTDS driver.  No SQL
// Server is reachable here, so these are the paths that fail: each must fail
// with the open-failure number, in bounded time, leaving nothing open.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "platform/ado/connection.h"
#include "platform/ado/errors.h"
#include "platform/odbc/login.h"
#include "platform/odbc/odbc_provider.h"
#include "support/com_errors.h"

namespace mls::odbc {
namespace {

using Clock = std::chrono::steady_clock;
using mls::testing::raisedBy;

size_t openDescriptors() {
  size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    ++n;
  return n;
}

// A loopback TCP port held for the test: bound but not listening, so a
// connection is refused; or listening but never answering, so a login waits.
class LoopbackPort {
 public:
  explicit LoopbackPort(bool listening) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &length) != 0 ||
        (listening && listen(fd_, 4) != 0))
      ADD_FAILURE() << "no loopback port";
    port_ = ntohs(addr.sin_port);
  }
  ~LoopbackPort() {
    if (fd_ >= 0) close(fd_);
  }
  int port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

class ConnectTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { registerOdbcProviders(); }
  static void TearDownTestSuite() { unregisterOdbcProviders(); }
  void SetUp() override {
    ASSERT_NE(locateDriver(knownDriverPaths()), "") << "the tdsodbc package is not installed (scripts/setup)";
  }

  // Opens `text` through the layer's Connection and answers what it raised
  // and how long it took; the connection must be left closed.
  std::pair<com::ComError, double> failedOpen(const std::string& text) {
    auto cn = com::makeObject<ado::Connection>();
    Clock::time_point start = Clock::now();
    com::ComError e = raisedBy([&] { cn->open(text); });
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_EQ(cn->state(), ado::kStateClosed);
    return {e, seconds};
  }
};

TEST_F(ConnectTest, RefusedConnectionFailsOpenQuicklyAndLeavesNothingOpen) {
  LoopbackPort port(false);
  size_t before = openDescriptors();
  auto [e, seconds] = failedOpen("Provider=SQLOLEDB;Data Source=127.0.0.1," + std::to_string(port.port()) +
                                 ";Initial Catalog=Costing;User ID=mls;Password=x;Connect Timeout=3");
  EXPECT_EQ(e.number(), ado::err::kOpenFailed);
  EXPECT_EQ(e.source(), "SQLOLEDB");
  EXPECT_NE(e.description().find("SQLSTATE 08001"), std::string::npos) << e.description();
  EXPECT_EQ(e.description().find("[FreeTDS]"), std::string::npos) << e.description();
  EXPECT_LT(seconds, 3.0 + 2.0);
  EXPECT_EQ(openDescriptors(), before);
}

TEST_F(ConnectTest, SilentServerFailsOpenWhenTheLoginTimeoutRunsOut) {
  LoopbackPort port(true);
  size_t before = openDescriptors();
  auto [e, seconds] = failedOpen("Provider=MSOLEDBSQL;Data Source=127.0.0.1," + std::to_string(port.port()) +
                                 ";User ID=mls;Password=x;Connect Timeout=2");
  EXPECT_EQ(e.number(), ado::err::kOpenFailed);
  EXPECT_EQ(e.source(), "MSOLEDBSQL");
  EXPECT_FALSE(e.description().empty());
  EXPECT_GE(seconds, 1.0);
  EXPECT_LT(seconds, 2.0 + 3.0);
  EXPECT_EQ(openDescriptors(), before);
}

TEST_F(ConnectTest, IntegratedSecurityFailsBeforeAnyNetworkTraffic) {
  auto [e, seconds] = failedOpen("Provider=SQLNCLI;Data Source=db;Integrated Security=SSPI");
  EXPECT_EQ(e.number(), ado::err::kOpenFailed);
  EXPECT_EQ(e.source(), "SQLNCLI");
  EXPECT_NE(e.description().find("Integrated Security"), std::string::npos);
  EXPECT_LT(seconds, 1.0);
}

TEST_F(ConnectTest, AMissingOrBrokenDriverFailsOpenNamingIt) {
  constexpr const char* kText = "Data Source=127.0.0.1,1;User ID=u;Password=p";
  ado::ConnectionProperties props = ado::ConnectionProperties::parse(kText, "test");

  OdbcProvider missing("SQLOLEDB", {OdbcLoginKind::SqlServer, "/nonexistent/odbc/libtdsodbc.so"});
  com::ComError e = raisedBy([&] { missing.open(props); });
  EXPECT_EQ(e.number(), ado::err::kOpenFailed);
  EXPECT_EQ(e.source(), "SQLOLEDB");
  EXPECT_NE(e.description().find("'/nonexistent/odbc/libtdsodbc.so' does not exist"), std::string::npos)
      << e.description();

  // A file that is no driver library: the driver manager's own refusal.
  std::filesystem::path fake =
      std::filesystem::temp_directory_path() / ("mls_not_a_driver_" + std::to_string(getpid()) + ".so");
  std::FILE* f = std::fopen(fake.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs("not a library\n", f);
  std::fclose(f);
  size_t before = openDescriptors();
  OdbcProvider broken("SQLOLEDB", {OdbcLoginKind::SqlServer, fake.string()});
  e = raisedBy([&] { broken.open(props); });
  EXPECT_EQ(e.number(), ado::err::kOpenFailed);
  EXPECT_EQ(e.source(), "SQLOLEDB");
  EXPECT_NE(e.description().find(fake.string()), std::string::npos) << e.description();
  EXPECT_EQ(openDescriptors(), before);
  std::filesystem::remove(fake);
}

}  // namespace
}  // namespace mls::odbc

#include "platform/odbc/login.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/ado/errors.h"
#include "support/com_errors.h"

namespace mls::odbc {
namespace {

using mls::testing::raisedBy;

constexpr const char* kProvider = "SQLOLEDB";
constexpr const char* kDriver = "/opt/tds/libtdsodbc.so";

OdbcLogin translate(const std::string& text) {
  return translateConnection(ado::ConnectionProperties::parse(text, kProvider), kProvider, kDriver);
}

std::string odbcText(const std::string& text) {
  return translate(text).connectionString;
}

TEST(LoginTest, TranslatesTheKeysAnErpConnectionStringCarries) {
  EXPECT_EQ(odbcText("Provider=SQLOLEDB.1;Persist Security Info=False;Data Source=erp-db,1533;"
                     "Initial Catalog=Costing;User ID=mls;Password=s3cret;Application Name=Marlstone"),
            "Driver=/opt/tds/libtdsodbc.so;Server=erp-db;Port=1533;Database=Costing;UID=mls;PWD=s3cret;"
            "APP=Marlstone;TDS_Version=7.4;ClientCharset=UTF-8");
  // The ODBC-style synonyms, in any case.
  EXPECT_EQ(odbcText("provider=msoledbsql;server=h;database=d;uid=u;pwd=p"),
            "Driver=/opt/tds/libtdsodbc.so;Server=h;Port=1433;Database=d;UID=u;PWD=p;TDS_Version=7.4;"
            "ClientCharset=UTF-8");
}

TEST(LoginTest, DataSourceFormsBecomeServerAndPort) {
  struct Case {
    const char* dataSource;
    const char* server;
  };
  for (const Case& c : std::vector<Case>{
           {"db01", "Server=db01;Port=1433;"},
           {"db01, 14330", "Server=db01;Port=14330;"},
           {"tcp:10.0.0.5,1433", "Server=10.0.0.5;Port=1433;"},
           {"db01\\ERP", "Server=db01\\ERP;Database"},  // the driver asks the server's browser for the port
           {"(local)", "Server=localhost;Port=1433;"},
           {".\\SQLEXPRESS", "Server=localhost\\SQLEXPRESS;Database"},
       }) {
    std::string text = odbcText(std::string("Data Source=") + c.dataSource + ";Database=d;User ID=u");
    EXPECT_NE(text.find(c.server), std::string::npos) << c.dataSource << " -> " << text;
  }
}

TEST(LoginTest, ValuesWithSeparatorsAreBracedAndNothingIsLost) {
  EXPECT_EQ(odbcValue("plain"), "plain");
  EXPECT_EQ(odbcValue("a;b"), "{a;b}");
  EXPECT_EQ(odbcValue("p}w{d"), "{p}}w{d}");
  EXPECT_EQ(odbcValue(" lead"), "{ lead}");
  EXPECT_EQ(odbcValue("x=y"), "{x=y}");
  std::string text = odbcText("Data Source=h;User ID=u;Password=\"a;b}=c \"");
  EXPECT_NE(text.find(";PWD={a;b}}=c };"), std::string::npos) << text;
}

TEST(LoginTest, LoginTimeoutComesFromConnectTimeout) {
  EXPECT_EQ(translate("Data Source=h;User ID=u").loginTimeoutSeconds, kDefaultLoginTimeout);
  EXPECT_EQ(translate("Data Source=h;User ID=u;Connect Timeout=4").loginTimeoutSeconds, 4);
  EXPECT_EQ(translate("Data Source=h;User ID=u;Connect Timeout=0").loginTimeoutSeconds, 0);
}

TEST(LoginTest, IntegratedSecurityIsRefusedClearly) {
  for (const char* value : {"SSPI", "true", "Yes"}) {
    com::ComError e = raisedBy([&] { translate(std::string("Data Source=h;Integrated Security=") + value); });
    EXPECT_EQ(e.number(), ado::err::kOpenFailed) << value;
    EXPECT_EQ(e.source(), kProvider);
    EXPECT_NE(e.description().find("Windows authentication"), std::string::npos) << e.description();
  }
  com::ComError e = raisedBy([] { translate("Data Source=h;User ID=u;Trusted_Connection=sometimes"); });
  EXPECT_EQ(e.number(), ado::err::kOpenFailed);
  // Said off, it is no obstacle.
  EXPECT_NE(odbcText("Data Source=h;User ID=u;Integrated Security=False").find("UID=u"), std::string::npos);
}

// A connection string refused, and a piece of what the refusal says.
struct Refusal {
  const char* text;
  const char* says;
};

// `open` fails as the open of `provider` with what `c` says.
void expectRefused(const Refusal& c, const std::string& provider, const std::function<void()>& open) {
  com::ComError e = raisedBy(open);
  EXPECT_EQ(e.number(), ado::err::kOpenFailed) << c.text;
  EXPECT_EQ(e.source(), provider) << c.text;
  EXPECT_NE(e.description().find(c.says), std::string::npos) << c.text << ": " << e.description();
}

TEST(LoginTest, BadStringsFailOpenWithWhatIsWrong) {
  for (const Refusal& c : std::vector<Refusal>{
           {"User ID=u", "no Data Source"},
           {"Data Source=  ;User ID=u", "no Data Source"},
           {"Data Source=h", "no User ID"},
           {"Data Source=h,0;User ID=u", "port '0'"},
           {"Data Source=h,65536;User ID=u", "port '65536'"},
           {"Data Source=h,14x;User ID=u", "port '14x'"},
           {"Data Source=h\\;User ID=u", "no instance"},
           {"Data Source=,1433;User ID=u", "no server"},
           {"Data Source=h;User ID=u;Connect Timeout=soon", "Connect Timeout 'soon'"},
           {"Data Source=h;User ID=u;Connect Timeout=-1", "Connect Timeout '-1'"},
       })
    expectRefused(c, kProvider, [&] { translate(c.text); });
}

TEST(LoginTest, OdbcStringsPassAsWritten) {
  struct Case {
    const char* text;
    const char* odbc;
  };
  for (const Case& c : std::vector<Case>{
           {"Provider=MSDASQL;DSN=ERP Costing;UID=mls;PWD={p;w}}d};Connect Timeout=4",
            "DSN=ERP Costing;UID=mls;PWD={p;w}}d}"},
           {"Provider=MSDASQL;Driver={FreeTDS};Server=db01;Port=1533;User ID=mls;Password=\"a;b\"",
            "Driver={FreeTDS};Server=db01;Port=1533;UID=mls;PWD={a;b}"},
           {"Provider=MSDASQL;User ID=ignored;Extended Properties=\"DSN=erp;UID=mls\";Password=x",
            "DSN=erp;UID=mls;PWD=x"},
       }) {
    OdbcLogin login = passThroughConnection(ado::ConnectionProperties::parse(c.text, "MSDASQL"), "MSDASQL");
    EXPECT_EQ(login.connectionString, c.odbc) << c.text;
  }
  EXPECT_EQ(passThroughConnection(ado::ConnectionProperties::parse("DSN=a;Connect Timeout=4", "x"), "x")
                .loginTimeoutSeconds,
            4);
}

// A client names a driver by its odbcinst.ini entry only: never a library's
// path, an unknown entry or a file that names one.
TEST(LoginTest, OnlyRegisteredDriverNamesPass) {
  const std::vector<std::string> registered = {"FreeTDS", "Marlstone SQLite3"};
  auto check = [&](const std::string& text) {
    checkDriverNames(ado::ConnectionProperties::parse(text, "MSDASQL"), "MSDASQL", registered);
  };
  for (const char* accepted :
       {"Provider=MSDASQL;Driver={FreeTDS};Server=h", "Provider=MSDASQL;driver=freetds",
        "Provider=MSDASQL;Driver={Marlstone SQLite3};Database=a.db", "Provider=MSDASQL;DSN=erp;UID=u",
        "Provider=MSDASQL;DSN=erp;Driver="})
    EXPECT_NO_THROW(check(accepted)) << accepted;
  for (const Refusal& c : std::vector<Refusal>{
           {"Provider=MSDASQL;Driver=/tmp/payload.so;Server=h", "'/tmp/payload.so' is not registered"},
           {"Provider=MSDASQL;Driver={/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so}", "never by the path"},
           {"Provider=MSDASQL;DRIVER=./FreeTDS", "'./FreeTDS' is not registered"},
           {"Provider=MSDASQL;Driver={Oracle 19}", "'Oracle 19' is not registered"},
           {"Provider=MSDASQL;DSN=erp;Driver=C:\\odbc\\x.dll", "is not registered"},
           {"Provider=MSDASQL;Extended Properties=\"Driver=/tmp/x.so;Server=h\"", "'/tmp/x.so'"},
           {"Provider=MSDASQL;Driver={FreeTDS};Driver=/tmp/x.so", "'/tmp/x.so'"},
           {"Provider=MSDASQL;FILEDSN=/tmp/erp.dsn", "FILEDSN is not accepted"},
           {"Provider=MSDASQL;DSN=erp;SaveFile=/tmp/erp.dsn", "SaveFile is not accepted"},
       })
    expectRefused(c, "MSDASQL", [&] { check(c.text); });
}

TEST(LoginTest, TheDriverIsTheFirstCandidateThatExists) {
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("mls_odbc_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::string present = (dir / "libtdsodbc.so").string();
  std::FILE* f = std::fopen(present.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_EQ(locateDriver({(dir / "missing.so").string(), present}), present);
  EXPECT_EQ(locateDriver({(dir / "missing.so").string()}), "");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace mls::odbc

// The data-access provider for ODBC data sources, through the unixODBC driver
// manager.  It answers to two families of provider names (any case):
//  - SQL Server's, as an ERP's connection strings carry them (SQLOLEDB,
//    SQLNCLI, MSOLEDBSQL and their versioned forms): the OLE DB keys are
//    translated for the FreeTDS ODBC driver (see login.h);
//  - MSDASQL, the provider for ODBC: the string names a DSN or a Driver and
//    reaches the driver manager as written (passThroughConnection).
// Both run the same code past the connection string.  Each session owns its
// ODBC environment and connection, and a statement handle lives for one
// execute; all of them are freed on every path, a failed open included.  A
// driver that answers one result per execution (SQL_MULT_RESULT_SETS "N") is
// given a batch one statement at a time, each with its own parameters and the
// whole command time-out.
#pragma once

#include <memory>
#include <string>

#include "platform/ado/provider.h"

namespace mls::odbc {

// The names an ERP's OLE DB connection strings give SQL Server's providers, with
// the versioned forms they are usually written in.
inline constexpr const char* kSqlServerProviderNames[] = {
    "SQLOLEDB", "SQLOLEDB.1", "SQLNCLI", "SQLNCLI10", "SQLNCLI11", "MSOLEDBSQL", "MSOLEDBSQL19"};
// The names of the provider for any ODBC data source.
inline constexpr const char* kOdbcProviderNames[] = {"MSDASQL", "MSDASQL.1"};

enum class OdbcLoginKind {
  SqlServer,    // OLE DB keys translated for the FreeTDS driver
  PassThrough,  // the ODBC connection string as written
};

struct OdbcOptions {
  OdbcLoginKind login = OdbcLoginKind::SqlServer;
  // For SqlServer: the FreeTDS ODBC driver library; empty: the first of
  // knownDriverPaths() that exists, looked up at each open.
  std::string driverPath;
};

class OdbcProvider final : public ado::Provider {
 public:
  OdbcProvider(std::string name, OdbcOptions options);
  const std::string& name() const override { return name_; }
  // Raises err::kOpenFailed (Source the provider's name) when the string is
  // refused, the driver is missing or the data source cannot be signed in to.
  std::unique_ptr<ado::ProviderSession> open(const ado::ConnectionProperties& props) override;

 private:
  std::string name_;
  OdbcOptions options_;
};

// Registers the provider under each of kSqlServerProviderNames (with
// `sqlServer`'s driver) and kOdbcProviderNames.
void registerOdbcProviders(const OdbcOptions& sqlServer = {});
// Forgets all of those names again.
void unregisterOdbcProviders();

}  // namespace mls::odbc

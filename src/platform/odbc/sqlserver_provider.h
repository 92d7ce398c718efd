// The data-access provider for Microsoft SQL Server, through the unixODBC
// driver manager and the FreeTDS ODBC driver.  It answers to the provider names
// an ERP's connection strings carry: SQLOLEDB, SQLNCLI and MSOLEDBSQL (any
// case; see login.h for the keys it reads).  Each session owns its ODBC
// environment and connection, and a statement handle lives for one execute;
// all of them are freed on every path, a failed open included.
#pragma once

#include <memory>
#include <string>

#include "platform/ado/provider.h"

namespace mls::odbc {

// The names an ERP's OLE DB connection strings give SQL Server's providers, with
// the versioned forms they are usually written in.
inline constexpr const char* kSqlServerProviderNames[] = {
    "SQLOLEDB", "SQLOLEDB.1", "SQLNCLI", "SQLNCLI10", "SQLNCLI11", "MSOLEDBSQL", "MSOLEDBSQL19"};

struct SqlServerOptions {
  // The FreeTDS ODBC driver library; empty: the first of knownDriverPaths()
  // that exists, looked up at each open.
  std::string driverPath;
};

class SqlServerProvider final : public ado::Provider {
 public:
  SqlServerProvider(std::string name, SqlServerOptions options);
  const std::string& name() const override { return name_; }
  // Raises err::kOpenFailed (Source the provider's name) when the string is
  // refused, the driver is missing or the server cannot be signed in to.
  std::unique_ptr<ado::ProviderSession> open(const ado::ConnectionProperties& props) override;

 private:
  std::string name_;
  SqlServerOptions options_;
};

// Registers the provider under each of kSqlServerProviderNames.
void registerSqlServerProviders(const SqlServerOptions& options = {});

}  // namespace mls::odbc

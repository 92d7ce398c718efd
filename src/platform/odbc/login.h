// How an OLE DB style connection string becomes the connection string of an
// ODBC driver.  For SQL Server's provider names, the FreeTDS driver's:
//   Data Source / Server / Address: host, host,port or host\instance ("tcp:"
//     taken off; "(local)" and "." are this machine); port 1433 when neither a
//     port nor an instance is given
//   Initial Catalog / Database, User ID / UID, Password / PWD,
//   Application Name, Workstation ID
//   Connect Timeout: the login time-out in seconds (15 when absent)
//   Integrated Security / Trusted_Connection: refused, Windows authentication
//     is not available here
// Other keys (Persist Security Info, Auto Translate, ...) do not change the
// session and are ignored.  Errors raise err::kOpenFailed with the provider as
// Source.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ado/connection_string.h"

namespace mls::odbc {

inline constexpr int32_t kDefaultLoginTimeout = 15;

struct OdbcLogin {
  std::string connectionString;  // for SQLDriverConnect
  int32_t loginTimeoutSeconds = kDefaultLoginTimeout;
};

OdbcLogin translateConnection(const ado::ConnectionProperties& props, const std::string& provider,
                              const std::string& driverPath);

// An MSDASQL connection string for the driver manager as it is written: every
// key but Provider, in order, a braced value as it stands and any other braced
// where the ODBC grammar needs it; the keys of Extended Properties (an ODBC
// string of its own) in its place; User ID and Password as UID and PWD unless
// those are given; Connect Timeout the login time-out, not passed on.  A
// string naming no DSN, FILEDSN or Driver raises err::kOpenFailed.
OdbcLogin passThroughConnection(const ado::ConnectionProperties& props, const std::string& provider);

// Refuses (err::kOpenFailed) an MSDASQL string that would make the driver
// manager load a shared object the client chose: a Driver that is not one of
// `registered` (the driver entries of unixODBC's odbcinst.ini, matched without
// regard to case) or that is a path, and FILEDSN or SAVEFILE, files the client
// names (a file DSN names its own driver; SAVEFILE writes one).
void checkDriverNames(const ado::ConnectionProperties& props, const std::string& provider,
                      const std::vector<std::string>& registered);

// A value as the ODBC connection-string grammar needs it: braced, with '}'
// doubled, when it holds ';', '{', '}', '=' or spaces at either end.
std::string odbcValue(const std::string& value);

// Where the FreeTDS ODBC driver is installed: the first of `candidates` that
// exists; empty when none does.
std::string locateDriver(const std::vector<std::string>& candidates);
// The places the tdsodbc package and common builds put it.
const std::vector<std::string>& knownDriverPaths();

}  // namespace mls::odbc

#include "platform/odbc/odbc_provider.h"

#include <sqlext.h>
#include <sqlucode.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/ado/embedded/markers.h"
#include "platform/ado/errors.h"
#include "platform/odbc/diagnostics.h"
#include "platform/odbc/handle.h"
#include "platform/odbc/login.h"
#include "platform/odbc/parameters.h"
#include "platform/odbc/results.h"
#include "platform/odbc/text.h"

namespace mls::odbc {

namespace {

using ado::err::kCommandFailed;
using ado::err::kOpenFailed;

SQLPOINTER integerAttribute(SQLULEN value) {
  return reinterpret_cast<SQLPOINTER>(value);
}

class OdbcSession final : public ado::ProviderSession {
 public:
  OdbcSession(std::string provider, Handle env, Handle dbc, bool wholeBatches)
      : provider_(std::move(provider)),
        env_(std::move(env)),
        dbc_(std::move(dbc)),
        wholeBatches_(wholeBatches) {}

  std::vector<ado::BatchItem> execute(std::string_view text, const std::vector<ado::ParameterValue>& params,
                                      int32_t timeoutSeconds) override {
    size_t markers = ado::embedded::rewriteMarkers(text).markers;
    if (markers != params.size()) {
      com::raise(ado::err::kMissingParameters, provider_,
                 "The command has " + std::to_string(markers) + " parameter markers but " +
                     std::to_string(params.size()) + " parameters were given.");
    }
    if (wholeBatches_) return run(text, params, timeoutSeconds);
    std::vector<ado::BatchItem> items;
    auto next = params.begin();
    for (std::string_view statement : ado::embedded::splitStatements(text)) {
      auto count = static_cast<std::ptrdiff_t>(ado::embedded::rewriteMarkers(statement).markers);
      std::vector<ado::BatchItem> results = run(statement, {next, next + count}, timeoutSeconds);
      next += count;
      std::move(results.begin(), results.end(), std::back_inserter(items));
    }
    return items;
  }

 private:
  std::vector<ado::BatchItem> run(std::string_view text, const std::vector<ado::ParameterValue>& params,
                                  int32_t timeoutSeconds) {
    Handle stmt(SQL_HANDLE_STMT, dbc_.get());
    if (!stmt) {
      raiseDiagnostics(kCommandFailed, provider_, SQL_HANDLE_DBC, dbc_.get(),
                       "No statement could be started on the connection.");
    }
    if (timeoutSeconds > 0) {
      SQLRETURN rc = SQLSetStmtAttr(stmt.get(), SQL_ATTR_QUERY_TIMEOUT,
                                    integerAttribute(static_cast<SQLULEN>(timeoutSeconds)), 0);
      if (!SQL_SUCCEEDED(rc)) {
        raiseDiagnostics(kCommandFailed, provider_, SQL_HANDLE_STMT, stmt.get(),
                         "The command time-out could not be set.");
      }
    }
    BoundParameters bound(stmt.get(), params, provider_);
    std::u16string wide = utf16FromUtf8(text);
    SQLRETURN rc = SQLExecDirectW(stmt.get(), reinterpret_cast<SQLWCHAR*>(wide.data()),
                                  static_cast<SQLINTEGER>(wide.size()));
    return readResults(stmt.get(), rc, provider_);
  }

  std::string provider_;
  Handle env_;  // declared before dbc_: the connection is released first
  Handle dbc_;
  bool wholeBatches_;
};

// Whether the driver can answer several results from one execution.
bool answersSeveralResults(SQLHDBC dbc) {
  char answer[8] = {};
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_MULT_RESULT_SETS, answer, sizeof answer, &length))) return true;
  return answer[0] != 'N';
}

// The driver entries of the driver manager's odbcinst.ini.
std::vector<std::string> registeredDrivers(SQLHENV env) {
  std::vector<std::string> names;
  SQLCHAR description[512];
  SQLCHAR attributes[2048];
  SQLSMALLINT descriptionLength = 0, attributesLength = 0;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  while (SQL_SUCCEEDED(SQLDrivers(env, direction, description, sizeof description, &descriptionLength,
                                  attributes, sizeof attributes, &attributesLength))) {
    names.emplace_back(reinterpret_cast<const char*>(description));
    direction = SQL_FETCH_NEXT;
  }
  return names;
}

}  // namespace

OdbcProvider::OdbcProvider(std::string name, OdbcOptions options)
    : name_(std::move(name)), options_(std::move(options)) {}

std::unique_ptr<ado::ProviderSession> OdbcProvider::open(const ado::ConnectionProperties& props) {
  OdbcLogin login;
  if (options_.login == OdbcLoginKind::PassThrough) {
    login = passThroughConnection(props, name_);
  } else {
    std::string driver = options_.driverPath.empty() ? locateDriver(knownDriverPaths()) : options_.driverPath;
    if (driver.empty()) {
      com::raise(
          kOpenFailed, name_,
          "The FreeTDS ODBC driver (libtdsodbc.so, package tdsodbc) is not installed in any of the usual "
          "places.");
    }
    login = translateConnection(props, name_, driver);
    if (access(driver.c_str(), R_OK) != 0)
      com::raise(kOpenFailed, name_, "The ODBC driver '" + driver + "' does not exist or cannot be read.");
  }

  Handle env(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
  if (!env) com::raise(kOpenFailed, name_, "The ODBC driver manager could not start an environment.");
  if (!SQL_SUCCEEDED(SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION, integerAttribute(SQL_OV_ODBC3), 0))) {
    raiseDiagnostics(kOpenFailed, name_, SQL_HANDLE_ENV, env.get(),
                     "The ODBC environment could not be set up.");
  }
  if (options_.login == OdbcLoginKind::PassThrough)
    checkDriverNames(props, name_, registeredDrivers(env.get()));
  Handle dbc(SQL_HANDLE_DBC, env.get());
  if (!dbc) {
    raiseDiagnostics(kOpenFailed, name_, SQL_HANDLE_ENV, env.get(),
                     "The ODBC driver manager refused a connection.");
  }
  if (login.loginTimeoutSeconds > 0) {
    SQLRETURN rc = SQLSetConnectAttr(dbc.get(), SQL_ATTR_LOGIN_TIMEOUT,
                                     integerAttribute(static_cast<SQLULEN>(login.loginTimeoutSeconds)), 0);
    if (!SQL_SUCCEEDED(rc))
      raiseDiagnostics(kOpenFailed, name_, SQL_HANDLE_DBC, dbc.get(), "The login time-out could not be set.");
  }
  std::u16string text = utf16FromUtf8(login.connectionString);
  SQLRETURN rc =
      SQLDriverConnectW(dbc.get(), nullptr, reinterpret_cast<SQLWCHAR*>(text.data()),
                        static_cast<SQLSMALLINT>(text.size()), nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
  if (!SQL_SUCCEEDED(rc)) {
    raiseDiagnostics(kOpenFailed, name_, SQL_HANDLE_DBC, dbc.get(),
                     options_.login == OdbcLoginKind::PassThrough
                         ? "The connection to the ODBC data source failed."
                         : "The connection to SQL Server failed.");
  }
  dbc.setConnected();
  bool wholeBatches = answersSeveralResults(dbc.get());
  return std::make_unique<OdbcSession>(name_, std::move(env), std::move(dbc), wholeBatches);
}

void registerOdbcProviders(const OdbcOptions& sqlServer) {
  for (const char* name : kSqlServerProviderNames)
    ado::registerProvider(std::make_shared<OdbcProvider>(name, sqlServer));
  for (const char* name : kOdbcProviderNames)
    ado::registerProvider(std::make_shared<OdbcProvider>(name, OdbcOptions{OdbcLoginKind::PassThrough, {}}));
}

void unregisterOdbcProviders() {
  for (const char* name : kSqlServerProviderNames)
    ado::unregisterProvider(name);
  for (const char* name : kOdbcProviderNames)
    ado::unregisterProvider(name);
}

}  // namespace mls::odbc

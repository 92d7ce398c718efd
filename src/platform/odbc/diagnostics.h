// The diagnostic records the driver manager and the driver leave on a handle,
// and the data-access error they become: the server's messages (with their
// SQLSTATE and native error number) as the Description, the provider as Source.
#pragma once

#include <sql.h>

#include <cstdint>
#include <string>
#include <vector>

namespace mls::odbc {

struct Diagnostic {
  std::string sqlState;
  int32_t nativeError = 0;
  std::string message;  // without the "[vendor][component]" prefixes
};

std::vector<Diagnostic> readDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle);

// Each record as "message (SQLSTATE s, native error n)", one a line (the
// native number left out when 0); `fallback` when there is none.
std::string describe(const std::vector<Diagnostic>& records, const std::string& fallback);

// Raises `number` with Source `provider` and the handle's diagnostics, each
// also one of the provider's errors behind it (com::ProviderError).
[[noreturn]] void raiseDiagnostics(int32_t number, const std::string& provider, SQLSMALLINT handleType,
                                   SQLHANDLE handle, const std::string& fallback);

// Removes the leading "[unixODBC][FreeTDS][SQL Server]" style tags.
std::string stripVendorTags(std::string message);

}  // namespace mls::odbc

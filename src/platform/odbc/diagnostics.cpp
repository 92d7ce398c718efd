#include "platform/odbc/diagnostics.h"

#include <sqlext.h>
#include <sqlucode.h>

#include "platform/com/error.h"
#include "platform/odbc/text.h"

namespace mls::odbc {

std::vector<Diagnostic> readDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
  std::vector<Diagnostic> records;
  if (handle == SQL_NULL_HANDLE) return records;
  for (SQLSMALLINT i = 1;; ++i) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    std::u16string message(512, u'\0');
    SQLSMALLINT length = 0;
    auto call = [&] {
      return SQLGetDiagRecW(handleType, handle, i, state, &native,
                            reinterpret_cast<SQLWCHAR*>(message.data()),
                            static_cast<SQLSMALLINT>(message.size()), &length);
    };
    SQLRETURN rc = call();
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
      message.assign(static_cast<size_t>(length) + 1, u'\0');
      rc = call();
    }
    if (!SQL_SUCCEEDED(rc)) break;
    message.resize(std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(length, 0)), message.size()));
    if (auto nul = message.find(u'\0'); nul != std::u16string::npos) message.resize(nul);
    std::u16string stateText;
    for (SQLWCHAR c : state)
      if (c != 0) stateText += static_cast<char16_t>(c);
    records.push_back({utf8FromUtf16(stateText), native, stripVendorTags(utf8FromUtf16(message))});
  }
  return records;
}

std::string stripVendorTags(std::string message) {
  size_t i = 0;
  while (i < message.size() && message[i] == '[') {
    size_t close = message.find(']', i);
    if (close == std::string::npos) break;
    i = close + 1;
  }
  while (i < message.size() && message[i] == ' ')
    ++i;
  return message.substr(i);
}

std::string describe(const std::vector<Diagnostic>& records, const std::string& fallback) {
  std::string text;
  for (const Diagnostic& d : records) {
    if (!text.empty()) text += '\n';
    text += d.message + " (SQLSTATE " + d.sqlState;
    if (d.nativeError != 0) text += ", native error " + std::to_string(d.nativeError);
    text += ')';
  }
  return text.empty() ? fallback : text;
}

void raiseDiagnostics(int32_t number, const std::string& provider, SQLSMALLINT handleType, SQLHANDLE handle,
                      const std::string& fallback) {
  std::vector<Diagnostic> records = readDiagnostics(handleType, handle);
  std::vector<com::ProviderError> errors;
  for (const Diagnostic& d : records)
    errors.push_back({d.nativeError, d.sqlState, d.message, provider});
  com::raiseFromProvider(number, provider, describe(records, fallback), std::move(errors));
}

}  // namespace mls::odbc

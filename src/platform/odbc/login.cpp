#include "platform/odbc/login.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <optional>

#include "platform/ado/errors.h"
#include "platform/com/variant.h"

namespace mls::odbc {

namespace {

[[noreturn]] void openFailed(const std::string& provider, const std::string& description) {
  com::raise(ado::err::kOpenFailed, provider, description);
}

std::string trim(std::string s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

// The first of `keys` present and not empty.
std::optional<std::string> first(const ado::ConnectionProperties& props,
                                 std::initializer_list<const char*> keys) {
  for (const char* key : keys) {
    std::optional<std::string> v = props.get(key);
    if (v && !trim(*v).empty()) return v;
  }
  return std::nullopt;
}

bool equalsText(std::string_view a, std::string_view b) {
  return com::compareText(a, b, true) == 0;
}

std::optional<int32_t> wholeNumber(const std::string& text) {
  int32_t n = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc() || end != text.data() + text.size() || n < 0) return std::nullopt;
  return n;
}

bool isKey(std::string_view key, std::initializer_list<const char*> names) {
  for (const char* name : names)
    if (equalsText(key, name)) return true;
  return false;
}

// The login time-out from the first of `keys` given; the default without one.
int32_t loginTimeout(const ado::ConnectionProperties& props, const std::string& provider,
                     std::initializer_list<const char*> keys) {
  std::optional<std::string> t = first(props, keys);
  if (!t) return kDefaultLoginTimeout;
  std::optional<int32_t> seconds = wholeNumber(trim(*t));
  if (!seconds) {
    openFailed(provider,
               "Invalid connection string: Connect Timeout '" + *t + "' is not a whole number of seconds.");
  }
  return *seconds;
}

void refuseIntegratedSecurity(const ado::ConnectionProperties& props, const std::string& provider) {
  std::optional<std::string> v = first(props, {"Integrated Security", "Trusted_Connection"});
  if (!v) return;
  std::string value = trim(*v);
  if (equalsText(value, "false") || equalsText(value, "no")) return;
  if (equalsText(value, "SSPI") || equalsText(value, "true") || equalsText(value, "yes")) {
    openFailed(
        provider,
        "Integrated Security (Windows authentication) is not available on this platform: give a User ID "
        "and Password of a SQL Server login instead.");
  }
  openFailed(provider, "Invalid connection string: Integrated Security='" + value + "' is not understood.");
}

// Server and Port (or an instance name inside Server) from a Data Source.
std::string serverPart(std::string source, const std::string& provider) {
  if (source.size() >= 4 && equalsText(std::string_view(source).substr(0, 4), "tcp:"))
    source = source.substr(4);
  std::string port;
  if (size_t comma = source.find(','); comma != std::string::npos) {
    port = trim(source.substr(comma + 1));
    source = trim(source.substr(0, comma));
    std::optional<int32_t> n = wholeNumber(port);
    if (!n || *n < 1 || *n > 65535) {
      openFailed(provider,
                 "Invalid connection string: the port '" + port + "' of the Data Source is not 1-65535.");
    }
  }
  std::string host = source, instance;
  if (size_t slash = source.find('\\'); slash != std::string::npos) {
    host = trim(source.substr(0, slash));
    instance = trim(source.substr(slash + 1));
    if (instance.empty())
      openFailed(provider, "Invalid connection string: the Data Source names no instance.");
  }
  if (host.empty()) openFailed(provider, "Invalid connection string: the Data Source names no server.");
  if (host == "." || equalsText(host, "(local)")) host = "localhost";
  std::string server = instance.empty() ? host : host + "\\" + instance;
  std::string text = "Server=" + odbcValue(server);
  if (!port.empty()) {
    text += ";Port=" + port;
  } else if (instance.empty()) {
    text += ";Port=1433";
  }
  return text;
}

}  // namespace

std::string odbcValue(const std::string& value) {
  bool plain = value.find_first_of(";{}=") == std::string::npos &&
               (value.empty() || (value.front() != ' ' && value.back() != ' '));
  if (plain) return value;
  std::string out = "{";
  for (char c : value) {
    out += c;
    if (c == '}') out += '}';
  }
  return out + "}";
}

OdbcLogin translateConnection(const ado::ConnectionProperties& props, const std::string& provider,
                              const std::string& driverPath) {
  refuseIntegratedSecurity(props, provider);
  std::optional<std::string> source = first(props, {"Data Source", "Server", "Address", "Addr"});
  if (!source)
    openFailed(provider, "The connection string names no Data Source (the SQL Server to connect to).");
  std::optional<std::string> user = first(props, {"User ID", "UID", "User"});
  if (!user) {
    openFailed(provider,
               "The connection string gives no User ID: this provider signs in with a SQL Server login.");
  }

  OdbcLogin login;
  std::string& text = login.connectionString;
  text = "Driver=" + odbcValue(driverPath) + ";" + serverPart(trim(*source), provider);
  if (std::optional<std::string> db = first(props, {"Initial Catalog", "Database"}))
    text += ";Database=" + odbcValue(trim(*db));
  text += ";UID=" + odbcValue(trim(*user));
  text += ";PWD=" + odbcValue(first(props, {"Password", "PWD"}).value_or(""));
  if (std::optional<std::string> app = first(props, {"Application Name", "App"}))
    text += ";APP=" + odbcValue(*app);
  if (std::optional<std::string> wsid = first(props, {"Workstation ID", "WSID"}))
    text += ";WSID=" + odbcValue(*wsid);
  text += ";TDS_Version=7.4;ClientCharset=UTF-8";
  login.loginTimeoutSeconds =
      loginTimeout(props, provider, {"Connect Timeout", "Connection Timeout", "Timeout"});
  return login;
}

namespace {

// The keys of an MSDASQL string in order, those of Extended Properties in its place.
std::vector<std::pair<std::string, std::string>> odbcEntries(const ado::ConnectionProperties& props,
                                                             const std::string& provider) {
  std::vector<std::pair<std::string, std::string>> entries;
  for (const auto& [key, value] : props.entries()) {
    if (!isKey(trim(key), {"Extended Properties"})) {
      entries.emplace_back(key, value);
      continue;
    }
    ado::ConnectionProperties inner = ado::ConnectionProperties::parse(value, provider);
    entries.insert(entries.end(), inner.entries().begin(), inner.entries().end());
  }
  return entries;
}

// A driver value without its braces ("}}" read as "}").
std::string driverName(const std::string& value) {
  std::string name = trim(value);
  if (name.size() < 2 || name.front() != '{' || name.back() != '}') return name;
  std::string inner;
  for (size_t i = 1; i + 1 < name.size(); ++i) {
    inner += name[i];
    if (name[i] == '}' && name[i + 1] == '}') ++i;
  }
  return inner;
}

}  // namespace

void checkDriverNames(const ado::ConnectionProperties& props, const std::string& provider,
                      const std::vector<std::string>& registered) {
  for (const auto& [key, value] : odbcEntries(props, provider)) {
    const std::string name = trim(key);
    if (isKey(name, {"FILEDSN", "SAVEFILE"}) && !trim(value).empty()) {
      openFailed(provider,
                 name +
                     " is not accepted: a file the client names would choose the driver loaded here "
                     "(or be written). Name a DSN or a driver registered with unixODBC.");
    }
    if (!isKey(name, {"Driver"})) continue;
    const std::string driver = driverName(value);
    if (driver.empty()) continue;
    const bool isPath = driver.find_first_of("/\\") != std::string::npos;
    const bool known = !isPath && std::any_of(registered.begin(), registered.end(),
                                              [&](const std::string& r) { return equalsText(r, driver); });
    if (!known) {
      openFailed(provider, "The ODBC driver '" + driver +
                               "' is not registered with unixODBC (odbcinst.ini): a driver is named by its "
                               "entry there, never by the path of a library.");
    }
  }
}

OdbcLogin passThroughConnection(const ado::ConnectionProperties& props, const std::string& provider) {
  const std::vector<std::pair<std::string, std::string>> entries = odbcEntries(props, provider);
  auto given = [&entries](std::initializer_list<const char*> names) {
    for (const auto& entry : entries)
      if (isKey(entry.first, names) && !trim(entry.second).empty()) return true;
    return false;
  };
  if (!given({"DSN", "FILEDSN", "Driver"})) {
    openFailed(provider,
               "The connection string names no ODBC data source: give DSN=..., FILEDSN=... or Driver={...}.");
  }
  bool hasUid = given({"UID"}), hasPwd = given({"PWD"});
  OdbcLogin login;
  std::string& text = login.connectionString;
  for (const auto& [key, value] : entries) {
    std::string name = key;
    if (isKey(key, {"Provider", "Connect Timeout", "Connection Timeout"})) continue;
    if (isKey(key, {"User ID"})) {
      if (hasUid) continue;
      name = "UID";
    } else if (isKey(key, {"Password"})) {
      if (hasPwd) continue;
      name = "PWD";
    }
    bool braced = value.size() >= 2 && value.front() == '{' && value.back() == '}';
    text += (text.empty() ? "" : ";") + name + "=" + (braced ? value : odbcValue(value));
  }
  login.loginTimeoutSeconds = loginTimeout(props, provider, {"Connect Timeout", "Connection Timeout"});
  return login;
}

std::string locateDriver(const std::vector<std::string>& candidates) {
  for (const std::string& path : candidates)
    if (access(path.c_str(), R_OK) == 0) return path;
  return {};
}

const std::vector<std::string>& knownDriverPaths() {
  static const std::vector<std::string> kPaths = {
      "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so",
      "/usr/lib/aarch64-linux-gnu/odbc/libtdsodbc.so",
      "/usr/lib/odbc/libtdsodbc.so",
      "/usr/lib64/libtdsodbc.so",
      "/usr/local/lib/libtdsodbc.so",
      "/usr/lib/libtdsodbc.so",
  };
  return kPaths;
}

}  // namespace mls::odbc

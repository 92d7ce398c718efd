#include "platform/ado/embedded/embedded_provider.h"

#include <charconv>
#include <map>
#include <mutex>
#include <utility>

#include "platform/ado/embedded/markers.h"
#include "platform/ado/embedded/registration.h"
#include "platform/ado/embedded/values.h"
#include "platform/ado/errors.h"

namespace mls::ado::embedded {

namespace {

struct Databases {
  std::mutex mutex;
  std::map<std::string, std::shared_ptr<tsql::Database>> byName;  // folded name -> database
  FileDatabaseOpener fileOpener;
};

// Process lifetime; never destroyed, so that sessions released late at exit
// still find their database.
Databases& databases() {
  static auto* d = new Databases;
  return *d;
}

[[noreturn]] void openFailed(const std::string& description) {
  com::raise(err::kOpenFailed, kEmbeddedProviderName, description);
}

// The options of a file database from the connection string: `Create`
// (True/Yes/1), `Connect Timeout` or `Connection Timeout` (whole seconds).
tsql::Database::OpenOptions fileOptions(const ConnectionProperties& props) {
  tsql::Database::OpenOptions options;
  if (std::optional<std::string> create = props.get("Create")) {
    options.create = com::compareText(*create, "True", true) == 0 ||
                     com::compareText(*create, "Yes", true) == 0 || *create == "1";
  }
  std::optional<std::string> timeout = props.get("Connect Timeout");
  if (!timeout) timeout = props.get("Connection Timeout");
  if (timeout) {
    int32_t seconds = -1;
    auto [end, ec] = std::from_chars(timeout->data(), timeout->data() + timeout->size(), seconds);
    if (ec != std::errc() || end != timeout->data() + timeout->size() || seconds < 0)
      openFailed("Connect Timeout '" + *timeout + "' is not a whole number of seconds.");
    options.timeoutSeconds = seconds;
  }
  return options;
}

std::shared_ptr<tsql::Database> openDatabase(const std::string& dataSource,
                                             const ConnectionProperties& props) {
  Databases& d = databases();
  if (isFileDataSource(dataSource)) {
    FileDatabaseOpener opener;
    {
      std::lock_guard lock(d.mutex);
      opener = d.fileOpener;
    }
    if (!opener)
      openFailed("Cannot open database file '" + dataSource + "': file databases are not supported yet.");
    std::shared_ptr<tsql::Database> db = opener(dataSource, fileOptions(props));
    if (!db) openFailed("Cannot open database file '" + dataSource + "'.");
    return db;
  }
  std::lock_guard lock(d.mutex);
  std::shared_ptr<tsql::Database>& db = d.byName[com::foldCase(dataSource)];
  if (!db) db = tsql::Database::create(dataSource);
  return db;
}

}  // namespace

std::shared_ptr<tsql::Database> inMemoryDatabase(const std::string& dataSource) {
  Databases& d = databases();
  std::lock_guard lock(d.mutex);
  auto it = d.byName.find(com::foldCase(dataSource));
  return it == d.byName.end() ? nullptr : it->second;
}

namespace {

// The result as the provider hands it on; each engine row is let go once it
// is converted, so a large rowset is not held twice.
BatchItem toItem(tsql::ResultItem& item) {
  BatchItem out;
  if (item.kind == tsql::ResultItem::Kind::RowCount) {
    out.rowCount = item.rowCount;
    return out;
  }
  out.isRowset = true;
  const std::vector<tsql::ColumnInfo>& columns = item.rowset.columns;
  for (const tsql::ColumnInfo& c : columns)
    out.rowset.columns.push_back(columnMeta(c));
  out.rowset.rows.reserve(item.rowset.rows.size());
  for (std::vector<tsql::Value>& row : item.rowset.rows) {
    std::vector<com::Variant> values;
    values.reserve(row.size());
    for (size_t i = 0; i < row.size(); ++i)
      values.push_back(toVariant(row[i], columns[i].type));
    out.rowset.rows.push_back(std::move(values));
    std::vector<tsql::Value>().swap(row);
  }
  return out;
}

class EmbeddedSession final : public ProviderSession {
 public:
  EmbeddedSession(std::shared_ptr<tsql::Database> db, std::string_view catalog) : session_(db, catalog) {
    for (const tsql::SqlMessage& m : db->takeMessages())
      messages_.push_back({m.number, "01000", m.text, kEmbeddedProviderName});
  }

  std::vector<BatchItem> execute(std::string_view text, const std::vector<ParameterValue>& params,
                                 int32_t /*timeoutSeconds: see embedded_provider.h*/) override {
    MarkedText marked = rewriteMarkers(text);
    if (marked.markers != params.size()) {
      com::raise(err::kMissingParameters, kEmbeddedProviderName,
                 "The command has " + std::to_string(marked.markers) + " parameter markers but " +
                     std::to_string(params.size()) + " parameters were given.");
    }
    std::vector<tsql::BoundParameter> bound;
    bound.reserve(params.size());
    for (size_t i = 0; i < params.size(); ++i)
      bound.push_back(toBoundParameter(params[i], markerName(i + 1)));

    tsql::BatchResult result;
    messages_.clear();
    try {
      result = session_.execute(marked.text, bound);
    } catch (const tsql::SqlError& e) {
      keepMessages(e.partial());
      std::vector<ProviderMessage> errors = providerErrors(e);
      messages_.insert(messages_.end(), errors.begin(), errors.end());
      com::raiseFromProvider(err::kCommandFailed, kEmbeddedProviderName, e.message(), std::move(errors));
    } catch (const std::exception& e) {
      com::raise(err::kCommandFailed, kEmbeddedProviderName, e.what());
    }
    keepMessages(result);
    std::vector<BatchItem> items;
    items.reserve(result.items.size());
    for (tsql::ResultItem& item : result.items)
      items.push_back(toItem(item));
    return items;
  }

  std::vector<ProviderMessage> takeMessages() override { return std::exchange(messages_, {}); }

  void close() override {
    try {
      session_.close();
    } catch (const tsql::SqlError& e) {
      com::raiseFromProvider(err::kCommandFailed, kEmbeddedProviderName, e.message(), providerErrors(e));
    } catch (const std::exception& e) {
      com::raise(err::kCommandFailed, kEmbeddedProviderName, e.what());
    }
  }

 private:
  void keepMessages(const tsql::BatchResult& r) {
    for (const tsql::SqlMessage& m : r.notices) {
      // 01003: a NULL eliminated in a set function; 01000 any other warning.
      messages_.push_back({m.number, m.number == 8153 ? "01003" : "01000", m.text, kEmbeddedProviderName});
    }
  }

  tsql::Session session_;
  std::vector<ProviderMessage> messages_;
};

}  // namespace

std::vector<ProviderMessage> providerErrors(const tsql::SqlError& e) {
  std::vector<ProviderMessage> errors;
  for (const tsql::SqlMessage& m : e.partial().errors)
    errors.push_back({m.number, m.number == 1205 ? "40001" : "HY000", m.text, kEmbeddedProviderName});
  if (errors.empty()) errors.push_back({e.number(), "HY000", e.message(), kEmbeddedProviderName});
  return errors;
}

bool isFileDataSource(const std::string& dataSource) {
  return dataSource.find_first_of("/\\.") != std::string::npos;
}

FileDatabaseOpener setFileDatabaseOpener(FileDatabaseOpener opener) {
  Databases& d = databases();
  std::lock_guard lock(d.mutex);
  return std::exchange(d.fileOpener, std::move(opener));
}

const std::string& EmbeddedProvider::name() const {
  static const std::string kName = kEmbeddedProviderName;
  return kName;
}

std::unique_ptr<ProviderSession> EmbeddedProvider::open(const ConnectionProperties& props) {
  std::optional<std::string> dataSource = props.get("Data Source");
  if (!dataSource || dataSource->empty()) openFailed("The connection string names no Data Source.");
  // Initial Catalog (or Database) is the name the connection gives its
  // database: DB_NAME(), and the database part of names that stay in it.
  std::optional<std::string> catalog = props.get("Initial Catalog");
  if (!catalog || catalog->empty()) catalog = props.get("Database");
  return std::make_unique<EmbeddedSession>(openDatabase(*dataSource, props), catalog.value_or(""));
}

}  // namespace mls::ado::embedded

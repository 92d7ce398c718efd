// The provider interface under the connection objects: a provider opens a
// session from connection-string properties; a session runs a batch with bound
// parameters and answers its results, materialised, in order.  Providers raise
// their failures as ComError with the provider's name as Source
// (err::kOpenFailed when a session cannot open, err::kCommandFailed when a
// statement fails).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ado/connection_string.h"
#include "platform/ado/data_type.h"
#include "platform/com/variant.h"

namespace mls::ado {

struct ColumnMeta {
  std::string name;
  DataType type = DataType::VarWChar;
  int32_t definedSize = 0;
  uint8_t precision = 255;
  uint8_t numericScale = 255;
};

// One rowset: values are Variants of the column's kind (variantKindOf) or Null.
struct RowsetData {
  std::vector<ColumnMeta> columns;
  std::vector<std::vector<com::Variant>> rows;
};

// One result of a batch: a rowset, or the count of rows a statement affected.
struct BatchItem {
  bool isRowset = false;
  RowsetData rowset;
  int64_t rowCount = 0;
};

// A value bound to the n-th parameter marker of a command's text.
struct ParameterValue {
  std::string name;
  DataType type = DataType::VarWChar;
  int32_t size = 0;
  uint8_t precision = 0;
  uint8_t numericScale = 0;
  com::Variant value;
};

// A message of the server: an informational one a batch sent without failing
// (a warning such as "Null value is eliminated..."), which the connection
// keeps in its Errors collection and raises nothing for, or one of the errors
// behind a failure, which the raised error carries (ExcepInfo::providerErrors)
// and the connection's Errors collection holds too.  Source is the provider's name.
using ProviderMessage = com::ProviderError;

class ProviderSession {
 public:
  virtual ~ProviderSession() = default;
  // The informational messages of the last execute(), failed or not, or of
  // the open before any; taken once.
  virtual std::vector<ProviderMessage> takeMessages() { return {}; }
  // Runs `text`.  With parameters, the text's `?` markers are bound to them in
  // order.  `timeoutSeconds` 0 means no limit.
  virtual std::vector<BatchItem> execute(std::string_view text, const std::vector<ParameterValue>& params,
                                         int32_t timeoutSeconds) = 0;
  // Ends the session; raises when what it changed could not be made durable
  // (the session is ended all the same).
  virtual void close() {}
};

class Provider {
 public:
  virtual ~Provider() = default;
  // The name the `Provider` key selects (compared without case).
  virtual const std::string& name() const = 0;
  virtual std::unique_ptr<ProviderSession> open(const ConnectionProperties& props) = 0;
};

// The process's providers.  Registering a name again replaces the provider.
void registerProvider(std::shared_ptr<Provider> provider);
void unregisterProvider(std::string_view name);
// The provider of that name; nullptr when none.  The embedded engine's
// provider is always known.
std::shared_ptr<Provider> findProvider(std::string_view name);

}  // namespace mls::ado

// Connection: a session with a provider, chosen by the `Provider` key of the
// connection string.  Closing it (or releasing the last reference to an open
// one) ends the provider session and so the session's temporary tables.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ado/provider.h"
#include "platform/com/dispatch.h"

namespace mls::ado {

class Recordset;

inline constexpr int32_t kStateClosed = 0;
inline constexpr int32_t kStateOpen = 1;
inline constexpr int32_t kUseServer = 2;
inline constexpr int32_t kUseClient = 3;

class Connection final : public com::DispatchObject {
 public:
  static constexpr com::Guid kIid{
      0x690F6E5E, 0x4557, 0x4F3C, {0x9C, 0x1A, 0x7D, 0x91, 0x77, 0x1D, 0x9A, 0x87}};
  static const com::TypeInfo& type();

  Connection() : DispatchObject(type()) {}

  // Opens a session.  An empty `connectionString` uses the ConnectionString
  // property; `user` and `password`, when given, become its `User ID` and
  // `Password`.  A bad string, an unknown provider or a provider that cannot
  // open raises err::kOpenFailed (Source: the provider's name, or this class
  // when no provider could be chosen) and leaves the connection closed.
  // Already open: 3705.
  void open(std::string_view connectionString = {}, std::string_view user = {},
            std::string_view password = {}, int32_t options = -1);
  // Ends the session (3704 when closed).  A provider that cannot make the
  // session's changes durable raises; the connection is closed all the same.
  void close();
  int32_t state() const { return session_ ? kStateOpen : kStateClosed; }

  const std::string& connectionString() const { return connectionString_; }
  void setConnectionString(std::string text);  // 3705 when open
  // The provider's name while open, "" when closed.
  const std::string& providerName() const { return providerName_; }
  int32_t cursorLocation() const { return cursorLocation_; }
  void setCursorLocation(int32_t location);  // 2 or 3, else 3001
  int32_t commandTimeout() const { return commandTimeout_; }
  void setCommandTimeout(int32_t seconds);  // 0 = no time-out; negative raises 3001
  // How long Open waits for a busy database (15 s unless set; 0 = no wait).
  // Set, it becomes the provider's `Connect Timeout` unless the connection
  // string names one.  Negative raises 3001, open 3705.
  int32_t connectionTimeout() const { return connectionTimeout_; }
  void setConnectionTimeout(int32_t seconds);

  // Runs a batch and answers its first rowset, or a closed Recordset when it
  // returns none (or when `options` has adExecuteNoRecords, 128); later rowsets
  // come from NextRecordset.  `recordsAffected` receives the rows the
  // statements before that rowset affected (all of them when there is none),
  // -1 when none reported a count.  Options: -1, adCmdText (1) or
  // adCmdUnknown (8), optionally with 128; others raise 3001.
  com::Ref<Recordset> execute(std::string_view text, int64_t* recordsAffected = nullptr,
                              int32_t options = -1);

  // Runs a batch with values for its `?` markers and answers every result;
  // 3704 when closed.
  std::vector<BatchItem> run(std::string_view text, const std::vector<ParameterValue>& params,
                             int32_t timeoutSeconds);

  // The Errors collection: the informational messages and the errors of the
  // last batch run on this connection (emptied when the next one starts), or
  // the provider's errors behind an Open that failed.
  const std::vector<ProviderMessage>& errors() const { return errors_; }

 private:
  std::string connectionString_;
  std::string providerName_;
  int32_t cursorLocation_ = kUseServer;
  int32_t commandTimeout_ = 30;
  int32_t connectionTimeout_ = 15;
  bool connectionTimeoutSet_ = false;
  std::unique_ptr<ProviderSession> session_;
  std::vector<ProviderMessage> errors_;
};

// The Errors collection of a Connection (a copy, taken when asked for) and
// its Error objects.
class Errors final : public com::DispatchObject {
 public:
  static constexpr com::Guid kIid{
      0x0B5C9A3E, 0x7F41, 0x4D2A, {0x9E, 0x33, 0x51, 0xC8, 0x0D, 0x6A, 0x27, 0xB4}};
  static const com::TypeInfo& type();
  explicit Errors(std::vector<ProviderMessage> messages)
      : DispatchObject(type()), messages_(std::move(messages)) {}
  const std::vector<ProviderMessage>& messages() const { return messages_; }

 private:
  std::vector<ProviderMessage> messages_;
};

class Error final : public com::DispatchObject {
 public:
  static constexpr com::Guid kIid{
      0x5A1D27C4, 0x3B8E, 0x4F06, {0xA1, 0x7D, 0xE2, 0x49, 0x90, 0x13, 0xC5, 0x6F}};
  static const com::TypeInfo& type();
  explicit Error(ProviderMessage message) : DispatchObject(type()), message_(std::move(message)) {}
  const ProviderMessage& message() const { return message_; }

 private:
  ProviderMessage message_;
};

// The Connection an object Variant holds (null for Nothing); any other object
// or value raises 3001 with `source`.
com::Ref<Connection> asConnection(const com::Variant& v, const std::string& source);

}  // namespace mls::ado

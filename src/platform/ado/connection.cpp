#include "platform/ado/connection.h"

#include "platform/ado/errors.h"
#include "platform/ado/recordset.h"

namespace mls::ado {

namespace {

using com::Param;
using com::VarKind;

constexpr int32_t kExecuteNoRecords = 128;

}  // namespace

void Connection::open(std::string_view connectionString, std::string_view user, std::string_view password,
                      int32_t options) {
  if (session_) raiseAdo(err::kObjectOpen, kConnectionClass);
  if (options != -1 && options != 0) raiseAdo(err::kInvalidArgument, kConnectionClass);
  if (!connectionString.empty()) connectionString_ = connectionString;

  ConnectionProperties props = ConnectionProperties::parse(connectionString_, kConnectionClass);
  if (!user.empty()) props.set("User ID", std::string(user));
  if (!password.empty()) props.set("Password", std::string(password));
  if (connectionTimeoutSet_ && !props.get("Connect Timeout") && !props.get("Connection Timeout"))
    props.set("Connect Timeout", std::to_string(connectionTimeout_));
  std::optional<std::string> name = props.get("Provider");
  if (!name || name->empty()) {
    com::raise(err::kOpenFailed, kConnectionClass, "The connection string names no Provider.");
  }
  std::shared_ptr<Provider> provider = findProvider(*name);
  if (!provider) {
    com::raise(err::kOpenFailed, kConnectionClass, "Provider '" + *name + "' is not registered.");
  }
  errors_.clear();
  try {
    session_ = provider->open(props);
  } catch (const com::ComError& e) {
    errors_ = e.providerErrors();
    throw;
  }
  providerName_ = provider->name();
  errors_ = session_->takeMessages();  // what opening said (a recovered database file)
}

void Connection::close() {
  if (!session_) raiseAdo(com::err::kObjectClosed, kConnectionClass);
  std::unique_ptr<ProviderSession> session = std::move(session_);
  errors_.clear();
  providerName_.clear();
  session->close();
}

void Connection::setConnectionTimeout(int32_t seconds) {
  if (session_) raiseAdo(err::kObjectOpen, kConnectionClass);
  if (seconds < 0) raiseAdo(err::kInvalidArgument, kConnectionClass);
  connectionTimeout_ = seconds;
  connectionTimeoutSet_ = true;
}

void Connection::setConnectionString(std::string text) {
  if (session_) raiseAdo(err::kObjectOpen, kConnectionClass);
  connectionString_ = std::move(text);
}

void Connection::setCursorLocation(int32_t location) {
  if (location != kUseServer && location != kUseClient) raiseAdo(err::kInvalidArgument, kConnectionClass);
  cursorLocation_ = location;
}

void Connection::setCommandTimeout(int32_t seconds) {
  if (seconds < 0) raiseAdo(err::kInvalidArgument, kConnectionClass);
  commandTimeout_ = seconds;
}

std::vector<BatchItem> Connection::run(std::string_view text, const std::vector<ParameterValue>& params,
                                       int32_t timeoutSeconds) {
  if (!session_) raiseAdo(com::err::kObjectClosed, kConnectionClass);
  errors_.clear();
  struct KeepMessages {
    Connection& c;
    ~KeepMessages() { c.errors_ = c.session_->takeMessages(); }
  } keep{*this};
  return session_->execute(text, params, timeoutSeconds);
}

com::Ref<Recordset> Connection::execute(std::string_view text, int64_t* recordsAffected, int32_t options) {
  int32_t kind = options == -1 ? -1 : options & ~kExecuteNoRecords;
  if (kind != -1 && kind != 1 && kind != 8) raiseAdo(err::kInvalidArgument, kConnectionClass);
  std::vector<BatchItem> items = run(text, {}, commandTimeout_);
  if (options != -1 && (options & kExecuteNoRecords))
    std::erase_if(items, [](const auto& i) { return i.isRowset; });
  auto rs = com::makeObject<Recordset>();
  int64_t affected = rs->load(std::move(items), com::Ref<Connection>(this), std::string(text));
  if (recordsAffected) *recordsAffected = affected;
  return rs;
}

com::Ref<Connection> asConnection(const com::Variant& v, const std::string& source) {
  if (!v.isObject()) raiseAdo(err::kInvalidArgument, source, "A Connection or Nothing is expected.");
  com::Ref<com::Dispatch> obj = v.toObject();
  auto* c = dynamic_cast<Connection*>(obj.get());
  if (obj && !c) raiseAdo(err::kInvalidArgument, source, "The object is not a Connection.");
  return com::Ref<Connection>(c);
}

const com::TypeInfo& Connection::type() {
  static const com::TypeInfo info = [] {
    com::TypeInfo t(kConnectionClass, kIid);
    using C = Connection;
    t.method<C>("Open",
                {Param("ConnectionString", VarKind::String).opt(""), Param("UserID", VarKind::String).opt(""),
                 Param("Password", VarKind::String).opt(""), Param("Options", VarKind::Long).opt(-1)},
                com::kNoResult, [](C& c, com::Args a) {
                  c.open(a[0].asString(), a[1].asString(), a[2].asString(), a[3].toLong());
                });
    t.method<C>("Close", {}, com::kNoResult, [](C& c, com::Args) { c.close(); });
    t.propertyGet<C>("State", {}, VarKind::Long, [](C& c, com::Args) { return c.state(); });
    t.propertyGet<C>("ConnectionString", {}, VarKind::String,
                     [](C& c, com::Args) { return c.connectionString(); });
    t.propertyLet<C>("ConnectionString", {Param("Value", VarKind::String)},
                     [](C& c, com::Args a) { c.setConnectionString(a[0].asString()); });
    t.propertyGet<C>("Provider", {}, VarKind::String, [](C& c, com::Args) { return c.providerName(); });
    t.propertyGet<C>("CursorLocation", {}, VarKind::Long, [](C& c, com::Args) { return c.cursorLocation(); });
    t.propertyLet<C>("CursorLocation", {Param("Value", VarKind::Long)},
                     [](C& c, com::Args a) { c.setCursorLocation(a[0].toLong()); });
    t.propertyGet<C>("CommandTimeout", {}, VarKind::Long, [](C& c, com::Args) { return c.commandTimeout(); });
    t.propertyLet<C>("CommandTimeout", {Param("Value", VarKind::Long)},
                     [](C& c, com::Args a) { c.setCommandTimeout(a[0].toLong()); });
    t.propertyGet<C>("Errors", {}, VarKind::Object, [](C& c, com::Args) {
      return com::Variant(com::Ref<com::Dispatch>(com::makeObject<Errors>(c.errors())));
    });
    t.propertyGet<C>("ConnectionTimeout", {}, VarKind::Long,
                     [](C& c, com::Args) { return c.connectionTimeout(); });
    t.propertyLet<C>("ConnectionTimeout", {Param("Value", VarKind::Long)},
                     [](C& c, com::Args a) { c.setConnectionTimeout(a[0].toLong()); });
    t.method<C>("Execute",
                {Param("CommandText", VarKind::String), Param("RecordsAffected").ref().opt(),
                 Param("Options", VarKind::Long).opt(-1)},
                VarKind::Object, [](C& c, com::Args a) {
                  int64_t affected = -1;
                  com::Ref<Recordset> rs = c.execute(a[0].asString(), &affected, a[2].toLong());
                  if (!a[1].isMissing()) a[1].assign(com::Variant(static_cast<int32_t>(affected)));
                  return com::Variant(com::Ref<com::Dispatch>(rs));
                });
    return t;
  }();
  return info;
}

const com::TypeInfo& Errors::type() {
  static const com::TypeInfo info = [] {
    com::TypeInfo t(kErrorsClass, kIid);
    t.propertyGet<Errors>("Count", {}, VarKind::Long,
                          [](Errors& e, com::Args) { return static_cast<int32_t>(e.messages().size()); });
    t.propertyGet<Errors>(
        "Item", {Param("Index", VarKind::Long)}, VarKind::Object, [](Errors& e, com::Args a) {
          int32_t i = a[0].toLong();
          if (i < 0 || static_cast<size_t>(i) >= e.messages().size())
            raiseAdo(com::err::kItemNotFound, kErrorsClass);
          return com::Variant(
              com::Ref<com::Dispatch>(com::makeObject<Error>(e.messages()[static_cast<size_t>(i)])));
        });
    return t;
  }();
  return info;
}

const com::TypeInfo& Error::type() {
  static const com::TypeInfo info = [] {
    com::TypeInfo t(kErrorClass, kIid);
    // An informational message has no error number of its own (Number 0).
    t.propertyGet<Error>("Number", {}, VarKind::Long, [](Error&, com::Args) { return int32_t{0}; });
    t.propertyGet<Error>("NativeError", {}, VarKind::Long,
                         [](Error& e, com::Args) { return e.message().nativeError; });
    t.propertyGet<Error>("SQLState", {}, VarKind::String,
                         [](Error& e, com::Args) { return e.message().sqlState; });
    t.propertyGet<Error>("Description", {}, VarKind::String,
                         [](Error& e, com::Args) { return e.message().description; });
    t.propertyGet<Error>("Source", {}, VarKind::String,
                         [](Error& e, com::Args) { return e.message().source; });
    return t;
  }();
  return info;
}

}  // namespace mls::ado

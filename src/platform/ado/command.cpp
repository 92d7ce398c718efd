#include "platform/ado/command.h"

#include "platform/ado/errors.h"
#include "platform/ado/recordset.h"

namespace mls::ado {

namespace {

using com::Param;
using com::VarKind;

}  // namespace

void Command::setCommandType(int32_t type) {
  if (type != kCmdText && type != kCmdUnknown) {
    raiseAdo(err::kInvalidArgument, kCommandClass, "Only text commands (CommandType 1) are supported.");
  }
  commandType_ = type;
}

void Command::setCommandTimeout(int32_t seconds) {
  if (seconds < 0) raiseAdo(err::kInvalidArgument, kCommandClass);
  commandTimeout_ = seconds;
}

com::Ref<Parameter> Command::createParameter(std::string name, int32_t dataType, int32_t direction,
                                             int32_t size, com::Variant value) {
  return com::makeObject<Parameter>(std::move(name), dataType, direction, size, std::move(value));
}

com::Ref<Recordset> Command::execute(int64_t* recordsAffected, const com::Variant& values, int32_t options) {
  if (!connection_ || connection_->state() != kStateOpen) raiseAdo(err::kNoConnection, kCommandClass);
  if (text_.empty()) raiseAdo(err::kInvalidArgument, kCommandClass, "The command has no CommandText.");
  if (options != -1 && options != kCmdText && options != kCmdUnknown)
    raiseAdo(err::kInvalidArgument, kCommandClass);

  std::vector<ParameterValue> params;
  for (const com::Ref<Parameter>& p : parameters_->items())
    params.push_back(p->data());
  if (!values.isMissing() && !values.isEmpty()) {
    if (!values.isArray() || values.array().size() != params.size()) {
      raiseAdo(err::kInvalidArgument, kCommandClass, "Execute takes one value per appended parameter.");
    }
    for (size_t i = 0; i < params.size(); ++i)
      params[i].value = values.array().elements()[i];
  }

  std::vector<BatchItem> items = connection_->run(text_, params, commandTimeout_);
  auto rs = com::makeObject<Recordset>();
  int64_t affected = rs->load(std::move(items), connection_, text_);
  if (recordsAffected) *recordsAffected = affected;
  return rs;
}

const com::TypeInfo& Command::type() {
  static const com::TypeInfo info = [] {
    com::TypeInfo t(kCommandClass, kIid);
    using C = Command;
    t.propertyGet<C>("ActiveConnection", {}, com::kAny, [](C& c, com::Args) {
      return c.activeConnection() ? com::Variant(com::Ref<com::Dispatch>(c.activeConnection()))
                                  : com::Variant::nothing();
    });
    t.propertySet<C>("ActiveConnection", {Param("Connection")},
                     [](C& c, com::Args a) { c.setActiveConnection(asConnection(a[0], kCommandClass)); });
    t.propertyGet<C>("CommandText", {}, VarKind::String, [](C& c, com::Args) { return c.commandText(); });
    t.propertyLet<C>("CommandText", {Param("Value", VarKind::String)},
                     [](C& c, com::Args a) { c.setCommandText(a[0].asString()); });
    t.propertyGet<C>("CommandType", {}, VarKind::Long, [](C& c, com::Args) { return c.commandType(); });
    t.propertyLet<C>("CommandType", {Param("Value", VarKind::Long)},
                     [](C& c, com::Args a) { c.setCommandType(a[0].toLong()); });
    t.propertyGet<C>("CommandTimeout", {}, VarKind::Long, [](C& c, com::Args) { return c.commandTimeout(); });
    t.propertyLet<C>("CommandTimeout", {Param("Value", VarKind::Long)},
                     [](C& c, com::Args a) { c.setCommandTimeout(a[0].toLong()); });
    t.propertyGet<C>("Parameters", {}, VarKind::Object,
                     [](C& c, com::Args) { return com::Variant(com::Ref<com::Dispatch>(c.parameters())); });
    t.method<C>("CreateParameter",
                {Param("Name", VarKind::String).opt(""), Param("Type", VarKind::Long).opt(0),
                 Param("Direction", VarKind::Long).opt(kParamInput), Param("Size", VarKind::Long).opt(0),
                 Param("Value").opt()},
                VarKind::Object, [](C& c, com::Args a) {
                  return com::Variant(com::Ref<com::Dispatch>(
                      c.createParameter(a[0].asString(), a[1].toLong(), a[2].toLong(), a[3].toLong(), a[4])));
                });
    t.method<C>("Execute",
                {Param("RecordsAffected").ref().opt(), Param("Parameters").opt(),
                 Param("Options", VarKind::Long).opt(-1)},
                VarKind::Object, [](C& c, com::Args a) {
                  int64_t affected = -1;
                  com::Ref<Recordset> rs = c.execute(&affected, a[1], a[2].toLong());
                  if (!a[0].isMissing()) a[0].assign(com::Variant(static_cast<int32_t>(affected)));
                  return com::Variant(com::Ref<com::Dispatch>(rs));
                });
    return t;
  }();
  return info;
}

}  // namespace mls::ado

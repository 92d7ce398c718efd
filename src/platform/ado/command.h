// Command: command text with `?` markers and the parameters bound to them,
// run on its ActiveConnection.  Parameter values reach the provider as bound
// values, never as text pasted into the command.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ado/connection.h"
#include "platform/ado/parameter.h"
#include "platform/com/dispatch.h"

namespace mls::ado {

class Recordset;

inline constexpr int32_t kCmdText = 1;
inline constexpr int32_t kCmdUnknown = 8;

class Command final : public com::DispatchObject {
 public:
  static constexpr com::Guid kIid{
      0x589399A1, 0xA7EE, 0x4027, {0x9D, 0x49, 0x3C, 0xC8, 0x89, 0x9A, 0x15, 0x8C}};
  static const com::TypeInfo& type();

  Command() : DispatchObject(type()), parameters_(com::makeObject<Parameters>()) {}

  const com::Ref<Connection>& activeConnection() const { return connection_; }
  void setActiveConnection(com::Ref<Connection> connection) { connection_ = std::move(connection); }
  const std::string& commandText() const { return text_; }
  void setCommandText(std::string text) { text_ = std::move(text); }
  int32_t commandType() const { return commandType_; }
  void setCommandType(int32_t type);  // text (1) or unknown (8, run as text); others 3001
  int32_t commandTimeout() const { return commandTimeout_; }
  void setCommandTimeout(int32_t seconds);  // 0 = none; negative 3001
  const com::Ref<Parameters>& parameters() const { return parameters_; }

  com::Ref<Parameter> createParameter(std::string name, int32_t dataType, int32_t direction = kParamInput,
                                      int32_t size = 0, com::Variant value = {});

  // Runs the text with the appended parameters (a `values` array, when given,
  // replaces their values in order and must have one element per parameter).
  // Answers as Connection::execute.  No open ActiveConnection: 3709; no text:
  // 3001.
  com::Ref<Recordset> execute(int64_t* recordsAffected = nullptr,
                              const com::Variant& values = com::Variant::missing(), int32_t options = -1);

 private:
  com::Ref<Connection> connection_;
  std::string text_;
  int32_t commandType_ = kCmdUnknown;
  int32_t commandTimeout_ = 30;
  com::Ref<Parameters> parameters_;
};

}  // namespace mls::ado

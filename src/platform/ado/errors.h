// Error numbers of the data-access layer and its providers, and the raise
// helpers that give each error its usual text.
#pragma once

#include <cstdint>
#include <string>

#include "platform/com/error.h"

namespace mls::ado {

namespace err {
// Raised by the objects themselves (Source is the object's class name).
inline constexpr int32_t kInvalidArgument = 3001;  // wrong type, out of range or in conflict
inline constexpr int32_t kNotUpdatable = 3251;     // the lock type does not allow edits
inline constexpr int32_t kObjectOpen = 3705;       // operation not allowed when the object is open
inline constexpr int32_t kNoConnection = 3709;     // no open connection to run on
// Raised by providers (Source is the provider's name).
inline constexpr int32_t kOpenFailed = static_cast<int32_t>(0x80004005);         // -2147467259
inline constexpr int32_t kCommandFailed = static_cast<int32_t>(0x80040E14);      // -2147217900
inline constexpr int32_t kMissingParameters = static_cast<int32_t>(0x80040E10);  // -2147217904
}  // namespace err

// Class names, the Source of the errors the objects raise themselves.
inline constexpr const char* kConnectionClass = "Marlstone.ADO.Connection";
inline constexpr const char* kRecordsetClass = "Marlstone.ADO.Recordset";
inline constexpr const char* kFieldsClass = "Marlstone.ADO.Fields";
inline constexpr const char* kFieldClass = "Marlstone.ADO.Field";
inline constexpr const char* kCommandClass = "Marlstone.ADO.Command";
inline constexpr const char* kParametersClass = "Marlstone.ADO.Parameters";
inline constexpr const char* kParameterClass = "Marlstone.ADO.Parameter";
inline constexpr const char* kErrorsClass = "Marlstone.ADO.Errors";
inline constexpr const char* kErrorClass = "Marlstone.ADO.Error";

// Raises one of the object errors above, or a standard one (3021, 3265, 3704),
// with its usual description unless one is given.
[[noreturn]] void raiseAdo(int32_t number, const std::string& source, std::string description = {});

}  // namespace mls::ado

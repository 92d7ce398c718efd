// Raised errors: the number, source, description and help of an automation
// error, and the per-thread "current error" that a raise without a source keeps
// its source from.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/com/unknown.h"

namespace mls::com {

class ComError : public std::exception {
 public:
  ComError(int32_t number, std::string source, std::string description, std::string helpFile = {},
           int32_t helpContext = 0);
  explicit ComError(ExcepInfo info);
  int32_t number() const { return info_.number; }
  const std::string& source() const { return info_.source; }
  const std::string& description() const { return info_.description; }
  const std::string& helpFile() const { return info_.helpFile; }
  int32_t helpContext() const { return info_.helpContext; }
  const ExcepInfo& info() const { return info_; }
  // The data provider's own errors behind this one (see ExcepInfo).
  const std::vector<ProviderError>& providerErrors() const { return info_.providerErrors; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  ExcepInfo info_;
  std::string what_;
};

// Standard run-time error numbers.
namespace err {
inline constexpr int32_t kInvalidCall = 5;
inline constexpr int32_t kOverflow = 6;
inline constexpr int32_t kSubscript = 9;
inline constexpr int32_t kDivisionByZero = 11;
inline constexpr int32_t kTypeMismatch = 13;
inline constexpr int32_t kObjectVariableNotSet = 91;
inline constexpr int32_t kInvalidUseOfNull = 94;
inline constexpr int32_t kFileAccess = 75;
inline constexpr int32_t kInvalidFileFormat = 321;
inline constexpr int32_t kObjectRequired = 424;
inline constexpr int32_t kCannotCreateObject = 429;
inline constexpr int32_t kNoSuchMember = 438;
inline constexpr int32_t kArgumentNotOptional = 449;
inline constexpr int32_t kWrongArgumentCount = 450;
inline constexpr int32_t kKeyInUse = 457;
inline constexpr int32_t kNoCurrentRecord = 3021;
inline constexpr int32_t kItemNotFound = 3265;
inline constexpr int32_t kObjectClosed = 3704;
}  // namespace err

// The usual text of a standard run-time error ("Overflow", "Type mismatch", ...);
// "Application-defined or object-defined error" for any other number.
std::string standardDescription(int32_t number);

// The per-thread current error, as the last raise or catch left it.
ExcepInfo& currentError();
void clearCurrentError();

// Raises `number`.  An empty source keeps the current error's source (and, when
// that is empty too, the component's name "Marlstone"); an empty description
// for a standard number takes its usual text.  The raised error becomes the
// current error.
[[noreturn]] void raise(int32_t number, std::string source = {}, std::string description = {},
                        std::string helpFile = {}, int32_t helpContext = 0);
// Raises a data provider's failure: `number` (its generic number) with the
// provider's own errors behind it.
[[noreturn]] void raiseFromProvider(int32_t number, std::string source, std::string description,
                                    std::vector<ProviderError> providerErrors);
// Raises again an error that was caught, replacing only its source.
[[noreturn]] void reraise(const ComError& e, std::string newSource);

}  // namespace mls::com

#include "platform/com/error.h"

#include <utility>

namespace mls::com {

namespace {

constexpr const char* kComponentName = "Marlstone";

std::string describe(const ExcepInfo& info) {
  std::string text = "Error " + std::to_string(info.number) + ": " + info.description;
  if (!info.source.empty()) text += " (" + info.source + ")";
  return text;
}

}  // namespace

ComError::ComError(int32_t number, std::string source, std::string description, std::string helpFile,
                   int32_t helpContext)
    : info_{number, std::move(source), std::move(description), std::move(helpFile), helpContext},
      what_(describe(info_)) {}

ComError::ComError(ExcepInfo info) : info_(std::move(info)), what_(describe(info_)) {}

std::string standardDescription(int32_t number) {
  switch (number) {
    case err::kInvalidCall:
      return "Invalid procedure call or argument";
    case err::kOverflow:
      return "Overflow";
    case err::kSubscript:
      return "Subscript out of range";
    case err::kDivisionByZero:
      return "Division by zero";
    case err::kTypeMismatch:
      return "Type mismatch";
    case err::kObjectVariableNotSet:
      return "Object variable or With block variable not set";
    case err::kInvalidUseOfNull:
      return "Invalid use of Null";
    case err::kObjectRequired:
      return "Object required";
    case err::kCannotCreateObject:
      return "ActiveX component can't create object";
    case err::kFileAccess:
      return "Path/File access error";
    case err::kInvalidFileFormat:
      return "Invalid file format";
    case err::kNoSuchMember:
      return "Object doesn't support this property or method";
    case err::kArgumentNotOptional:
      return "Argument not optional";
    case err::kWrongArgumentCount:
      return "Wrong number of arguments or invalid property assignment";
    case err::kKeyInUse:
      return "This key is already associated with an element of this collection";
    case err::kNoCurrentRecord:
      return "Either BOF or EOF is True, or the current record has been deleted. Requested operation "
             "requires a "
             "current record.";
    case err::kItemNotFound:
      return "Item cannot be found in the collection corresponding to the requested name or ordinal.";
    case err::kObjectClosed:
      return "Operation is not allowed when the object is closed.";
    default:
      return "Application-defined or object-defined error";
  }
}

ExcepInfo& currentError() {
  thread_local ExcepInfo current;
  return current;
}

void clearCurrentError() {
  currentError() = ExcepInfo{};
}

void raise(int32_t number, std::string source, std::string description, std::string helpFile,
           int32_t helpContext) {
  if (source.empty()) source = currentError().source.empty() ? kComponentName : currentError().source;
  if (description.empty()) description = standardDescription(number);
  ComError e(number, std::move(source), std::move(description), std::move(helpFile), helpContext);
  currentError() = e.info();
  throw e;
}

void raiseFromProvider(int32_t number, std::string source, std::string description,
                       std::vector<ProviderError> providerErrors) {
  ExcepInfo info{number, std::move(source), std::move(description), {}, 0, std::move(providerErrors)};
  ComError e(std::move(info));
  currentError() = e.info();
  throw e;
}

void reraise(const ComError& e, std::string newSource) {
  ExcepInfo info = e.info();
  info.source = std::move(newSource);
  ComError again(std::move(info));
  currentError() = again.info();
  throw again;
}

}  // namespace mls::com

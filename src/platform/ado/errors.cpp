#include "platform/ado/errors.h"

namespace mls::ado {

namespace {

std::string usualText(int32_t number) {
  switch (number) {
    case err::kInvalidArgument:
      return "Arguments are of the wrong type, are out of acceptable range, or are in conflict with one "
             "another.";
    case err::kNotUpdatable:
      return "Current Recordset does not support updating. This may be a limitation of the provider, or of "
             "the selected locktype.";
    case err::kObjectOpen:
      return "Operation is not allowed when the object is open.";
    case err::kNoConnection:
      return "The connection cannot be used to perform this operation. It is either closed or invalid in "
             "this context.";
    default:
      return com::standardDescription(number);
  }
}

}  // namespace

void raiseAdo(int32_t number, const std::string& source, std::string description) {
  if (description.empty()) description = usualText(number);
  com::raise(number, source, std::move(description));
}

}  // namespace mls::ado

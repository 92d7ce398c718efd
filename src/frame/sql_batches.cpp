#include "frame/sql_batches.h"

#include <string>

#include "platform/halvern/string_builder.h"

namespace mls::frame {
namespace {

bool flushAfter(int32_t i) {
  return i % 200 == 1 && i != 1;
}

// An element as it joins the batch: ended by a line break, so that a trailing
// line comment cannot swallow the next element.
std::string ended(std::string statement) {
  if (!statement.empty() && statement.back() != '\n') statement += "\r\n";
  return statement;
}

}  // namespace

com::Variant updateBatch(Call& call, const com::Variant& statements) {
  const com::SafeArray& array = statements.deref().array();
  int32_t upper = array.ubound(1);
  std::string buffer;
  for (int32_t i = 0; i <= upper; ++i) {
    buffer += ended(com::concat(com::Variant(), array.at({i})));
    if (flushAfter(i) && !buffer.empty()) {
      call.connection().execute(buffer, nullptr, -1);
      buffer.clear();
    }
  }
  if (!buffer.empty()) call.connection().execute(buffer, nullptr, -1);
  return {};
}

com::Variant insertStdCalinfo(Call& call, const com::Variant& statements) {
  const com::SafeArray& array = statements.deref().array();
  int32_t upper = array.ubound(1);
  halvern::StringBuilder buffer;
  for (int32_t i = 0; i <= upper; ++i) {
    buffer.append(ended(array.at({i}).toString()));
    if (flushAfter(i) && buffer.length() != 0) {
      call.connection().execute(buffer.text(), nullptr, -1);
      buffer.remove(1, buffer.length());
    }
  }
  if (buffer.length() != 0) call.connection().execute(buffer.text(), nullptr, -1);
  return {};
}

}  // namespace mls::frame

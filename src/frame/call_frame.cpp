#include "frame/call_frame.h"

#include <exception>

#include "frame/component.h"
#include "frame/props_value.h"
#include "frame/public_object.h"
#include "platform/com/error.h"
#include "platform/com/object_context.h"

namespace mls::frame {
namespace {

com::Variant handle(const com::ComError& e, std::string_view fullName, const FrameFacts& facts,
                    OpenConnection& connection) {
  if (facts.abortOnError) com::getObjectContext().setAbort();
  connection.closeQuietly();
  if (facts.quiet) {
    com::clearCurrentError();
    return com::Variant("");
  }
  com::reraise(e, namedSource(fullName, facts.naming, e.source()));
}

}  // namespace

Call::Call(PublicObject& self, std::string_view fullName, std::string props)
    : self_(self), fullName_(fullName), props_(std::move(props)) {}

ClassDataEnv& Call::env() const {
  return self_.dataEnv();
}

std::string Call::language() const {
  return getPropsValue(props_, "Language");
}

ado::Connection& Call::connection() const {
  if (!connection_) com::raise(com::err::kObjectVariableNotSet, kComponent);
  return *connection_;
}

std::string namedSource(std::string_view fullName, Naming naming, std::string_view previous) {
  switch (naming) {
    case Naming::Unchanged:
      return std::string(previous);
    case Naming::WithLineBreak:
      return std::string(fullName) + "\r\n" + std::string(previous);
    case Naming::Direct:
      return std::string(fullName) + std::string(previous);
  }
  return std::string(previous);
}

com::Variant runFrame(PublicObject& self, std::string_view fullName, const FrameFacts& facts,
                      std::string_view props, const std::function<com::Variant(Call&)>& body) {
  // An error of an earlier call must not lend its source to this one's.
  com::clearCurrentError();
  if (facts.vote == VoteAt::Entry) com::getObjectContext().setComplete();
  Call call(self, fullName, std::string(props));
  try {
    if (facts.initEnv) call.env().init(props);
    if (facts.connection) call.connection_ = OpenConnection(call.env().dataSource().open(*facts.connection));
    com::Variant result = body(call);
    call.connection_.close();
    if (facts.vote == VoteAt::Success) com::getObjectContext().setComplete();
    return result;
  } catch (const com::ComError& e) {
    return handle(e, fullName, facts, call.connection_);
  } catch (const std::exception& e) {
    return handle(com::ComError(com::kFail, kComponent, e.what()), fullName, facts, call.connection_);
  }
}

}  // namespace mls::frame

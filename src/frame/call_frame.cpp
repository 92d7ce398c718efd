#include "frame/call_frame.h"

#include <exception>

#include "frame/globals.h"
#include "platform/com/error.h"
#include "platform/com/object_context.h"

namespace mls::frame {
namespace {

void closeQuietly(ado::Connection& connection) {
  try {
    if (connection.state() == ado::kStateOpen) connection.close();
  } catch (const std::exception&) {
    // Never hides the error being raised.
  }
}

[[noreturn]] void handle(const com::ComError& e, std::string_view fullName, const FrameFacts& facts,
                         com::Ref<ado::Connection>& connection) {
  if (facts.abortOnError) com::getObjectContext().setAbort();
  if (connection) {
    closeQuietly(*connection);
    connection = nullptr;
  }
  com::reraise(e, namedSource(fullName, facts.naming, e.source()));
}

}  // namespace

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

com::Variant runFrame(ClassDataEnv& env, std::string_view fullName, const FrameFacts& facts,
                      std::string_view props, const std::function<com::Variant(Call&)>& body) {
  // An error of an earlier call must not lend its source to this one's.
  com::clearCurrentError();
  if (facts.vote == VoteAt::Entry) com::getObjectContext().setComplete();
  Call call(env, std::string(props));
  try {
    if (facts.initEnv) env.init(props);
    if (facts.connection) call.connection_ = env.dataSource().open(*facts.connection);
    com::Variant result = body(call);
    if (call.connection_) {
      if (call.connection_->state() == ado::kStateOpen) call.connection_->close();
      call.connection_ = nullptr;
    }
    if (facts.vote == VoteAt::Success) com::getObjectContext().setComplete();
    return result;
  } catch (const com::ComError& e) {
    handle(e, fullName, facts, call.connection_);
  } catch (const std::exception& e) {
    handle(com::ComError(com::kFail, kComponent, e.what()), fullName, facts, call.connection_);
  }
}

}  // namespace mls::frame

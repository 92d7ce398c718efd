// The call frame every public method runs in.  A method states its facts -
// when it votes, whether its handler votes SetAbort, which connection it
// takes, how it names itself in an error's source - and its body; runFrame()
// does the rest:
//
//   0. The thread's current error cleared.
//   1. SetComplete now, when the method votes at entry.
//   2. The class initializer with the properties string (ClassDataEnv::init).
//   3. One new open connection of the method's isolation.
//   4. The body, with the call's context.
//   5. The connection closed; SetComplete, when the method votes on success.
//
// On any error: SetAbort when the method says so, the connection closed when it
// is open (a failure of that Close is ignored: the error being raised is the
// one that counts), and the error raised again with its number, description
// and help, its source either unchanged or preceded by the method's full name
// ("Marlstone.ConcludeUpdate.AdjustAmountDiff") and CR LF (or by the name
// alone, for the methods that join them directly).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "frame/class_data_env.h"
#include "frame/data_source.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/com/variant.h"

namespace mls::frame {

enum class VoteAt { None, Entry, Success };
enum class Naming { Unchanged, WithLineBreak, Direct };

// A method's facts, built by chaining:
//   FrameFacts().votes(VoteAt::Entry).connects(Isolation::ReadUncommitted).names(Naming::WithLineBreak)
struct FrameFacts {
  VoteAt vote = VoteAt::None;
  bool abortOnError = false;
  std::optional<Isolation> connection;  // none: the method opens no connection
  Naming naming = Naming::Unchanged;
  bool initEnv = true;  // false: the method parses no properties string

  FrameFacts votes(VoteAt at) const {
    return with([&](FrameFacts& f) { f.vote = at; });
  }
  FrameFacts aborts() const {
    return with([](FrameFacts& f) { f.abortOnError = true; });
  }
  FrameFacts connects(Isolation isolation) const {
    return with([&](FrameFacts& f) { f.connection = isolation; });
  }
  FrameFacts names(Naming how) const {
    return with([&](FrameFacts& f) { f.naming = how; });
  }
  FrameFacts withoutEnv() const {
    return with([](FrameFacts& f) { f.initEnv = false; });
  }

 private:
  template <class F>
  FrameFacts with(F&& change) const {
    FrameFacts f = *this;
    change(f);
    return f;
  }
};

// What the body of a method sees of its call.
class Call {
 public:
  Call(ClassDataEnv& env, std::string props) : env_(env), props_(std::move(props)) {}

  const std::string& props() const { return props_; }
  // The caller's language: the properties' "Language" item.
  std::string language() const;
  ClassDataEnv& env() const { return env_; }
  CParse& parser() const { return env_.parser(); }
  CDataSource& dataSource() const { return env_.dataSource(); }
  // The method's connection; 91 when the method takes none.
  ado::Connection& connection() const;

 private:
  friend com::Variant runFrame(ClassDataEnv&, std::string_view, const FrameFacts&, std::string_view,
                               const std::function<com::Variant(Call&)>&);
  ClassDataEnv& env_;
  std::string props_;
  com::Ref<ado::Connection> connection_;
};

com::Variant runFrame(ClassDataEnv& env, std::string_view fullName, const FrameFacts& facts,
                      std::string_view props, const std::function<com::Variant(Call&)>& body);

// The source an error takes when it passes through a routine that names itself.
std::string namedSource(std::string_view fullName, Naming naming, std::string_view previous);

// Runs a private routine that names itself: an error leaving it carries the
// routine's full name, CR LF, then its previous source.
template <class F>
auto runNamed(std::string_view fullName, F&& routine) -> decltype(routine()) {
  try {
    return routine();
  } catch (const com::ComError& e) {
    com::reraise(e, namedSource(fullName, Naming::WithLineBreak, e.source()));
  }
}

}  // namespace mls::frame

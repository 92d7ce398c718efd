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
// alone, for the methods that join them directly).  A method that never raises
// answers "" instead, the thread's current error cleared.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "frame/class_data_env.h"
#include "frame/data_source.h"
#include "frame/open_connection.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/com/variant.h"

namespace mls::frame {

enum class VoteAt { None, Entry, Success };
enum class Naming { Unchanged, WithLineBreak, Direct };

// A method's facts, built by chaining (presets.h names the usual ones):
//   FrameFacts().votes(VoteAt::Entry).connects(Isolation::ReadUncommitted).names(Naming::WithLineBreak)
struct FrameFacts {
  VoteAt vote = VoteAt::None;
  bool abortOnError = false;
  std::optional<Isolation> connection;  // none: the method opens no connection
  Naming naming = Naming::Unchanged;
  bool initEnv = true;  // false: the method parses no properties string
  bool quiet = false;   // true: any failure answers "" and raises nothing

  constexpr FrameFacts votes(VoteAt at) const {
    FrameFacts f = *this;
    f.vote = at;
    return f;
  }
  constexpr FrameFacts aborts() const {
    FrameFacts f = *this;
    f.abortOnError = true;
    return f;
  }
  constexpr FrameFacts connects(Isolation isolation) const {
    FrameFacts f = *this;
    f.connection = isolation;
    return f;
  }
  constexpr FrameFacts names(Naming how) const {
    FrameFacts f = *this;
    f.naming = how;
    return f;
  }
  constexpr FrameFacts withoutEnv() const {
    FrameFacts f = *this;
    f.initEnv = false;
    return f;
  }
  constexpr FrameFacts answersEmptyOnFailure() const {
    FrameFacts f = *this;
    f.quiet = true;
    return f;
  }
};

class PublicObject;

// What the body of a method sees of its call.
class Call {
 public:
  Call(PublicObject& self, std::string_view fullName, std::string props);

  // The object whose member runs: a body may call the object's own members by
  // name through it (each such call runs in a frame of its own).
  PublicObject& self() const { return self_; }
  // The member's full name, "Marlstone.<Class>.<Member>": the source of the
  // errors the member raises itself.
  const std::string& fullName() const { return fullName_; }
  const std::string& props() const { return props_; }
  // The caller's language: the properties' "Language" item.
  std::string language() const;
  ClassDataEnv& env() const;
  CParse& parser() const { return env().parser(); }
  CDataSource& dataSource() const { return env().dataSource(); }
  // The method's connection; 91 when the method takes none.
  ado::Connection& connection() const;

 private:
  friend com::Variant runFrame(PublicObject&, std::string_view, const FrameFacts&, std::string_view,
                               const std::function<com::Variant(Call&)>&);
  PublicObject& self_;
  std::string fullName_;
  std::string props_;
  OpenConnection connection_;
};

// Runs `body` in the frame of `self`'s member `fullName`.
com::Variant runFrame(PublicObject& self, std::string_view fullName, const FrameFacts& facts,
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

// The object context of the hosting process: the transaction votes a call casts
// (SetComplete, SetAbort) and the creation of other objects (CreateInstance).
// Each thread has its own context; code fetches it anew at each use with
// getObjectContext().  Nothing is rolled back: votes are only recorded, for the
// host and tests to read through a VoteRecorder.
//
// A process that loads the library provides the context: an executable that
// exports the symbol MlsHostObjectContext (link option
// -Wl,--export-dynamic-symbol=MlsHostObjectContext) makes the library use the
// executable's context, so the votes cast inside the library reach the host.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/com/error.h"
#include "platform/com/unknown.h"

namespace mls::com {

enum class Vote : uint8_t { Complete, Abort };
const char* voteName(Vote v);  // "SetComplete" / "SetAbort"

class ObjectContext {
 public:
  virtual void setComplete() = 0;
  virtual void setAbort() = 0;
  // Creates an object through the class registry (createObject); raises 429
  // when it cannot, or the error a test chose for this ProgID.
  virtual Ref<Dispatch> createInstance(std::string_view progId) = 0;

  // Votes go to every recorder that is open on this thread.
  virtual void openRecorder(std::vector<Vote>* sink) = 0;
  virtual void closeRecorder(std::vector<Vote>* sink) = 0;
  // Makes createInstance of `progId` (ignoring case) raise `error`.
  virtual void failCreateInstance(std::string progId, ExcepInfo error) = 0;
  virtual void clearCreateInstanceFailure(std::string_view progId) = 0;

 protected:
  ~ObjectContext() = default;
};

// The current thread's context (the host's when the host provides one).
ObjectContext& getObjectContext();

// Records the votes cast on this thread while it lives.  Recorders nest: each
// open recorder sees every vote cast while it is open.
class VoteRecorder {
 public:
  VoteRecorder();
  ~VoteRecorder();
  VoteRecorder(const VoteRecorder&) = delete;
  VoteRecorder& operator=(const VoteRecorder&) = delete;

  const std::vector<Vote>& votes() const { return votes_; }

 private:
  std::vector<Vote> votes_;
};

// Makes createInstance of one ProgID fail on this thread while it lives (429 unless another
// error is given).
class CreateInstanceFailure {
 public:
  explicit CreateInstanceFailure(std::string progId,
                                 ExcepInfo error = {err::kCannotCreateObject, {}, {}, {}, 0});
  ~CreateInstanceFailure();
  CreateInstanceFailure(const CreateInstanceFailure&) = delete;
  CreateInstanceFailure& operator=(const CreateInstanceFailure&) = delete;

 private:
  std::string progId_;
};

}  // namespace mls::com

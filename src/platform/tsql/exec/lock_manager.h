// The database's latch and its lock manager.
//
// The latch lets one statement at a time touch the database's structures (it
// is recursive: a statement's own nested work takes it again).  The lock
// manager keeps SQL Server's locks on objects by name across statements: a
// request that conflicts with another session's lock (or with an earlier
// conflicting request still waiting: first come, first served) waits, and
// while it waits it gives the latch up, so the others go on.  A wait ends when
// the lock is granted, when the session's LOCK_TIMEOUT runs out (1222), or as
// the victim of a deadlock (1205): the requester whose wait would close a
// cycle of waits, or whose wait could only end by its own thread going on in
// another session (two connections of one thread).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/tsql/catalog/object_locks.h"

namespace mls::tsql {

class StatementLatch {
 public:
  void lock();
  void unlock();
  // Gives the latch up entirely (however deep this thread holds it) and
  // answers the depth, for reacquire().
  int releaseAll();
  void reacquire(int depth);

 private:
  std::mutex m_;
  std::condition_variable free_;
  std::thread::id owner_;
  int depth_ = 0;
};

// How long a lock lasts: to the end of its statement, or of its transaction
// (a statement outside a transaction ends both).
enum class LockDuration : uint8_t { Statement, Transaction };

// One session's part in the lock manager.
class LockOwner {
 public:
  explicit LockOwner(int id) : id_(id) {}
  int id() const { return id_; }

 private:
  friend class LockManager;
  struct Held {
    LockMode mode = LockMode::None;
    LockDuration duration = LockDuration::Statement;
  };
  int id_;
  // What this owner holds, by key; written under the manager's mutex by the
  // owner's own thread only, so that thread reads it freely.
  std::unordered_map<std::string, Held> held_;
  bool running_ = false;                    // a batch of the session runs
  std::thread::id thread_;                  // the thread that runs (or last ran) it
  const std::string* waitingOn_ = nullptr;  // the key of the request it waits for
};

class LockManager {
 public:
  // Grants `mode` on `key` (a lower-cased name) to `owner` for `duration`,
  // waiting as the header says; `timeoutMs` < 0 waits without end, 0 not at
  // all.  `latch` is given up while waiting and held again before this
  // returns or throws.
  void acquire(LockOwner& owner, const std::string& key, LockMode mode, LockDuration duration,
               int64_t timeoutMs, StatementLatch& latch);
  // Takes `mode` only when it can be granted at once; false when not.
  bool tryAcquire(LockOwner& owner, const std::string& key, LockMode mode, LockDuration duration);
  // Whether `owner` holds `key` in `mode` or stronger.
  static bool holds(const LockOwner& owner, const std::string& key, LockMode mode);
  // Lets go of the owner's statement locks, or of all of them.
  void releaseStatement(LockOwner& owner);
  void releaseAll(LockOwner& owner);
  // A batch of the owner's session starts or ends on the calling thread.
  void running(LockOwner& owner, bool on);
  // Waits up to `limit` until at least `n` requests wait; whether they do.
  // Lets a test order its sessions by what the engine does, not by time.
  bool awaitWaiting(size_t n, std::chrono::milliseconds limit);

 private:
  struct Request {
    LockOwner* owner;
    LockMode mode;
  };
  struct Resource {
    std::vector<Request> granted;
    std::deque<Request> waiting;
  };
  bool grantable(const Resource& r, const LockOwner& owner, LockMode mode) const;
  void grant(Resource& r, LockOwner& owner, const std::string& key, LockMode mode, LockDuration duration);
  // The owners `owner`'s waiting request waits for.
  std::vector<LockOwner*> blockers(const LockOwner& owner) const;
  bool deadlocked(const LockOwner& owner) const;
  void release(LockOwner& owner, bool statementOnly);

  std::mutex m_;
  std::condition_variable changed_;
  std::map<std::string, Resource, std::less<>> resources_;
};

}  // namespace mls::tsql

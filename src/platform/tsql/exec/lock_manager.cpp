#include "platform/tsql/exec/lock_manager.h"

#include <algorithm>
#include <set>

#include "platform/tsql/errors.h"

namespace mls::tsql {

// -------------------------------------------------------------- the latch

void StatementLatch::lock() {
  const std::thread::id me = std::this_thread::get_id();
  std::unique_lock l(m_);
  if (depth_ > 0 && owner_ == me) {
    ++depth_;
    return;
  }
  free_.wait(l, [this] { return depth_ == 0; });
  owner_ = me;
  depth_ = 1;
}

void StatementLatch::unlock() {
  std::unique_lock l(m_);
  if (--depth_ > 0) return;
  owner_ = {};
  l.unlock();
  free_.notify_one();
}

int StatementLatch::releaseAll() {
  std::unique_lock l(m_);
  if (depth_ == 0 || owner_ != std::this_thread::get_id()) return 0;
  const int depth = depth_;
  depth_ = 0;
  owner_ = {};
  l.unlock();
  free_.notify_one();
  return depth;
}

void StatementLatch::reacquire(int depth) {
  if (depth <= 0) return;
  lock();
  std::lock_guard l(m_);
  depth_ = depth;
}

// ------------------------------------------------------- the lock manager

namespace {

// Gives the latch up when asked (before the first wait) and takes it again,
// as deep as before, when it goes: after the manager's mutex was let go.
class LatchRelease {
 public:
  explicit LatchRelease(StatementLatch& latch) : latch_(latch) {}
  ~LatchRelease() { latch_.reacquire(depth_); }
  LatchRelease(const LatchRelease&) = delete;
  LatchRelease& operator=(const LatchRelease&) = delete;
  void release() {
    if (released_) return;
    released_ = true;
    depth_ = latch_.releaseAll();
  }

 private:
  StatementLatch& latch_;
  bool released_ = false;
  int depth_ = 0;
};

}  // namespace

bool LockManager::holds(const LockOwner& owner, const std::string& key, LockMode mode) {
  auto it = owner.held_.find(key);
  return it != owner.held_.end() && it->second.mode >= mode;
}

bool LockManager::grantable(const Resource& r, const LockOwner& owner, LockMode mode) const {
  bool converting = false;
  for (const Request& g : r.granted) {
    if (g.owner == &owner) {
      converting = true;
    } else if (lockConflicts(g.mode, mode)) {
      return false;
    }
  }
  if (converting) return true;  // a conversion goes before the queue
  for (const Request& w : r.waiting) {
    if (w.owner == &owner) break;
    if (lockConflicts(w.mode, mode)) return false;
  }
  return true;
}

void LockManager::grant(Resource& r, LockOwner& owner, const std::string& key, LockMode mode,
                        LockDuration duration) {
  auto g =
      std::find_if(r.granted.begin(), r.granted.end(), [&](const Request& q) { return q.owner == &owner; });
  if (g == r.granted.end()) {
    r.granted.push_back({&owner, mode});
  } else {
    g->mode = std::max(g->mode, mode);
  }
  LockOwner::Held& h = owner.held_[key];
  h.mode = std::max(h.mode, mode);
  h.duration = std::max(h.duration, duration);
}

bool LockManager::tryAcquire(LockOwner& owner, const std::string& key, LockMode mode, LockDuration duration) {
  if (holds(owner, key, mode)) {
    LockOwner::Held& h = owner.held_[key];
    h.duration = std::max(h.duration, duration);
    return true;
  }
  std::lock_guard lk(m_);
  Resource& r = resources_[key];
  if (!grantable(r, owner, mode)) {
    if (r.granted.empty() && r.waiting.empty()) resources_.erase(key);
    return false;
  }
  grant(r, owner, key, mode, duration);
  return true;
}

void LockManager::acquire(LockOwner& owner, const std::string& key, LockMode mode, LockDuration duration,
                          int64_t timeoutMs, StatementLatch& latch) {
  if (tryAcquire(owner, key, mode, duration)) return;
  if (timeoutMs == 0) throwSqlError(1222);
  LatchRelease released(latch);  // taken again after `lk` is let go
  std::unique_lock lk(m_);
  auto [it, added] = resources_.try_emplace(key);
  Resource& r = it->second;
  r.waiting.push_back({&owner, mode});
  owner.waitingOn_ = &it->first;
  changed_.notify_all();  // one more waits
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int failure = 0;
  while (!grantable(r, owner, mode)) {
    if (deadlocked(owner)) {
      failure = 1205;
      break;
    }
    released.release();
    if (timeoutMs < 0) {
      changed_.wait(lk);
    } else if (changed_.wait_until(lk, deadline) == std::cv_status::timeout && !grantable(r, owner, mode)) {
      failure = 1222;
      break;
    }
  }
  r.waiting.erase(
      std::find_if(r.waiting.begin(), r.waiting.end(), [&](const Request& q) { return q.owner == &owner; }));
  owner.waitingOn_ = nullptr;
  if (failure == 0) grant(r, owner, key, mode, duration);
  if (r.granted.empty() && r.waiting.empty()) resources_.erase(it);
  changed_.notify_all();  // the queue moved
  lk.unlock();
  if (failure == 1205) throwSqlError(1205, {std::to_string(owner.id())});
  if (failure) throwSqlError(failure);
}

std::vector<LockOwner*> LockManager::blockers(const LockOwner& owner) const {
  std::vector<LockOwner*> out;
  if (!owner.waitingOn_) return out;
  auto it = resources_.find(*owner.waitingOn_);
  if (it == resources_.end()) return out;
  const Resource& r = it->second;
  auto mine =
      std::find_if(r.waiting.begin(), r.waiting.end(), [&](const Request& q) { return q.owner == &owner; });
  if (mine == r.waiting.end()) return out;
  bool converting = false;
  for (const Request& g : r.granted) {
    if (g.owner == &owner) {
      converting = true;
    } else if (lockConflicts(g.mode, mine->mode)) {
      out.push_back(g.owner);
    }
  }
  for (auto w = r.waiting.begin(); !converting && w != mine; ++w) {
    if (lockConflicts(w->mode, mine->mode)) out.push_back(w->owner);
  }
  return out;
}

bool LockManager::deadlocked(const LockOwner& owner) const {
  const std::thread::id me = std::this_thread::get_id();
  std::set<const LockOwner*> seen;
  std::vector<const LockOwner*> todo{&owner};
  while (!todo.empty()) {
    const LockOwner* o = todo.back();
    todo.pop_back();
    for (const LockOwner* b : blockers(*o)) {
      if (b == &owner) return true;  // a cycle of waits through the requester
      // A session idle between batches of this very thread goes on only
      // when this thread does: the wait would never end.
      if (!b->running_ && !b->waitingOn_ && b->thread_ == me) return true;
      if (seen.insert(b).second) todo.push_back(b);
    }
  }
  return false;
}

void LockManager::release(LockOwner& owner, bool statementOnly) {
  if (owner.held_.empty()) return;
  std::lock_guard lk(m_);
  for (auto h = owner.held_.begin(); h != owner.held_.end();) {
    if (statementOnly && h->second.duration == LockDuration::Transaction) {
      ++h;
      continue;
    }
    auto r = resources_.find(h->first);
    if (r != resources_.end()) {
      std::erase_if(r->second.granted, [&](const Request& q) { return q.owner == &owner; });
      if (r->second.granted.empty() && r->second.waiting.empty()) resources_.erase(r);
    }
    h = owner.held_.erase(h);
  }
  changed_.notify_all();
}

void LockManager::releaseStatement(LockOwner& owner) {
  release(owner, true);
}

void LockManager::releaseAll(LockOwner& owner) {
  release(owner, false);
}

bool LockManager::awaitWaiting(size_t n, std::chrono::milliseconds limit) {
  std::unique_lock lk(m_);
  return changed_.wait_for(lk, limit, [&] {
    size_t waiting = 0;
    for (const auto& [key, r] : resources_)
      waiting += r.waiting.size();
    return waiting >= n;
  });
}

void LockManager::running(LockOwner& owner, bool on) {
  std::lock_guard lk(m_);
  owner.running_ = on;
  owner.thread_ = std::this_thread::get_id();
}

}  // namespace mls::tsql

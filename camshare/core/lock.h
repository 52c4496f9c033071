// The lock the platform-free tables are guarded with; the Windows layer passes a critical
// section, tests a standard mutex.
#pragma once

namespace camshare {

class Lock {
 public:
  virtual ~Lock() = default;
  virtual void Enter() = 0;
  virtual void Leave() = 0;
};

class LockGuard {
 public:
  explicit LockGuard(Lock& lock) : lock_(lock) { lock_.Enter(); }
  ~LockGuard() { lock_.Leave(); }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

 private:
  Lock& lock_;
};

}  // namespace camshare

// camshare::Lock over a standard mutex, for native tests.
#pragma once

#include <mutex>

#include "lock.h"

namespace camshare::test {

class StdLock : public Lock {
 public:
  void Enter() override { mutex_.lock(); }
  void Leave() override { mutex_.unlock(); }

 private:
  std::mutex mutex_;
};

}  // namespace camshare::test

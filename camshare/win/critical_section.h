// Critical sections as camshare::Lock and as a scoped guard.
#pragma once

#include <windows.h>

#include "lock.h"

namespace camshare::win {

class CriticalSection : public Lock {
 public:
  CriticalSection() { InitializeCriticalSection(&section_); }
  ~CriticalSection() override { DeleteCriticalSection(&section_); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  void Enter() override { EnterCriticalSection(&section_); }
  void Leave() override { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

class SectionGuard {
 public:
  explicit SectionGuard(CRITICAL_SECTION& section) : section_(section) {
    EnterCriticalSection(&section_);
  }
  ~SectionGuard() { LeaveCriticalSection(&section_); }
  SectionGuard(const SectionGuard&) = delete;
  SectionGuard& operator=(const SectionGuard&) = delete;

 private:
  CRITICAL_SECTION& section_;
};

}  // namespace camshare::win

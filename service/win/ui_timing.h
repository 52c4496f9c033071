// Every window timer of the program is started here, so that a test can shorten the long
// ones (the 60 s exit question, 30 s messages) instead of waiting for them.
#pragma once

#include <windows.h>

#include <functional>

namespace lookout {

// SetTimer with the length passed through the test's hook (if any).
UINT_PTR StartTimer(HWND window, UINT_PTR id, UINT ms);
UINT TimerLength(UINT ms);

// Tests only: `hook(ms)` gives the length actually used; an empty hook restores real time.
void SetTimerLengthHook(std::function<UINT(UINT)> hook);

}  // namespace lookout

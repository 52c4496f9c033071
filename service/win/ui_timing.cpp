#include "ui_timing.h"

#include <mutex>

namespace lookout {
namespace {

std::mutex g_lock;
std::function<UINT(UINT)> g_hook;

}  // namespace

UINT TimerLength(UINT ms) {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_hook ? g_hook(ms) : ms;
}

UINT_PTR StartTimer(HWND window, UINT_PTR id, UINT ms) { return SetTimer(window, id, TimerLength(ms), nullptr); }

void SetTimerLengthHook(std::function<UINT(UINT)> hook) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_hook = std::move(hook);
}

}  // namespace lookout

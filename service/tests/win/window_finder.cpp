#include "window_finder.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace lookout::test {

namespace {

struct Search {
  DWORD pid;
  const std::wstring* caption;
  std::vector<HWND> found;
};

BOOL CALLBACK Visit(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<Search*>(p);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == s->pid && IsWindowVisible(w) && (s->caption->empty() || WindowText(w) == *s->caption))
    s->found.push_back(w);
  return TRUE;
}

}  // namespace

std::vector<HWND> WindowsOf(DWORD processId, const std::wstring& caption) {
  Search search{processId, &caption, {}};
  EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForWindow(DWORD processId, const std::wstring& caption, int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    std::vector<HWND> found = WindowsOf(processId, caption);
    if (!found.empty()) return found.front();
    if (std::chrono::steady_clock::now() > end) return nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

bool WaitForWindowGone(HWND window, int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (IsWindow(window) && IsWindowVisible(window)) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

std::wstring WindowText(HWND window) {
  wchar_t text[2048] = {};
  // WM_GETTEXT reaches windows of other processes too.
  SendMessageTimeoutW(window, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
  return text;
}

std::vector<std::wstring> StaticTexts(HWND window) {
  std::vector<std::wstring> texts;
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t cls[64] = {};
    GetClassNameW(child, cls, 64);
    if (_wcsicmp(cls, L"Static") == 0) {
      std::wstring text = WindowText(child);
      if (!text.empty()) texts.push_back(text);
    }
  }
  std::stable_sort(texts.begin(), texts.end(),
                   [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
  return texts;
}

RECT RectInParent(HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void PressButton(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

}  // namespace lookout::test

// Finding and reading the program's top-level windows from a test.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace lookout::test {

// Visible top-level windows of a process whose caption is `caption` (any caption when empty).
std::vector<HWND> WindowsOf(DWORD processId, const std::wstring& caption = L"");
// Polls every 10 ms for at most `timeoutMs`; null when none appeared.
HWND WaitForWindow(DWORD processId, const std::wstring& caption, int timeoutMs);
// Polls until the window is gone; false on time-out.
bool WaitForWindowGone(HWND window, int timeoutMs);

std::wstring WindowText(HWND window);
// The texts of a window's static children, longest first.
std::vector<std::wstring> StaticTexts(HWND window);
// A window's rectangle in its parent's client coordinates.
RECT RectInParent(HWND child);

// Clicks a dialog's button by posting its command (works across threads and processes).
void PressButton(HWND dialog, int id);

}  // namespace lookout::test

// The main window in this process, for the window tests: it runs modally on a thread of its
// own (as on the program's main thread) while a test drives it with messages and reads it
// back. Also the stand-ins around it and what the program leaves behind (debug output, the
// programs it started).
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "wait_until.h"

namespace lookout {
class CTrayWindow;
}

namespace lookout::test {

// Runs `f` on the thread that owns the windows and returns when it is done (the window's
// modal loops, message boxes included, run it).
class UiThread {
 public:
  UiThread() = default;
  ~UiThread();
  // Starts the thread with a new main window; false when it did not show up.
  bool Start();
  // True when the window ended within `timeoutMs`.
  bool WaitEnded(int timeoutMs);
  void Run(const std::function<void()>& f);
  template <typename T>
  T Get(const std::function<T()>& f) {
    T value{};
    Run([&] { value = f(); });
    return value;
  }
  CTrayWindow* Window() const { return m_window; }
  HWND Main() const { return m_main; }
  bool TrayIconAtEnd() const { return m_trayIconAtEnd; }

 private:
  static LRESULT CALLBACK HelperProc(HWND, UINT, WPARAM, LPARAM);
  void Body();

  std::thread m_thread;
  HWND m_helper = nullptr;
  std::atomic<CTrayWindow*> m_window{nullptr};
  std::atomic<HWND> m_main{nullptr};
  std::atomic<bool> m_ended{false};
  std::atomic<bool> m_trayIconAtEnd{true};
  HANDLE m_ready = nullptr;
};

// The debug-output lines of this process, taken as they are raised.
class DebugOutput {
 public:
  static void Install();
  static std::vector<std::string> Lines();
  static size_t Count(const std::string& line);
};

// Timer lengths the program asked for, and which of them a test shortens.
class TimerLengths {
 public:
  static void Install();
  static std::vector<UINT> Asked();
  static bool WasAsked(UINT ms);
  // The exit question and other 60-second questions close after `ms` (60000: real time).
  static void SetQuestionTime(UINT ms);
};


// The program's message box (caption "警示器虚拟终端") of this process, or null.
HWND WaitForMessageBox(int timeoutMs);
std::wstring MessageText(HWND box);
// Waits for a box, reads its text, presses `button` and waits for it to go; the text.
std::wstring AnswerMessage(int button = IDOK, int timeoutMs = 10000);

// A visible descendant of `root` with control id `id`, or null.
HWND VisibleItem(HWND root, int id);
// The menu window that TrackPopupMenu opened, or null.
HWND WaitForMenuWindow(int timeoutMs);

// Counts of colours near `color` (each channel within `tolerance`) in a rectangle of a
// window's screenshot.
int PixelsNear(HWND window, const RECT& area, COLORREF color, int tolerance);
// Saves the window's screenshot under the artefacts and returns the pixel at (x, y) of it.
COLORREF ShootAndPick(HWND window, const wchar_t* name, int x, int y);
// Blue-ish: the skin's title band.
bool IsTitleBlue(COLORREF c);

}  // namespace lookout::test

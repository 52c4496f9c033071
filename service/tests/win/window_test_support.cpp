#include "window_test_support.h"

#include <objbase.h>

#include <cstring>

#include "resource.h"
#include "screenshot.h"
#include "tray_window.h"
#include "ui_timing.h"
#include "window_finder.h"

namespace lookout::test {
namespace {

constexpr UINT WM_RUN = WM_APP + 100;
const std::wstring kBoxCaption = L"警示器虚拟终端";

std::mutex g_lock;
std::vector<std::string> g_debugLines;
std::vector<UINT> g_timers;
std::atomic<UINT> g_questionMs{60000};

LONG CALLBACK CatchDebugOutput(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD* r = info->ExceptionRecord;
  // DBG_PRINTEXCEPTION_C: length with the terminator, then the text.
  if (r->ExceptionCode == 0x40010006 && r->NumberParameters >= 2) {
    const char* text = reinterpret_cast<const char*>(r->ExceptionInformation[1]);
    size_t n = static_cast<size_t>(r->ExceptionInformation[0]);
    if (text != nullptr && n > 0) {
      std::lock_guard<std::mutex> guard(g_lock);
      g_debugLines.emplace_back(text, strnlen(text, n));
    }
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

UiThread::~UiThread() {
  if (m_thread.joinable()) {
    if (!m_ended && m_main != nullptr) {
      PostMessageW(m_main, lookout::WM_SERVICE_STOP, 0, 0);
      WaitEnded(30000);
    }
    if (m_ended) m_thread.join();
    else m_thread.detach();
  }
  if (m_ready) CloseHandle(m_ready);
}

LRESULT CALLBACK UiThread::HelperProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_RUN) {
    (*reinterpret_cast<const std::function<void()>*>(wParam))();
    return 0;
  }
  return DefWindowProcW(w, message, wParam, lParam);
}

void UiThread::Body() {
  CoInitialize(nullptr);
  WNDCLASSW cls = {};
  cls.lpfnWndProc = HelperProc;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = L"LookoutTestHelper";
  RegisterClassW(&cls);
  m_helper = CreateWindowW(L"LookoutTestHelper", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  {
    lookout::CTrayWindow window;
    m_window = &window;
    SetEvent(m_ready);
    window.DoModal();
    m_trayIconAtEnd = window.TrayIconAdded();
    m_window = nullptr;
  }
  m_ended = true;
  DestroyWindow(m_helper);
  m_helper = nullptr;
  CoUninitialize();
}

bool UiThread::Start() {
  m_ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  m_thread = std::thread([this] { Body(); });
  if (WaitForSingleObject(m_ready, 30000) != WAIT_OBJECT_0) return false;
  return WaitUntil(
      [this] {
        HWND main = nullptr;
        CTrayWindow* w = m_window;
        if (w != nullptr) main = w->GetSafeHwnd();
        if (main != nullptr && IsWindowVisible(main)) m_main = main;
        return m_main != nullptr;
      },
      60000);
}

bool UiThread::WaitEnded(int timeoutMs) {
  return WaitUntil([this] { return m_ended.load(); }, timeoutMs);
}

void UiThread::Run(const std::function<void()>& f) {
  if (m_helper != nullptr && !m_ended) SendMessageW(m_helper, WM_RUN, reinterpret_cast<WPARAM>(&f), 0);
}

void DebugOutput::Install() { AddVectoredExceptionHandler(1, CatchDebugOutput); }

std::vector<std::string> DebugOutput::Lines() {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_debugLines;
}

size_t DebugOutput::Count(const std::string& line) {
  std::lock_guard<std::mutex> guard(g_lock);
  size_t n = 0;
  for (const std::string& l : g_debugLines)
    if (l == line) ++n;
  return n;
}

void TimerLengths::Install() {
  lookout::SetTimerLengthHook([](UINT ms) {
    {
      std::lock_guard<std::mutex> guard(g_lock);
      g_timers.push_back(ms);
    }
    if (ms == 60000) return g_questionMs.load();
    // Seconds pass quickly: countdowns, the prompt's polls, the load page's delay.
    if (ms == 1000) return 150u;
    return ms;
  });
}

std::vector<UINT> TimerLengths::Asked() {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_timers;
}

bool TimerLengths::WasAsked(UINT ms) {
  for (UINT t : Asked())
    if (t == ms) return true;
  return false;
}

void TimerLengths::SetQuestionTime(UINT ms) { g_questionMs = ms; }

HWND WaitForMessageBox(int timeoutMs) { return WaitForWindow(GetCurrentProcessId(), kBoxCaption, timeoutMs); }

std::wstring MessageText(HWND box) { return WindowText(GetDlgItem(box, IDC_MSG_TEXT)); }

std::wstring AnswerMessage(int button, int timeoutMs) {
  HWND box = WaitForMessageBox(timeoutMs);
  if (box == nullptr) return L"<no message>";
  std::wstring text = MessageText(box);
  PressButton(box, button);
  WaitForWindowGone(box, 10000);
  return text;
}

namespace {
struct ItemSearch {
  int id;
  HWND found;
};
BOOL CALLBACK VisitItem(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<ItemSearch*>(p);
  if (GetDlgCtrlID(w) == s->id && IsWindowVisible(w)) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}
BOOL CALLBACK VisitMenu(HWND w, LPARAM p) {
  wchar_t cls[16] = {};
  GetClassNameW(w, cls, 16);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == GetCurrentProcessId() && std::wstring(cls) == L"#32768" && IsWindowVisible(w)) {
    *reinterpret_cast<HWND*>(p) = w;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

HWND VisibleItem(HWND root, int id) {
  ItemSearch s{id, nullptr};
  EnumChildWindows(root, VisitItem, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND WaitForMenuWindow(int timeoutMs) {
  HWND menu = nullptr;
  WaitUntil(
      [&] {
        EnumWindows(VisitMenu, reinterpret_cast<LPARAM>(&menu));
        return menu != nullptr;
      },
      timeoutMs);
  return menu;
}

int PixelsNear(HWND window, const RECT& area, COLORREF color, int tolerance) {
  lookout::testing::Capture c = lookout::testing::Grab(window);
  int n = 0;
  for (int y = area.top; y < area.bottom && y < c.h; ++y) {
    for (int x = area.left; x < area.right && x < c.w; ++x) {
      COLORREF p = c.At(x, y);
      if (std::abs(GetRValue(p) - GetRValue(color)) <= tolerance && std::abs(GetGValue(p) - GetGValue(color)) <= tolerance &&
          std::abs(GetBValue(p) - GetBValue(color)) <= tolerance)
        ++n;
    }
  }
  return n;
}

COLORREF ShootAndPick(HWND window, const wchar_t* name, int x, int y) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  lookout::testing::Capture c = lookout::testing::Grab(window);
  lookout::testing::SavePng(c, lookout::testing::ArtifactDir() / name);
  if (x < 0 || y < 0 || x >= c.w || y >= c.h) return CLR_INVALID;
  return c.At(x, y);
}

bool IsTitleBlue(COLORREF c) { return GetBValue(c) > 170 && GetRValue(c) < 80 && GetGValue(c) > 80 && GetGValue(c) < 150; }

}  // namespace lookout::test

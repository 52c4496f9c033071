#include "use_prompt.h"

#include "KvUsbCameraFilterIoctl.h"
#include "message_box.h"
#include "page_controls.h"
#include "page_flow.h"
#include "platform_client.h"
#include "resource.h"
#include "ui_fonts.h"
#include "ui_timing.h"
#include "win_text.h"

namespace lookout {
namespace {

constexpr RECT kNameRect = {62, 74, 404, 92};

void MoveTo(HWND w, const RECT& r) {
  SetWindowPos(w, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

CUsePromptWnd::CUsePromptWnd(Host host) : CSkinDialog(IDD_USE_PROMPT, Frame::Background), m_host(std::move(host)) {
  m_roundCorners = false;
}

CUsePromptWnd::~CUsePromptWnd() { StopWatcher(); }

void CUsePromptWnd::PrepareControls() {
  for (int id : {IDC_PROMPT_EXIT, IDC_PROMPT_YES, IDC_PROMPT_NO})
    SetPropW(Item(id), kOwnButtonProp, reinterpret_cast<HANDLE>(1));
}

BOOL CUsePromptWnd::OnInitDialog() {
  PageLayout layout;
  m_informBackground.Reset(LoadPageBitmap(layout.Value(L"cameratip", L"bg1")));
  m_askBackground.Reset(LoadPageBitmap(layout.Value(L"cameratip", L"bg2")));
  m_strip.Reset(LoadPageBitmap(layout.Value(L"btnbg", L"btnbg")));
  m_lightStrip.Reset(LoadPageBitmap(layout.Value(L"btnbg", L"btnbg1")));
  MoveTo(Item(IDC_PROMPT_EXIT), layout.RectOr(L"cameratip", L"btn1", RECT{296, 94, 404, 122}));
  MoveTo(Item(IDC_PROMPT_YES), layout.RectOr(L"cameratip", L"btn2", RECT{206, 94, 290, 122}));
  MoveTo(Item(IDC_PROMPT_NO), layout.RectOr(L"cameratip", L"btn3", RECT{304, 94, 388, 122}));
  SetWindowTextW(Item(IDC_PROMPT_EXIT), L"关闭警示器");
  SetWindowTextW(Item(IDC_PROMPT_YES), L"是");
  SetWindowTextW(Item(IDC_PROMPT_NO), L"否");
  MakeImageButton(Item(IDC_PROMPT_EXIT), m_strip.get(), RGB(255, 255, 255), Fonts().pageSmall);
  MakeImageButton(Item(IDC_PROMPT_YES), m_strip.get(), RGB(255, 255, 255), Fonts().pageSmall);
  MakeImageButton(Item(IDC_PROMPT_NO), m_lightStrip.get(), RGB(0x33, 0x33, 0x33), Fonts().pageSmall);
  MoveTo(Item(IDC_PROMPT_NAME), kNameRect);
  MakeLabel(Item(IDC_PROMPT_NAME), RGB(0xC7, 0x37, 0x3C), Fonts().pageText, DT_SINGLELINE | DT_LEFT | DT_VCENTER);

  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  PromptPlace place = PromptPosition(work.left, work.top, work.right, work.bottom);
  SetWindowPos(m_hWnd, HWND_TOPMOST, place.left, place.top, kPromptWidth, kPromptHeight, SWP_NOACTIVATE);
  SetMode(PromptMode::Inform);
  m_mode = PromptMode::Hidden;
  StartTimer(m_hWnd, kPromptTimerId, kPromptTimerMs);
  // The watcher starts once the program's message loop runs: its failure message then has
  // the main window behind it.
  PostMessageW(m_hWnd, WM_PROMPT_START, 0, 0);
  return FALSE;
}

void CUsePromptWnd::StartWatcher() {
  if (m_thread != nullptr || m_hDriver != INVALID_HANDLE_VALUE) return;
  m_hDriver = CreateFileW(KV_FILTER_DEVICE_PATH_W, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (m_hDriver == INVALID_HANDLE_VALUE) {
    ShowTimedMessage(L"加载摄像头使用提示驱动失败!", 0, kMessageTime);
    return;
  }
  DWORD bytes = 0;
  char own[] = "Lookout";
  if (!DeviceIoControl(m_hDriver, IOCTL_SET_MY_APPNAME, own, sizeof own, nullptr, 0, &bytes, nullptr)) {
    ShowTimedMessage(L"加载摄像头使用提示驱动 设置应用程序失败!", 0, kMessageTime);
    return;
  }
  m_hEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  KV_EVENT_HANDLE_RECORD record = {m_hEvent};
  if (m_hEvent == nullptr ||
      !DeviceIoControl(m_hDriver, IOCTL_SET_EVENT_USBOPEN, &record, sizeof record, nullptr, 0, &bytes, nullptr)) {
    ShowTimedMessage(L"加载摄像头使用提示驱动失败!", 0, kMessageTime);
    return;
  }
  m_hStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (m_hStop != nullptr) m_thread = CreateThread(nullptr, 0, WatcherThread, this, 0, nullptr);
}

void CUsePromptWnd::StopWatcher() {
  if (m_thread != nullptr) {
    SetEvent(m_hStop);
    WaitForSingleObject(m_thread, INFINITE);
    CloseHandle(m_thread);
    m_thread = nullptr;
  }
  if (m_hDriver != INVALID_HANDLE_VALUE) {
    DWORD bytes = 0;
    if (m_hEvent != nullptr) DeviceIoControl(m_hDriver, IOCTL_FREE_EVENT, nullptr, 0, nullptr, 0, &bytes, nullptr);
    CloseHandle(m_hDriver);
    m_hDriver = INVALID_HANDLE_VALUE;
  }
  for (HANDLE* h : {&m_hEvent, &m_hStop}) {
    if (*h != nullptr) CloseHandle(*h);
    *h = nullptr;
  }
}

bool CUsePromptWnd::Query(DWORD code, std::string* name, DWORD* bytes) {
  char buffer[KV_FILTER_NAME_MAX] = {};
  *bytes = 0;
  if (!DeviceIoControl(m_hDriver, code, nullptr, 0, buffer, sizeof buffer, bytes, nullptr)) return false;
  *name = NameFromDriver(buffer, *bytes, sizeof buffer);
  return true;
}

DWORD WINAPI CUsePromptWnd::WatcherThread(void* param) {
  auto* self = static_cast<CUsePromptWnd*>(param);
  HANDLE waits[2] = {self->m_hStop, self->m_hEvent};
  for (;;) {
    DWORD which = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (which != WAIT_OBJECT_0 + 1) break;  // stopped, or the wait failed
    std::string name;
    DWORD bytes = 0;
    bool answered = self->Query(IOCTL_GET_OPENING_APPNAME, &name, &bytes);
    ++self->m_openerQueries;
    if (answered && UsePromptRules::ShouldAsk(bytes, name)) PostMessageW(self->m_hWnd, WM_PROMPT_ASK, 0, 0);
  }
  return 0;
}

void CUsePromptWnd::SetMode(PromptMode mode) {
  bool ask = mode == PromptMode::Ask;
  ShowWindow(Item(IDC_PROMPT_YES), ask ? SW_SHOW : SW_HIDE);
  ShowWindow(Item(IDC_PROMPT_NO), ask ? SW_SHOW : SW_HIDE);
  ShowWindow(Item(IDC_PROMPT_EXIT), ask ? SW_HIDE : SW_SHOW);
  ShowWindow(Item(IDC_PROMPT_NAME), ask ? SW_HIDE : SW_SHOW);
  m_mode = mode;
}

void CUsePromptWnd::ShowNoActivate() {
  SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

bool CUsePromptWnd::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR* result) {
  switch (message) {
    case WM_PROMPT_START:
      StartWatcher();
      *result = TRUE;
      return true;
    case WM_PROMPT_ASK:
      ShowBackground(m_askBackground.get());
      SetMode(PromptMode::Ask);
      ShowNoActivate();
      *result = TRUE;
      return true;
    case WM_TIMER:
      if (wParam != kPromptTimerId) break;
      if (m_hDriver != INVALID_HANDLE_VALUE) {
        std::string name;
        DWORD bytes = 0;
        bool answered = Query(IOCTL_GET_USING_APPNAME, &name, &bytes);
        ++m_usingQueries;
        UsePromptRules::Inform inform = answered ? m_rules.OnUsing(bytes, name) : UsePromptRules::Inform{};
        if (inform.show) {
          SetMode(PromptMode::Inform);
          ShowNoActivate();
        }
        if (inform.newName) {
          ShowBackground(m_informBackground.get());
          SetLabel(IDC_PROMPT_NAME, AnsiToWide(name));
          if (m_host.showInUse) m_host.showInUse(CameraInUseText(AnsiToWide(name)));
        }
      }
      *result = TRUE;
      return true;
    case WM_DESTROY:
      KillTimer(m_hWnd, kPromptTimerId);
      StopWatcher();
      break;
  }
  return false;
}

void CUsePromptWnd::OnCommand(UINT id, UINT, HWND) {
  switch (id) {
    case IDC_PROMPT_YES:
    case IDC_PROMPT_EXIT:
      // The main window asks the exit question.
      PostMessageW(m_host.mainWindow, WM_CLOSE, 0, 0);
      break;
    case IDC_PROMPT_NO:
    case IDCANCEL:
      ShowWindow(m_hWnd, SW_HIDE);
      m_mode = PromptMode::Hidden;
      break;
  }
}

}  // namespace lookout

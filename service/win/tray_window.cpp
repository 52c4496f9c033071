#include "tray_window.h"

#include <shellapi.h>

#include <string>

#include "Lantern.h"
#include "Rookery.h"
#include "message_box.h"
#include "resource.h"
#include "service_app.h"
#include "service_module.h"

namespace lookout {
namespace {

std::wstring LoadText(UINT id) {
  wchar_t text[256] = {};
  int n = LoadStringW(GetModuleHandleW(nullptr), id, text, 256);
  return std::wstring(text, n > 0 ? static_cast<size_t>(n) : 0);
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

}  // namespace

INT_PTR CTrayWindow::DoModal() {
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TRAYWINDOW), nullptr, DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CTrayWindow::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<CTrayWindow*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      self = reinterpret_cast<CTrayWindow*>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      self->m_hWnd = dialog;
      return self->OnInitDialog();
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) >= IDM_ABOUTBOX && (wParam & 0xFFF0) <= 31) {
        self->OnAbout();
        return TRUE;
      }
      if ((wParam & 0xFFF0) == SC_CLOSE) {
        self->ExitProgram(true);
        return TRUE;
      }
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK) {
        self->ExitProgram(true);  // Escape and Enter are close requests too
        return TRUE;
      }
      break;
    case WM_CLOSE:
      self->ExitProgram(true);
      return TRUE;
    case WM_SERVICE_STOP:
      self->ExitProgram(false);
      return TRUE;
    case WM_CAMLIST_NOTIFY:
      return TRUE;
    case WM_DESTROY:
      g_Module.SetStopTarget(nullptr, 0);
      SetMessageOwner(nullptr);
      break;
  }
  return FALSE;
}

BOOL CTrayWindow::OnInitDialog() {
  std::wstring about = LoadText(IDS_ABOUTBOX);
  if (!about.empty()) {
    if (HMENU system = GetSystemMenu(m_hWnd, FALSE)) {
      AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(system, MF_STRING, IDM_ABOUTBOX, about.c_str());
    }
  }
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HICON big = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_LOOKOUT), IMAGE_ICON, 32, 32, 0));
  HICON small = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_LOOKOUT), IMAGE_ICON, 16, 16, 0));
  SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));

  m_bPublished = FALSE;
  g_App.ReadSettings();
  CamSearchMgr::GetInstance(L"quil")->SetWndNotify(m_hWnd, WM_CAMLIST_NOTIFY);
  g_App.m_nLastInline = GetVideoCapCount();

  std::wstring version = L"当前版本: " + std::wstring(g_App.m_szVersion);
  SetDlgItemTextW(m_hWnd, IDC_TRAY_VERSION, version.c_str());
  MoveWindow(m_hWnd, 0, 0, kMainWindowWidth, kMainWindowHeight, FALSE);
  SetMessageOwner(m_hWnd);
  g_Module.SetStopTarget(m_hWnd, WM_SERVICE_STOP);
  return TRUE;
}

void CTrayWindow::OnAbout() {
  DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUTBOX), m_hWnd, AboutProc, 0);
}

void CTrayWindow::ExitProgram(bool ask) {
  if (g_Module.IsExiting()) return;
  if (ask) {
    std::wstring question = L"~温馨提示~  您确定关闭 [" + LoadText(IDS_PRODUCT_NAME) + L"] 吗？";
    if (ShowTimedMessage(question, MB_YESNO | MB_ICONINFORMATION | MB_SYSTEMMODAL, 60000) != IDYES) return;
  }
  // The stop control may have come while the question was open.
  if (!g_Module.BeginExit()) return;
  if (!ask) CMessageBox::CloseAll();

  if (m_hTrayMenu != nullptr) {
    DestroyMenu(m_hTrayMenu);
    m_hTrayMenu = nullptr;
  }
  if (m_bTrayIconAdded) {
    NOTIFYICONDATAW icon = {};
    icon.cbSize = sizeof icon;
    icon.hWnd = m_hWnd;
    icon.uID = IDI_LOOKOUT;
    Shell_NotifyIconW(NIM_DELETE, &icon);
    m_bTrayIconAdded = false;
  }
  StopVirtualCameraServer();
  if (m_hDevNotify != nullptr) {
    UnregisterDeviceNotification(m_hDevNotify);
    m_hDevNotify = nullptr;
  }
  // Our own stop control comes back to the handler, which sees the exit under way.
  if (ask) g_Module.Stop();
  EndDialog(m_hWnd, IDOK);
}

}  // namespace lookout

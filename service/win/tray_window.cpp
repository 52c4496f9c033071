#include "tray_window.h"

#include <dbt.h>
#include <shellapi.h>

#include <cstdlib>
#include <ctime>
#include <thread>

#include "Lantern.h"
#include "Rookery.h"
#include "message_box.h"
#include "resource.h"
#include "service_app.h"
#include "service_module.h"
#include "small_dialogs.h"
#include "ui_text.h"
#include "ui_timing.h"
#include "skin_paths.h"
#include "win_text.h"

namespace lookout {
namespace {

// How long each program run in turn is waited for before the next one starts.
constexpr DWORD kProgramWaitMs = 60000;

std::string HostName() {
  char name[256] = {};
  DWORD size = sizeof name;
  if (!GetComputerNameExA(ComputerNameDnsHostname, name, &size)) return std::string();
  return std::string(name, size);
}

}  // namespace

CTrayWindow::CTrayWindow()
    : CSkinDialog(IDD_TRAYWINDOW, Frame::Background),
      m_store(g_App.m_strSettingsPath),
      m_controller(g_App, m_store, m_server, *this, HostName()),
      m_platform(m_transport, *this, m_rendezvous, g_App.m_szServerURL, [] { return std::rand(); },
                 [] { std::srand(static_cast<unsigned>(std::time(nullptr))); }) {
  m_platform.Login().m_pMainWnd = this;
  g_Module.ResetExit();
}

CTrayWindow::~CTrayWindow() {
  if (m_hTrayMenu != nullptr) DestroyMenu(m_hTrayMenu);
}

INT_PTR CTrayWindow::DoModal() { return CSkinDialog::DoModal(nullptr); }

HWND CTrayWindow::PageWindow(PageId page) const {
  switch (page) {
    case PageId::Load:
      return m_load ? m_load->GetSafeHwnd() : nullptr;
    case PageId::Login:
      return m_loginPage ? m_loginPage->GetSafeHwnd() : nullptr;
    case PageId::Register:
      return m_register ? m_register->GetSafeHwnd() : nullptr;
    case PageId::Bind:
      return m_bind ? m_bind->GetSafeHwnd() : nullptr;
    case PageId::Experience:
      return m_experience ? m_experience->GetSafeHwnd() : nullptr;
  }
  return nullptr;
}

const ServiceSettings& CTrayWindow::Settings() { return g_App; }

BOOL CTrayWindow::OnInitDialog() {
  // 1. The About item of the system menu, the icons.
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

  // 2. Settings, the tray menu, the camera registry, device notifications.
  g_App.ReadSettings();
  m_hTrayMenu = LoadMenuW(instance, MAKEINTRESOURCEW(IDR_TRAY_MENU));
  m_hTrayPopup = m_hTrayMenu ? GetSubMenu(m_hTrayMenu, 0) : nullptr;
  m_skinMenu.Load(g_App.m_skinSettings.MenuFont());
  m_skinMenu.Attach(m_hTrayPopup);
  CamSearchMgr* cameras = CamSearchMgr::GetInstance(L"quil");
  if (cameras != nullptr) cameras->SetWndNotify(m_hWnd, WM_CAMLIST_NOTIFY);
  m_ipCameras = std::make_unique<RookeryCameraList>(cameras);
  RegisterDeviceChanges();
  m_uTaskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");

  // 3. The tray icon comes with the first minimise command; the window itself appears when
  // its modal loop first runs idle.
  PostMessageW(m_hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);

  // 4. The capture devices present now.
  g_App.m_nLastInline = GetVideoCapCount();

  // 5. GDI+, the pages and the camera-in-use prompt.
  m_gdiplus = std::make_unique<GdiplusSession>();
  m_load = std::make_unique<CLoadPage>(static_cast<PageHost&>(*this));
  m_loginPage = std::make_unique<CLoginPage>(static_cast<PageHost&>(*this));
  m_register = std::make_unique<CRegisterPage>(static_cast<PageHost&>(*this));
  m_bind = std::make_unique<CBindPage>(static_cast<PageHost&>(*this));
  m_experience = std::make_unique<CExperiencePage>(static_cast<PageHost&>(*this));
  for (CSkinDialog* page : std::initializer_list<CSkinDialog*>{m_loginPage.get(), m_register.get(), m_bind.get(),
                                                                m_experience.get(), m_load.get()})
    page->Create(m_hWnd);
  CUsePromptWnd::Host host;
  host.mainWindow = m_hWnd;
  host.showInUse = [this](const std::wstring& text) {
    m_load->ShowMessage(text);
    ShowPage(m_flow.OnCameraInUse());
  };
  m_prompt = std::make_unique<CUsePromptWnd>(host);
  m_prompt->Create(nullptr);
  for (PageId page : {PageId::Load, PageId::Login, PageId::Register, PageId::Bind, PageId::Experience})
    MoveWindow(PageWindow(page), 0, 0, kMainWindowWidth, kMainWindowHeight, FALSE);
  MoveWindow(m_hWnd, 0, 0, kMainWindowWidth, kMainWindowHeight, FALSE);
  ApplyRoundCorners();
  ShowPage(PageId::Load);

  SetMessageOwner(m_hWnd);
  g_Module.SetStopTarget(m_hWnd, WM_SERVICE_STOP);
  return TRUE;
}

bool CTrayWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  *result = TRUE;
  switch (message) {
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE || ((wParam & 0xFFF0) >= IDM_ABOUTBOX && (wParam & 0xFFF0) <= 31) ||
          (wParam & 0xFFF0) == SC_CLOSE) {
        OnSysCommand(wParam);
        return true;
      }
      return false;
    case WM_TIMER:
      if (wParam == kPublishingTimerId) {
        m_controller.OnPublishingTimer(m_platform);
        return true;
      }
      return false;
    case WM_TRAY_NOTIFY:
      OnTrayNotify(wParam, lParam);
      return true;
    case WM_INITMENUPOPUP:
      UpdateMenuState(reinterpret_cast<HMENU>(wParam));
      return true;
    case WM_MEASUREITEM:
      if (m_skinMenu.OnMeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return true;
      return false;
    case WM_DRAWITEM:
      if (m_skinMenu.OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return true;
      return false;
    case WM_DEVICECHANGE:
      OnDeviceChange(wParam, lParam);
      SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, TRUE);
      return true;
    case WM_NCHITTEST:
      // The pages' title bands come through here: they move the window.
      SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, HTCAPTION);
      return true;
    case WM_CLOSE:
      ExitProgram(true);
      return true;
    case WM_SERVICE_STOP:
      ExitProgram(false);
      return true;
    case WM_CAMLIST_NOTIFY:
      return true;
    case WM_DESTROY:
      KillTimer(m_hWnd, kPublishingTimerId);
      DeleteTrayIcon();
      if (m_prompt) m_prompt->Destroy();
      g_Module.SetStopTarget(nullptr, 0);
      SetMessageOwner(nullptr);
      return false;
    default:
      if (message == m_uTaskbarCreated && m_uTaskbarCreated != 0 && m_bTrayIconAdded) {
        m_bTrayIconAdded = false;
        AddTrayIcon();
        return true;
      }
      return false;
  }
}

void CTrayWindow::OnCommand(UINT id, UINT, HWND) {
  if (id >= static_cast<UINT>(kCameraCommandFirst) && id < static_cast<UINT>(kCameraCommandFirst + kCameraCommandCount)) {
    m_controller.SelectCamera(static_cast<int>(id));
    return;
  }
  if (id >= static_cast<UINT>(cmd::kIpCameraFirst) && id <= static_cast<UINT>(cmd::kIpCameraLast)) {
    ChooseIpCamera(static_cast<int>(id), *m_ipCameras, m_transport, *this, FolderOf(ModulePath()));
    return;
  }
  switch (id) {
    case cmd::kIntroduction:
      m_platform.OpenHomePage();
      break;
    case cmd::kStartService:
      m_controller.StartPublishing();
      break;
    case cmd::kStopService:
      m_controller.StopPublishing();
      break;
    case cmd::kPlatformLogin:
      m_platform.OpenPlatformLogin();
      break;
    case cmd::kAbout:
      OnAbout();
      break;
    case cmd::kExit:
    case IDOK:
    case IDCANCEL:  // Enter and Escape are close requests too
      ExitProgram(true);
      break;
  }
}

void CTrayWindow::OnSysCommand(WPARAM command) {
  WPARAM kind = command & 0xFFF0;
  if (kind == SC_MINIMIZE) {
    // Minimising puts the window into the tray.
    AddTrayIcon();
    if (m_bShownOnce) ShowWindow(m_hWnd, SW_HIDE);
    m_bShownOnce = true;
  } else if (kind == SC_CLOSE) {
    ExitProgram(true);
  } else {
    OnAbout();
  }
}

void CTrayWindow::AddTrayIcon() {
  if (m_bTrayIconAdded) return;
  NOTIFYICONDATAW icon = {};
  icon.cbSize = sizeof icon;
  icon.hWnd = m_hWnd;
  icon.uID = kTrayIconId;
  icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  icon.uCallbackMessage = WM_TRAY_NOTIFY;
  icon.hIcon = static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_LOOKOUT), IMAGE_ICON, 16, 16, 0));
  lstrcpynW(icon.szTip, LoadText(IDS_PRODUCT_NAME).c_str(), ARRAYSIZE(icon.szTip));
  m_bTrayIconAdded = Shell_NotifyIconW(NIM_ADD, &icon) != FALSE;
}

void CTrayWindow::DeleteTrayIcon() {
  if (!m_bTrayIconAdded) return;
  NOTIFYICONDATAW icon = {};
  icon.cbSize = sizeof icon;
  icon.hWnd = m_hWnd;
  icon.uID = kTrayIconId;
  Shell_NotifyIconW(NIM_DELETE, &icon);
  m_bTrayIconAdded = false;
}

void CTrayWindow::OnTrayNotify(WPARAM icon, LPARAM event) {
  if (icon != kTrayIconId) return;
  if (LOWORD(event) == WM_LBUTTONDBLCLK) ShowMainWindow();
  else if (LOWORD(event) == WM_RBUTTONUP) ShowTrayMenu();
}

void CTrayWindow::ShowMainWindow() {
  ShowWindow(m_hWnd, SW_SHOW);
  SetForegroundWindow(m_hWnd);
}

void CTrayWindow::HideMainWindow() { ShowWindow(m_hWnd, SW_HIDE); }

void CTrayWindow::ShowTrayMenu() {
  if (m_hTrayPopup == nullptr) return;
  RefreshIpCameraMenu();
  SetForegroundWindow(m_hWnd);
  POINT at;
  GetCursorPos(&at);
  TrackPopupMenu(m_hTrayPopup, TPM_RIGHTBUTTON, at.x, at.y, 0, m_hWnd, nullptr);
  // So that the menu closes properly when the user clicks elsewhere.
  PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

void CTrayWindow::UpdateMenuState(HMENU popup) {
  TrayMenuState state;
  state.published = m_controller.IsPublished();
  state.selectedCommand = m_controller.SelectedCommand();
  state.lastInline = g_App.m_nLastInline;
  for (unsigned i = 0; i < m_ipCameras->Count() && i <= static_cast<unsigned>(cmd::kIpCameraLast - cmd::kIpCameraFirst); ++i)
    state.ipCameraInUse.push_back(m_ipCameras->IsUsing(m_ipCameras->CameraString(i)));
  int count = GetMenuItemCount(popup);
  for (int i = 0; i < count; ++i) {
    UINT id = GetMenuItemID(popup, i);
    if (id == static_cast<UINT>(-1) || id == 0) continue;
    MenuItemLook look = TrayItemLook(static_cast<int>(id), state);
    if (!look.handled) continue;
    EnableMenuItem(popup, id, MF_BYCOMMAND | (look.enabled ? MF_ENABLED : MF_GRAYED));
    MENUITEMINFOW mi = {};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_FTYPE | MIIM_STATE;
    if (GetMenuItemInfoW(popup, id, FALSE, &mi)) {
      if (look.radio) mi.fType |= MFT_RADIOCHECK;
      mi.fState = (mi.fState & ~static_cast<UINT>(MFS_CHECKED)) | (look.checked ? MFS_CHECKED : 0);
      SetMenuItemInfoW(popup, id, FALSE, &mi);
    }
  }
}

std::wstring CTrayWindow::MenuTitle(HMENU menu, int position) {
  wchar_t text[256] = {};
  MENUITEMINFOW mi = {};
  mi.cbSize = sizeof mi;
  mi.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_STRING;
  mi.dwTypeData = text;
  mi.cch = 255;
  if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &mi)) return std::wstring();
  if ((mi.fType & MFT_OWNERDRAW) && mi.dwItemData != 0) return CSkinMenu::TextOf(mi.dwItemData);
  return text;
}

void CTrayWindow::SetCameraMenu(const std::vector<CameraMenuItem>& items) {
  if (m_hTrayPopup == nullptr) return;
  if (m_controller.CameraMenuBuilt()) {
    for (int position = 0; position < 2; ++position) {
      if (MenuTitle(m_hTrayPopup, position) == kCameraMenuTitle) {
        DeleteMenu(m_hTrayPopup, static_cast<UINT>(position), MF_BYPOSITION);
        break;
      }
    }
  }
  if (items.empty()) return;
  HMENU popup = CreatePopupMenu();
  for (const CameraMenuItem& item : items)
    AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(item.command), item.text.c_str());
  InsertMenuW(m_hTrayPopup, 0, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(popup), kCameraMenuTitle);
  m_skinMenu.Attach(m_hTrayPopup);
}

void CTrayWindow::RefreshIpCameraMenu() {
  if (m_hIpCameraMenu != nullptr) {
    int count = GetMenuItemCount(m_hTrayPopup);
    for (int i = 0; i < count; ++i) {
      if (GetSubMenu(m_hTrayPopup, i) == m_hIpCameraMenu) {
        DeleteMenu(m_hTrayPopup, static_cast<UINT>(i), MF_BYPOSITION);
        break;
      }
    }
    m_hIpCameraMenu = nullptr;
  }
  std::vector<IpCameraName> names;
  unsigned count = m_ipCameras->Count();
  for (unsigned i = 0; i < count && names.size() <= static_cast<size_t>(cmd::kIpCameraLast - cmd::kIpCameraFirst); ++i) {
    IpCameraRecord record;
    m_ipCameras->Record(i, &record);
    names.push_back({record.name, record.ip});
  }
  m_hIpCameraMenu = CreatePopupMenu();
  std::vector<CameraMenuItem> items = IpCameraItems(names);
  for (const CameraMenuItem& item : items)
    AppendMenuW(m_hIpCameraMenu, MF_STRING, static_cast<UINT_PTR>(item.command), item.text.c_str());
  if (items.empty()) AppendMenuW(m_hIpCameraMenu, MF_STRING | MF_GRAYED, 0, kNoIpCameraText);
  // Checked already when the tray menu opens, not only once the submenu does.
  UpdateMenuState(m_hIpCameraMenu);
  int position = MenuTitle(m_hTrayPopup, 0) == kCameraMenuTitle ? 1 : 0;
  InsertMenuW(m_hTrayPopup, static_cast<UINT>(position), MF_BYPOSITION | MF_POPUP,
              reinterpret_cast<UINT_PTR>(m_hIpCameraMenu), kIpCameraMenuTitle);
  m_skinMenu.Attach(m_hTrayPopup);
}

void CTrayWindow::CheckCameraItem(int command, int first, int last) {
  if (m_hTrayPopup != nullptr && last >= first)
    CheckMenuRadioItem(m_hTrayPopup, static_cast<UINT>(first), static_cast<UINT>(last), static_cast<UINT>(command),
                       MF_BYCOMMAND);
  DrawMenuBar(m_hWnd);
}

void CTrayWindow::OnAbout() {
  CAboutBox about;
  about.DoModal(m_hWnd);
}

void CTrayWindow::RegisterDeviceChanges() {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return;
  using RegisterFn = HDEVNOTIFY(WINAPI*)(HANDLE, LPVOID, DWORD);
  auto registerFn = reinterpret_cast<RegisterFn>(
      reinterpret_cast<void*>(GetProcAddress(user32, "RegisterDeviceNotificationW")));
  m_pUnregisterDeviceNotification = reinterpret_cast<UnregisterFn>(
      reinterpret_cast<void*>(GetProcAddress(user32, "UnregisterDeviceNotification")));
  if (registerFn == nullptr) return;
  DEV_BROADCAST_DEVICEINTERFACE_W filter = {};
  static_assert(sizeof filter == 32, "the filter record the platform expects");
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = kVideoCaptureClass;
  m_hDevNotify = registerFn(m_hWnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void CTrayWindow::UnregisterDeviceChanges() {
  if (m_hDevNotify != nullptr && m_pUnregisterDeviceNotification != nullptr)
    m_pUnregisterDeviceNotification(m_hDevNotify);
  m_hDevNotify = nullptr;
}

void CTrayWindow::OnDeviceChange(WPARAM event, LPARAM data) {
  if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return;
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
  if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return;
  const auto* device = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(data);
  if (IsEqualGUID(device->dbcc_classguid, kVideoCaptureClass)) m_controller.RefreshCameras();
}

void CTrayWindow::ExitProgram(bool ask) {
  if (g_Module.IsExiting()) return;
  if (ask) {
    std::wstring question = L"~温馨提示~  您确定关闭 [" + LoadText(IDS_PRODUCT_NAME) + L"] 吗？";
    if (lookout::ShowTimedMessage(question, MB_YESNO | MB_ICONINFORMATION | MB_SYSTEMMODAL, kQuestionTime) != IDYES)
      return;
  }
  // The stop control may have come while the question was open.
  if (!g_Module.BeginExit()) return;
  if (!ask) CMessageBox::CloseAll();

  if (m_controller.CameraMenuBuilt() && m_hTrayMenu != nullptr) {
    DestroyMenu(m_hTrayMenu);
    m_hTrayMenu = m_hTrayPopup = nullptr;
  }
  DeleteTrayIcon();
  StopVirtualCameraServer();
  UnregisterDeviceChanges();
  // Our own stop control comes back to the handler, which sees the exit under way.
  if (ask) g_Module.Stop();
  ::EndDialog(m_hWnd, IDOK);
}

// ---- ControllerUi, PlatformUi, PageHost, IpCameraUi ----------------------------------------

int CTrayWindow::ShowTimedMessage(const std::wstring& text, unsigned style, int autoCloseMs) {
  return lookout::ShowTimedMessage(text, style, autoCloseMs);
}

void CTrayWindow::DebugOutput(const std::wstring& text) { OutputDebugStringW(text.c_str()); }

void CTrayWindow::StartPublishingTimer() {
  StartTimer(m_hWnd, kPublishingTimerId, kPublishingTimerMs);
  m_bPublishingTimer = true;
}

void CTrayWindow::StopPublishingTimer() {
  KillTimer(m_hWnd, kPublishingTimerId);
  m_bPublishingTimer = false;
}

void CTrayWindow::ShowPage(PageId page) {
  m_flow.Show(page);
  for (PageId p : {PageId::Load, PageId::Login, PageId::Register, PageId::Bind, PageId::Experience}) {
    HWND w = PageWindow(p);
    if (w != nullptr) ShowWindow(w, p == page ? SW_SHOW : SW_HIDE);
  }
}

void CTrayWindow::ShowBindPage() {
  m_bind->RefreshList();
  ShowPage(m_flow.OnSignedIn());
}

void CTrayWindow::ShowExperiencePage(bool wait) {
  m_experience->Begin(wait);
  ShowPage(m_flow.OnBound());
}

bool CTrayWindow::RunCheckDialog() {
  CCheckUserDlg check([this](const std::wstring& user, const std::wstring& password) {
    return m_platform.RemoveBinding(user, password);
  });
  return check.DoModal(m_hWnd) == IDOK;
}

void CTrayWindow::StartCountdown() { m_register->StartCountdown(); }
void CTrayWindow::StopCountdown() { m_register->StopCountdown(); }
void CTrayWindow::DrawCountdown(const std::wstring& text) { m_register->DrawCountdown(text); }

uintptr_t CTrayWindow::RunProgram(const std::wstring& commandLine) { return ExecuteProgram(commandLine); }

bool CTrayWindow::RunLoginDialog(std::wstring* user, std::wstring* password) {
  CDlgLogin login(*user, *password);
  if (login.DoModal(m_hWnd) != IDOK) return false;
  *user = login.User();
  *password = login.Password();
  return true;
}

void CTrayWindow::RunHiddenInTurn(const std::vector<std::wstring>& commandLines) {
  // A thread of its own waits for each program; it holds nothing of the window.
  std::thread([commandLines] {
    for (std::wstring line : commandLines) {  // a copy: the call may write into it
      STARTUPINFOW startup = {};
      startup.cb = sizeof startup;
      startup.dwFlags = STARTF_USESHOWWINDOW;
      startup.wShowWindow = SW_HIDE;
      PROCESS_INFORMATION process = {};
      if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        continue;
      CloseHandle(process.hThread);
      WaitForSingleObject(process.hProcess, kProgramWaitMs);
      CloseHandle(process.hProcess);
    }
  }).detach();
}

}  // namespace lookout

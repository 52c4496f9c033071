// CTrayWindow: the main window, run modally on the main thread. It owns the tray icon and
// menu, the publishing timer, the five pages, the camera-in-use prompt, the camera
// controller, the platform client and the login state; a close request asks the exit
// question, and a stop of the service ends it without asking.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "camera_bridges.h"
#include "camera_controller.h"
#include "gif_animation.h"
#include "page_flow.h"
#include "pages.h"
#include "platform_bridge.h"
#include "platform_client.h"
#include "settings_file.h"
#include "skin_dialog.h"
#include "skin_menu.h"
#include "tray_menu_model.h"
#include "use_prompt.h"
#include "web_transport.h"

namespace lookout {

// Posted by the service's stop control.
constexpr UINT WM_SERVICE_STOP = WM_APP + 1;
// Rookery's camera-list notification (received and ignored).
constexpr UINT WM_CAMLIST_NOTIFY = 3482;
// The tray icon's callback message and icon id.
constexpr UINT WM_TRAY_NOTIFY = 1124;
constexpr UINT kTrayIconId = 128;
constexpr int kMainWindowWidth = 563;
constexpr int kMainWindowHeight = 426;
// {65E8773D-8F56-11D0-A3B9-00A0C9223196}: video capture devices.
constexpr GUID kVideoCaptureClass = {0x65e8773d, 0x8f56, 0x11d0, {0xa3, 0xb9, 0x00, 0xa0, 0xc9, 0x22, 0x31, 0x96}};

class CTrayWindow : public CSkinDialog,
                    private ControllerUi,
                    private PlatformUi,
                    private PageHost,
                    private IpCameraUi {
 public:
  CTrayWindow();
  ~CTrayWindow() override;

  // Runs the window; returns when the program is to end.
  INT_PTR DoModal();

  // What the window shows and holds, for whoever drives it (tests, the demo).
  const CameraController& Controller() const { return m_controller; }
  PageId ShownPage() const { return m_flow.Shown(); }
  int PageIndex() const { return m_flow.PageIndex(); }
  HWND PageWindow(PageId page) const;
  CLoadPage* LoadPage() const { return m_load.get(); }
  CExperiencePage* ExperiencePage() const { return m_experience.get(); }
  CUsePromptWnd* Prompt() const { return m_prompt.get(); }
  HMENU TrayMenu() const { return m_hTrayPopup; }
  bool TrayIconAdded() const { return m_bTrayIconAdded; }
  bool PublishingTimerRunning() const { return m_bPublishingTimer; }
  const LoginInfo& Login() { return m_platform.Login(); }

 protected:
  BOOL OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
  void OnCommand(UINT id, UINT code, HWND control) override;

 private:
  void OnSysCommand(WPARAM command);
  void OnTrayNotify(WPARAM icon, LPARAM event);
  void OnDeviceChange(WPARAM event, LPARAM data);
  void AddTrayIcon();
  void DeleteTrayIcon();
  void ShowTrayMenu();
  void UpdateMenuState(HMENU popup);
  void RefreshIpCameraMenu();
  void ShowMainWindow();
  void OnAbout();
  // The exit question (when `ask`), then the steps of leaving; once only.
  void ExitProgram(bool ask);
  void RegisterDeviceChanges();
  void UnregisterDeviceChanges();
  std::wstring MenuTitle(HMENU menu, int position);

  // ControllerUi
  int ShowTimedMessage(const std::wstring& text, unsigned style, int autoCloseMs) override;
  void DebugOutput(const std::wstring& text) override;
  void StopPublishingTimer() override;
  void SetCameraMenu(const std::vector<CameraMenuItem>& items) override;
  void CheckCameraItem(int command, int first, int last) override;
  // PlatformUi
  void ShowBindPage() override;
  void ShowExperiencePage(bool wait) override;
  bool RunCheckDialog() override;
  void StartCountdown() override;
  void StopCountdown() override;
  void DrawCountdown(const std::wstring& text) override;
  uintptr_t RunProgram(const std::wstring& commandLine) override;
  // PageHost
  PlatformClient& Platform() override { return m_platform; }
  const ServiceSettings& Settings() override;
  void ShowPage(PageId page) override;
  void HideMainWindow() override;
  void StartPublishingTimer() override;
  // IpCameraUi
  bool RunLoginDialog(std::wstring* user, std::wstring* password) override;
  void RunHiddenInTurn(const std::vector<std::wstring>& commandLines) override;

  ProfileSettingsStore m_store;
  LanternCameraServer m_server;
  CameraController m_controller;
  WinInetTransport m_transport;
  LanternRendezvous m_rendezvous;
  PlatformClient m_platform;
  PageFlow m_flow;

  std::unique_ptr<GdiplusSession> m_gdiplus;
  std::unique_ptr<CLoadPage> m_load;
  std::unique_ptr<CLoginPage> m_loginPage;
  std::unique_ptr<CRegisterPage> m_register;
  std::unique_ptr<CBindPage> m_bind;
  std::unique_ptr<CExperiencePage> m_experience;
  std::unique_ptr<CUsePromptWnd> m_prompt;
  std::unique_ptr<RookeryCameraList> m_ipCameras;

  CSkinMenu m_skinMenu;
  HMENU m_hTrayMenu = nullptr;   // the menu resource
  HMENU m_hTrayPopup = nullptr;  // its first submenu, the tray menu
  HMENU m_hIpCameraMenu = nullptr;
  bool m_bTrayIconAdded = false;
  bool m_bPublishingTimer = false;
  bool m_bShownOnce = false;
  UINT m_uTaskbarCreated = 0;
  HDEVNOTIFY m_hDevNotify = nullptr;
  using UnregisterFn = BOOL(WINAPI*)(HDEVNOTIFY);
  UnregisterFn m_pUnregisterDeviceNotification = nullptr;
};

}  // namespace lookout

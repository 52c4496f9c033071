#include "service_app.h"

#include <commctrl.h>
#include <objbase.h>

#include "SkinResourceManager.h"
#include "VeneerManager.h"
#include "command_line.h"
#include "message_box.h"
#include "service_module.h"
#include "settings_file.h"
#include "tray_window.h"
#include "win_text.h"

namespace lookout {

CServiceApp g_App;

namespace {

constexpr int kNoticeTime = 5000;

void CommandFailed(const wchar_t* text) { MessageBoxW(nullptr, text, g_Module.ServiceName(), MB_OK); }

}  // namespace

BOOL CServiceApp::InitInstance(HINSTANCE instance) {
  // The common controls stand in for the framework's control container and 3-D controls.
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  g_Module.Init(instance);

  switch (ParseCommandLine(GetCommandLineW())) {
    case CommandWord::Install:
      if (!g_Module.Install()) CommandFailed(L"Install Service Error");
      return FALSE;
    case CommandWord::Uninstall:
      if (!g_Module.Uninstall()) CommandFailed(L"Uninstall Service Error");
      return FALSE;
    case CommandWord::Start:
      if (!g_Module.Start()) CommandFailed(L"Start Service Error");
      return FALSE;
    case CommandWord::Stop:
      if (!g_Module.Stop()) CommandFailed(L"Stop Service Error");
      return FALSE;
    case CommandWord::Usage:
      CommandFailed(UsageText().c_str());
      return FALSE;
    case CommandWord::None:
      break;
  }

  // Started by the SCM, the program is also a service; started by a user, an application.
  g_Module.ConnectDispatcher();
  Run();
  g_Module.DisconnectDispatcher();
  return FALSE;
}

void CServiceApp::Run() {
  m_strSettingsPath = SettingsPathFor(ModulePath());
  if (m_strSettingsPath.empty()) {
    MessageBoxW(nullptr, L"GetModuleFileName() not *.exe", g_Module.ServiceName(), MB_OK);
    return;
  }
  CoInitialize(nullptr);

  PrepareSkin();

  HANDLE running = OpenEventW(EVENT_ALL_ACCESS, FALSE, kInstanceEventName);
  if (running != nullptr) {
    ShowTimedMessage(L"进程Lookout已经启动了一个实例", 0, kNoticeTime);
    CloseHandle(running);
  } else {
    m_hInstanceEvent = CreateEventW(nullptr, FALSE, FALSE, kInstanceEventName);
    if (m_hInstanceEvent == nullptr) {
      ShowTimedMessage(L"进程Lookout启动失败", 0, kNoticeTime);
    } else {
      g_Module.m_dwThreadID = GetCurrentThreadId();
      g_Module.LogEvent(L"Service started");
      if (g_Module.m_bService) g_Module.SetStatus(SERVICE_RUNNING);

      CTrayWindow window;
      m_pMainWnd = &window;
      window.DoModal();
      m_pMainWnd = nullptr;
    }
  }
  Shutdown();
}

void CServiceApp::PrepareSkin() {
  SkinPaths paths = PrepareSkinPaths();
  UnpackSkin(paths);
  m_languages.Load(paths.tempFolder + L"Skins");
  m_skinSettings.SetFolder(paths.tempFolder + L"Skins", true);
  CSkinResourceManager::GetInstance()->Install(L"default_skin", L"default.xml");
}

void CServiceApp::ReleaseSkin() {
  m_languages.Free();
  m_skinSettings.DeleteMenuFont();
  CVeneerManager::DestroyInstance();
  CSkinResourceManager::DestroyInstance();
  RemoveSkinFiles(PrepareSkinPaths());
}

void CServiceApp::Shutdown() {
  ReleaseSkin();
  CoUninitialize();
  if (m_hInstanceEvent != nullptr) {
    CloseHandle(m_hInstanceEvent);
    m_hInstanceEvent = nullptr;
  }
}

bool CServiceApp::ReadSettings() {
  ProfileSettingsStore store(m_strSettingsPath);
  return lookout::ReadSettings(store, *this);
}

bool CServiceApp::WriteSettings() {
  ProfileSettingsStore store(m_strSettingsPath);
  return lookout::WriteSettings(store, *this);
}

}  // namespace lookout

// CServiceApp: the application object. Start-up reads the command line and either runs one
// service operation or the application: skin, single instance, "Service started", the main
// window, and the shutdown in its fixed order.
#pragma once

#include <windows.h>

#include <string>

#include "settings.h"
#include "skin_setup.h"

namespace lookout {

class CTrayWindow;

constexpr wchar_t kInstanceEventName[] = L"Global//Tessal/KvCamserver";

class CServiceApp : public ServiceSettings {
 public:
  // Always FALSE: the process ends when it returns.
  BOOL InitInstance(HINSTANCE instance);

  bool ReadSettings();
  bool WriteSettings();

  // The skin for this process: package unpacked, language table, skin settings folder and
  // menu font, the control skin installed in Veneer; and all of it undone.
  void PrepareSkin();
  void ReleaseSkin();

  CTrayWindow* m_pMainWnd = nullptr;
  std::wstring m_strSettingsPath;
  CSkinSettings m_skinSettings;
  CLanguageTable m_languages;

 private:
  void Run();
  void Shutdown();

  HANDLE m_hInstanceEvent = nullptr;
};

extern CServiceApp g_App;

}  // namespace lookout

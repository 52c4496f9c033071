// Lookout.exe: the service program and tray application.
#include <windows.h>

#include "service_app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  // Start-up reports failure to the framework in every case: no message loop follows.
  lookout::g_App.InitInstance(instance);
  return 0;
}

#include <windows.h>

#include "log_file.h"

// Only the log is made and ended here; everything else waits for the first call.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    lantern::CreateLibraryLog(instance);
  } else if (reason == DLL_PROCESS_DETACH) {
    lantern::DestroyLibraryLog();
  }
  return TRUE;
}

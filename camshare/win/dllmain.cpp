#include <windows.h>

#include "Rookery.h"
#include "rookery_state.h"

// At process exit the plug-ins may already be detached and other threads are gone: the
// play table is dropped without calling into them.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    camshare::win::SetOwnModule(instance);
  } else if (reason == DLL_PROCESS_DETACH) {
    if (reserved != nullptr) {
      camshare::win::Plays().Abandon();
      return TRUE;
    }
    StopCameraPlay();
    CamSearchMgr::ReleaseInstance();
    camshare::win::SetOwnModule(nullptr);
  }
  return TRUE;
}

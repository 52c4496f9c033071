// Orvelgate.dll: starts NetClient when loaded and shuts it down when unloaded; a refusal of
// NetClient's configuration call refuses the load.
#include <windows.h>

#include <new>

#include "NetClient.h"
#include "orvel_camera_handle.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    NC_Startup(0, 0, 0, 0, 0);
    return NC_Configure(2, 1) != 0 ? TRUE : FALSE;
  }
  if (reason == DLL_PROCESS_DETACH) return NC_Cleanup() != 0 ? TRUE : FALSE;
  return TRUE;
}

extern "C" __declspec(dllexport) ICameraHandle* CreateKVCameraHandleObject() {
  return new (std::nothrow) orvelgate::COrvelCameraHandle;
}

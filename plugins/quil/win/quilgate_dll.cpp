// Quilgate.dll: exports only the factory; attach and detach do nothing.
#include <windows.h>

#include "CamShare.h"
#include "quil_camera_handle.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}

extern "C" __declspec(dllexport) ICameraHandle* CreateKVCameraHandleObject() {
  try {
    return quilgate::win::CQuilCameraHandle::Create();
  } catch (...) {
    return nullptr;
  }
}

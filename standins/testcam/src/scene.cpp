#include "scene.h"

#include "testcam/test_camera.h"

namespace testcam {

int ReadScene() {
  DWORD value = 0;
  DWORD bytes = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, kSceneKey, kSceneValue, RRF_RT_REG_DWORD, nullptr,
                   &value, &bytes) != ERROR_SUCCESS)
    return 0;
  return static_cast<int>(value);
}

HRESULT WriteScene(int scene) {
  HKEY key = nullptr;
  LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, kSceneKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &key, nullptr);
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  DWORD value = static_cast<DWORD>(scene);
  rc = RegSetValueExW(key, kSceneValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                      sizeof value);
  RegCloseKey(key);
  return HRESULT_FROM_WIN32(rc);
}

}  // namespace testcam

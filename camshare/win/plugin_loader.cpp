// The camera-handle plug-ins: one library per camera family, found beside Rookery by the
// family's "CameraDllName" in "DoderadIrava.ini".
#include <windows.h>

#include <string>

#include "Rookery.h"
#include "profile_file.h"
#include "rookery_state.h"
#include "text_codec.h"

using namespace camshare;
using namespace camshare::win;

const wchar_t* CamSearchMgr::GetDllFullPath(HMODULE module, const wchar_t* fileName) {
  return PathBesideModule(module, fileName, DllPathBuffer());
}

int CamSearchMgr::LoadCameraDll(HMODULE module) {
  return NoThrow(1, [&] {
    ProfileFile config(GetMonitorGWConfigFile(module));
    LockGuard guard(ListLock());
    for (CAMLIST_ITEM* record : m_listCamer) {
      std::string type = FieldText(record->cameratype, sizeof record->cameratype);
      if (FindCameraInstance(&type[0]) != nullptr) continue;
      std::wstring fileName = config.GetString(Codec().AnsiToWide(type), L"CameraDllName", L"orvel",
                                               kPathCapacity);
      std::wstring path = GetDllFullPath(module, fileName.c_str());
      if (path.empty()) continue;
      // The plug-in finds its own dependent libraries in its directory.
      std::wstring directory = path.substr(0, path.find_last_of(L'\\'));
      SetCurrentDirectoryW(directory.c_str());
      HMODULE library = LoadLibraryW(path.c_str());
      if (library == nullptr) continue;
      auto factory = reinterpret_cast<CreateKVCameraHandleObjectProc>(
          reinterpret_cast<void*>(GetProcAddress(library, KV_CAMERA_FACTORY_NAME)));
      if (factory == nullptr) {
        FreeLibrary(library);
        continue;
      }
      CameraDllInstance instance = {};
      PutField(instance.name, sizeof instance.name, type.c_str(), Codec());
      instance.module = library;
      instance.factory = factory;
      m_dllInstanceMap.push_back(instance);
    }
    return 1;
  });
}

int CamSearchMgr::ReleaseCameraDll() {
  // Handle objects first: their code lives in the libraries.
  Plays().StopAll();
  for (const CameraDllInstance& instance : m_dllInstanceMap) FreeLibrary(instance.module);
  m_dllInstanceMap.clear();
  return 1;
}

CameraDllInstance* CamSearchMgr::FindCameraInstance(char* type) {
  if (Singleton() == nullptr) GetInstance(nullptr);
  if (type == nullptr) return nullptr;
  return NoThrow(static_cast<CameraDllInstance*>(nullptr), [&]() -> CameraDllInstance* {
    for (CameraDllInstance& instance : m_dllInstanceMap) {
      if (EqualsNoCase(FieldText(instance.name, sizeof instance.name), type)) return &instance;
    }
    return nullptr;
  });
}

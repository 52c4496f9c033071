#include "rookery_state.h"

#include <atomic>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "win_text_codec.h"

namespace camshare::win {

namespace {

class SystemTicks : public common::Clock {
 public:
  uint32_t NowMs() const override { return GetTickCount(); }
};

// Constructed when the library loads, in this order, and destroyed in reverse.
CriticalSection g_listLock;
CriticalSection g_playLock;
CriticalSection g_registryLock;
CallbackRegistry g_registry(g_registryLock);
PlayTable g_plays(g_playLock, g_registry);

SystemTicks g_systemTicks;
std::atomic<const common::Clock*> g_clock{&g_systemTicks};

HMODULE g_ownModule = nullptr;
CamSearchMgr* g_singleton = nullptr;
wchar_t g_mode[kModeCapacity];
wchar_t g_cameraString[kPathCapacity];
wchar_t g_configPath[kPathCapacity];
wchar_t g_dllPath[kPathCapacity];

void Anchor() {}

}  // namespace

HMODULE CodeModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&Anchor), &module);
  return module;
}

HMODULE ReferenceCodeModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&Anchor),
                     &module);
  return module;
}

HMODULE OwnModule() { return g_ownModule != nullptr ? g_ownModule : CodeModule(); }
void SetOwnModule(HMODULE module) { g_ownModule = module; }

CriticalSection& ListLock() { return g_listLock; }
CallbackRegistry& Registry() { return g_registry; }
PlayTable& Plays() { return g_plays; }

CamSearchMgr*& Singleton() { return g_singleton; }
wchar_t* ModeBuffer() { return g_mode; }
wchar_t* CameraStringBuffer() { return g_cameraString; }
wchar_t* ConfigPathBuffer() { return g_configPath; }
wchar_t* DllPathBuffer() { return g_dllPath; }

const TextCodec& Codec() { return AnsiCodec::Instance(); }

uint32_t Ticks() { return g_clock.load()->NowMs(); }
void SetTickSourceForTesting(const common::Clock* clock) {
  g_clock.store(clock != nullptr ? clock : &g_systemTicks);
}

const wchar_t* PathBesideModule(HMODULE module, const wchar_t* name, wchar_t* buffer) {
  buffer[0] = L'\0';
  wchar_t path[kPathCapacity];
  DWORD n = GetModuleFileNameW(module, path, kPathCapacity);
  if (n == 0 || n >= kPathCapacity) return buffer;
  // Drive and directory: everything up to the last separator.
  std::wstring joined(path, n);
  size_t cut = joined.find_last_of(L"\\/");
  joined.resize(cut == std::wstring::npos ? 0 : cut + 1);
  if (name != nullptr) joined += name;
  if (joined.size() >= kPathCapacity) return buffer;
  std::wmemcpy(buffer, joined.c_str(), joined.size() + 1);
  return buffer;
}

}  // namespace camshare::win

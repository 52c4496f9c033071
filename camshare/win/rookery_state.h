// Process-wide state of the library: its own module, the list lock, the play table and the
// callback registry, the singleton, the mode and the shared result buffers, the tick source.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/clock.h"
#include "critical_section.h"
#include "play_table.h"
#include "text_codec.h"

class CamSearchMgr;

namespace camshare::win {

constexpr size_t kPathCapacity = 260;
constexpr size_t kModeCapacity = 100;

// Recorded when the library attaches; otherwise the module that holds this code.
HMODULE OwnModule();
void SetOwnModule(HMODULE module);
// The module that holds this code, with one more reference (for threads that outlive a
// FreeLibrary of the caller's).
HMODULE ReferenceCodeModule();
HMODULE CodeModule();

CriticalSection& ListLock();
CallbackRegistry& Registry();
PlayTable& Plays();

CamSearchMgr*& Singleton();
wchar_t* ModeBuffer();
wchar_t* CameraStringBuffer();
wchar_t* ConfigPathBuffer();
wchar_t* DllPathBuffer();

const TextCodec& Codec();

// Milliseconds of the system tick counter, or of the clock a test installs.
uint32_t Ticks();
void SetTickSourceForTesting(const common::Clock* clock);

// Runs `body`; running out of memory gives `failed` rather than an exception that would
// leave the library.
template <typename T, typename Body>
T NoThrow(T failed, Body&& body) {
  try {
    return body();
  } catch (...) {
    return failed;
  }
}

// "<drive><directory of module>" + name into `buffer` (kPathCapacity); empty when the
// result does not fit.
const wchar_t* PathBesideModule(HMODULE module, const wchar_t* name, wchar_t* buffer);

}  // namespace camshare::win

// What the setup test reads back from the system: registry exports and their differences,
// the service manager's record, video input devices as either kind of program sees them,
// version resources and shortcuts.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "service_record.h"

namespace setup_test {

// "/unix/path" as Wine's Z: drive sees it.
std::wstring WinePath(const std::string& unixPath);
std::string Narrow(const std::wstring& text);
// True when this 32-bit program runs on 64-bit Windows (or in a 64-bit Wine prefix).
bool IsWow64();
// The system folder of native programs ("sysnative" from a 32-bit program on 64-bit Windows).
std::wstring NativeSystemFolder();
std::wstring KnownFolder(int csidl);
// Runs a command line and waits up to `timeoutMs`; the exit code, or ~0u when it did not end.
DWORD RunCommand(const std::wstring& commandLine, DWORD timeoutMs, const std::wstring& outputFile = L"");

// A registry export: key path -> its value lines, as "reg export" writes them.
using RegistrySnapshot = std::map<std::wstring, std::wstring>;
RegistrySnapshot ParseRegExport(const std::wstring& text);
// HKLM (both views) and HKEY_USERS through the native reg.exe; files land in `folder`.
RegistrySnapshot ExportRegistry(const std::wstring& folder, const std::wstring& tag);
// Keys added, removed or changed from `before` to `after`, except under `ignored` prefixes.
std::vector<std::wstring> RegistryChanges(const RegistrySnapshot& before, const RegistrySnapshot& after,
                                          const std::vector<std::wstring>& ignored);

struct VideoDevice {
  std::string name, clsid, created;  // created: the filter's CLSID, "-" when it could not be made
  int mediaTypes = -1;               // offered by its first pin
};
// The devices listed by a setup_probe program; `ok` false when it did not run.
std::vector<VideoDevice> ListVideoDevices(const std::wstring& probe, const std::wstring& scratch, bool* ok);

// "a.b.c.d" of a binary's version resource, empty without one.
std::wstring FileVersion(const std::wstring& path);
// The program a shortcut starts, empty when it cannot be read.
std::wstring ShortcutTarget(const std::wstring& link);
// The id of a running process of that program name (0: none, or none within the time).
DWORD ProcessIdOf(const std::wstring& exeName);
DWORD WaitForProcess(const std::wstring& exeName, DWORD timeoutMs);
// Waits up to `timeoutMs` until no process named `exeName` runs.
bool WaitForProcessesGone(const std::wstring& exeName, DWORD timeoutMs);
std::wstring ReadRegString(HKEY root, const std::wstring& key, const std::wstring& name);
bool ReadRegDword(HKEY root, const std::wstring& key, const std::wstring& name, DWORD* value);
bool RegKeyExists(HKEY root, const std::wstring& key, REGSAM view = 0);

}  // namespace setup_test

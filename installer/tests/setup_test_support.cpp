#include "setup_test_support.h"

#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>

#include "child_process.h"
#include "wait_until.h"

namespace setup_test {

using lookout::test::ChildProcess;
using lookout::test::ReadFileBytes;

std::wstring WinePath(const std::string& unixPath) {
  std::wstring out = L"Z:";
  for (char c : unixPath) out += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
  return out;
}

std::string Narrow(const std::wstring& text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
  return out;
}

bool IsWow64() {
  BOOL wow = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow) && wow;
}

std::wstring NativeSystemFolder() {
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  return std::wstring(windows) + (IsWow64() ? L"\\sysnative\\" : L"\\system32\\");
}

std::wstring KnownFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return std::wstring();
  return path;
}

DWORD RunCommand(const std::wstring& commandLine, DWORD timeoutMs, const std::wstring& outputFile) {
  ChildProcess child;
  if (!child.Start(commandLine, outputFile)) return ~0u;
  if (!child.Wait(timeoutMs)) {
    child.Kill();
    return ~0u;
  }
  return child.ExitCode();
}

RegistrySnapshot ParseRegExport(const std::wstring& text) {
  RegistrySnapshot keys;
  std::wstring* current = nullptr;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find(L'\n', at);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    if (line.size() >= 2 && line.front() == L'[' && line.back() == L']') {
      current = &keys[line.substr(1, line.size() - 2)];
    } else if (current != nullptr && !line.empty()) {
      *current += line;
      *current += L'\n';
    }
  }
  return keys;
}

RegistrySnapshot ExportRegistry(const std::wstring& folder, const std::wstring& tag) {
  RegistrySnapshot all;
  for (const wchar_t* root : {L"HKLM", L"HKU"}) {
    std::wstring file = folder + L"registry-" + tag + L"-" + root + L".reg";
    DeleteFileW(file.c_str());
    RunCommand(L"\"" + NativeSystemFolder() + L"reg.exe\" export " + root + L" \"" + file + L"\" /y", 120000,
        folder + L"reg-export.log");
    std::string bytes = ReadFileBytes(file);
    // UTF-16 with its byte-order mark.
    std::wstring text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
    RegistrySnapshot part = ParseRegExport(text);
    all.insert(part.begin(), part.end());
  }
  return all;
}

std::vector<std::wstring> RegistryChanges(const RegistrySnapshot& before, const RegistrySnapshot& after,
                                          const std::vector<std::wstring>& ignored) {
  auto isIgnored = [&](const std::wstring& key) {
    for (const std::wstring& prefix : ignored) {
      if (key.size() >= prefix.size() && _wcsnicmp(key.c_str(), prefix.c_str(), prefix.size()) == 0) return true;
    }
    return false;
  };
  std::vector<std::wstring> changes;
  for (const auto& [key, values] : before) {
    if (isIgnored(key)) continue;
    auto it = after.find(key);
    if (it == after.end()) {
      changes.push_back(L"removed [" + key + L"]");
    } else if (it->second != values) {
      changes.push_back(L"changed [" + key + L"]:\n" + values + L"->\n" + it->second);
    }
  }
  for (const auto& [key, values] : after) {
    if (!isIgnored(key) && before.find(key) == before.end()) changes.push_back(L"added [" + key + L"]\n" + values);
  }
  return changes;
}

std::vector<VideoDevice> ListVideoDevices(const std::wstring& probe, const std::wstring& scratch, bool* ok) {
  std::wstring output = scratch + L"devices.txt";
  DeleteFileW(output.c_str());
  *ok = RunCommand(L"\"" + probe + L"\" devices", 120000, output) == 0;
  std::vector<VideoDevice> devices;
  std::string text = ReadFileBytes(output);
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t tab1 = line.find('\t');
    size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
    size_t tab3 = tab2 == std::string::npos ? tab2 : line.find('\t', tab2 + 1);
    if (tab3 == std::string::npos) continue;  // Wine's own diagnostics
    devices.push_back({line.substr(0, tab1), line.substr(tab1 + 1, tab2 - tab1 - 1),
                       line.substr(tab2 + 1, tab3 - tab2 - 1), std::atoi(line.c_str() + tab3 + 1)});
  }
  return devices;
}

std::wstring FileVersion(const std::wstring& path) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  if (size == 0) return std::wstring();
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return std::wstring();
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || info == nullptr)
    return std::wstring();
  wchar_t text[64];
  swprintf(text, 64, L"%u.%u.%u.%u", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
           HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
  return text;
}

std::wstring ShortcutTarget(const std::wstring& link) {
  std::wstring target;
  IShellLinkW* shell = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&shell))))
    return target;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t path[MAX_PATH] = {};
    if (SUCCEEDED(file->Load(link.c_str(), STGM_READ)) && SUCCEEDED(shell->GetPath(path, MAX_PATH, nullptr, 0)))
      target = path;
    file->Release();
  }
  shell->Release();
  return target;
}

DWORD ProcessIdOf(const std::wstring& exeName) {
  DWORD id = 0;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && id == 0; more = Process32NextW(snapshot, &entry)) {
    if (_wcsicmp(entry.szExeFile, exeName.c_str()) == 0) id = entry.th32ProcessID;
  }
  CloseHandle(snapshot);
  return id;
}

DWORD WaitForProcess(const std::wstring& exeName, DWORD timeoutMs) {
  DWORD id = 0;
  lookout::test::WaitUntil([&] { return (id = ProcessIdOf(exeName)) != 0; }, static_cast<int>(timeoutMs));
  return id;
}

bool WaitForProcessesGone(const std::wstring& exeName, DWORD timeoutMs) {
  return lookout::test::WaitUntil([&] { return ProcessIdOf(exeName) == 0; }, static_cast<int>(timeoutMs));
}

std::wstring ReadRegString(HKEY root, const std::wstring& key, const std::wstring& name) {
  wchar_t value[1024] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  if (RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
    return std::wstring();
  return value;
}

bool ReadRegDword(HKEY root, const std::wstring& key, const std::wstring& name, DWORD* value) {
  DWORD size = sizeof *value;
  return RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, value, &size) == ERROR_SUCCESS;
}

bool RegKeyExists(HKEY root, const std::wstring& key, REGSAM view) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

}  // namespace setup_test

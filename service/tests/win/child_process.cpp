#include "child_process.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace lookout::test {

std::wstring FreshTempFolder(const std::wstring& name) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  std::filesystem::create_directories(folder, ec);
  return folder;
}

std::wstring TestProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path);
  return p.substr(0, p.rfind(L'\\') + 1);
}

bool CopyInto(const std::wstring& from, const std::wstring& toFolder) {
  std::wstring name = from.substr(from.find_last_of(L"\\/") + 1);
  return CopyFileW(from.c_str(), (toFolder + name).c_str(), FALSE) != FALSE;
}

bool CopyTree(const std::wstring& from, const std::wstring& to) {
  std::error_code ec;
  std::filesystem::copy(from, to, std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing,
                        ec);
  return !ec;
}

std::string ReadFileBytes(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool ChildProcess::Start(const std::wstring& commandLine, const std::wstring& outputFile,
                         const std::vector<std::wstring>& extraEnv) {
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  HANDLE output = INVALID_HANDLE_VALUE;
  if (!outputFile.empty()) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    output = CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) return false;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = output;
    si.hStdError = output;
  }
  std::wstring env;
  if (!extraEnv.empty()) {
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
      std::wstring entry(p);
      bool replaced = false;
      for (const std::wstring& e : extraEnv)
        replaced |= _wcsnicmp(entry.c_str(), e.c_str(), e.find(L'=') + 1) == 0;
      if (!replaced) env.append(entry.c_str(), entry.size() + 1);
    }
    FreeEnvironmentStringsW(block);
    for (const std::wstring& e : extraEnv) env.append(e.c_str(), e.size() + 1);
    env.push_back(L'\0');
  }
  std::wstring line = commandLine;
  BOOL ok = CreateProcessW(nullptr, &line[0], nullptr, nullptr, output != INVALID_HANDLE_VALUE,
                           extraEnv.empty() ? 0 : CREATE_UNICODE_ENVIRONMENT, env.empty() ? nullptr : &env[0],
                           nullptr, &si, &m_info);
  if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
  return ok != FALSE;
}

ChildProcess::~ChildProcess() {
  if (m_info.hProcess != nullptr) {
    if (WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT) Kill();
    CloseHandle(m_info.hProcess);
    CloseHandle(m_info.hThread);
  }
}

bool ChildProcess::Wait(DWORD timeoutMs) {
  return m_info.hProcess != nullptr && WaitForSingleObject(m_info.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

DWORD ChildProcess::ExitCode() const {
  DWORD code = 0;
  GetExitCodeProcess(m_info.hProcess, &code);
  return code;
}

void ChildProcess::Kill() {
  TerminateProcess(m_info.hProcess, 99);
  WaitForSingleObject(m_info.hProcess, 5000);
}

}  // namespace lookout::test

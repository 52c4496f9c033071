#include "scenario.h"

#include <windows.h>

#include <fstream>
#include <sstream>

namespace rookery_test {

bool g_inScenario = false;

namespace {
std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }
std::wstring ProgramPath() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}
}  // namespace

std::wstring ProgramDirectory() {
  std::wstring p = ProgramPath();
  return p.substr(0, p.find_last_of(L'\\') + 1);
}

Scenario::Scenario(const std::string& name) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  dir_ = std::wstring(temp) + L"rookery-" + Widen(name) + L"-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  CreateDirectoryW(dir_.c_str(), nullptr);
  std::wstring self = ProgramPath();
  exeName_ = self.substr(self.find_last_of(L'\\') + 1);
  AddFile(exeName_);
  AddFile(L"Rookery.dll");
}

Scenario::~Scenario() {
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW((dir_ + L"*").c_str(), &found);
  if (h != INVALID_HANDLE_VALUE) {
    do DeleteFileW((dir_ + found.cFileName).c_str());
    while (FindNextFileW(h, &found));
    FindClose(h);
  }
  RemoveDirectoryW(dir_.c_str());
}

void Scenario::WriteConfig(const std::string& bytes) {
  std::ofstream((dir_ + L"DoderadIrava.ini").c_str(), std::ios::binary) << bytes;
}

void Scenario::AddFile(const std::wstring& name) {
  CopyFileW((ProgramDirectory() + name).c_str(), (dir_ + name).c_str(), FALSE);
}

bool Scenario::Run(const std::string& test, std::string* output) {
  std::wstring log = dir_ + L"child-output.txt";
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE out = CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOW start = {};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdOutput = start.hStdError = out;
  std::wstring exe = dir_ + exeName_;
  std::wstring command = L"\"" + exe + L"\" --in-scenario --gtest_color=no --gtest_filter=InScenario." + Widen(test);
  PROCESS_INFORMATION process = {};
  BOOL started = CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, dir_.c_str(),
                                &start, &process);
  CloseHandle(out);
  if (!started) return false;
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_TIMEOUT) {
    TerminateProcess(process.hProcess, 99);
    WaitForSingleObject(process.hProcess, 5000);
    *output = "scenario timed out\n";
  }
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  std::stringstream text;
  text << std::ifstream(log.c_str(), std::ios::binary).rdbuf();
  *output += text.str();
  // A child that ran no test (a wrong name) does not pass.
  return code == 0 && output->find("[  PASSED  ] 1 test") != std::string::npos;
}

}  // namespace rookery_test

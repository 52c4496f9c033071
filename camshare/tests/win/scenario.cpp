#include "scenario.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace rookery_test {

bool g_inScenario = false;

std::wstring ProgramDirectory() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path);
  return p.substr(0, p.find_last_of(L'\\') + 1);
}

namespace {

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

void RemoveTree(const std::wstring& dir) {
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW((dir + L"*").c_str(), &found);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(dir + name + L"\\");
      } else {
        DeleteFileW((dir + name).c_str());
      }
    } while (FindNextFileW(h, &found));
    FindClose(h);
  }
  RemoveDirectoryW(dir.c_str());
}

}  // namespace

Scenario::Scenario(const std::string& name) : sourceDir_(ProgramDirectory()) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  dir_ = std::wstring(temp) + L"rookery-" + Widen(name) + L"-" + std::to_wstring(GetCurrentProcessId()) +
         L"-" + std::to_wstring(GetTickCount()) + L"\\";
  CreateDirectoryW(dir_.c_str(), nullptr);
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring selfPath(self);
  exeName_ = selfPath.substr(selfPath.find_last_of(L'\\') + 1);
  CopyFileW(selfPath.c_str(), (dir_ + exeName_).c_str(), FALSE);
  AddFile(L"Rookery.dll");
}

Scenario::~Scenario() { RemoveTree(dir_); }

void Scenario::WriteConfig(const std::string& text) {
  std::ofstream out((dir_ + L"DoderadIrava.ini").c_str(), std::ios::binary);
  out << text;
}

void Scenario::AddFile(const std::wstring& name) {
  CopyFileW((sourceDir_ + name).c_str(), (dir_ + name).c_str(), FALSE);
}

bool Scenario::Run(const std::string& test, std::string* output) {
  std::wstring log = dir_ + L"child-output.txt";
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE out = CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  STARTUPINFOW start = {};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdOutput = out;
  start.hStdError = out;
  start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  std::wstring exe = dir_ + exeName_;
  std::wstring command = L"\"" + exe + L"\" --in-scenario --gtest_color=no --gtest_filter=InScenario." + Widen(test);
  PROCESS_INFORMATION process = {};
  BOOL started = CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                dir_.c_str(), &start, &process);
  CloseHandle(out);
  if (!started) {
    *output = "cannot start the scenario program";
    return false;
  }
  DWORD code = 1;
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_TIMEOUT) {
    TerminateProcess(process.hProcess, 99);
    WaitForSingleObject(process.hProcess, 5000);
    *output = "scenario timed out\n";
  }
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  std::ifstream in(log.c_str(), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  *output += text.str();
  // A child that ran no test (wrong name) does not pass.
  return code == 0 && output->find("[  PASSED  ] 1 test") != std::string::npos;
}

}  // namespace rookery_test

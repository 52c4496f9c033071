// Running a program from a test: its output into a file, its exit awaited with a bound.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace lookout::test {

// The system's temporary folder + `name` + this process's id, made afresh (emptied).
std::wstring FreshTempFolder(const std::wstring& name);
// The folder of the running test program, with a trailing backslash.
std::wstring TestProgramFolder();
bool CopyInto(const std::wstring& from, const std::wstring& toFolder);
// Copies a folder tree.
bool CopyTree(const std::wstring& from, const std::wstring& to);
std::string ReadFileBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);

class ChildProcess {
 public:
  // Starts `commandLine`; standard output and error go to `outputFile` when given. `extraEnv`
  // entries ("NAME=value") are added to this process's environment.
  bool Start(const std::wstring& commandLine, const std::wstring& outputFile = L"",
             const std::vector<std::wstring>& extraEnv = {});
  ~ChildProcess();
  DWORD Id() const { return m_info.dwProcessId; }
  HANDLE Handle() const { return m_info.hProcess; }
  // True when the process ended within `timeoutMs`.
  bool Wait(DWORD timeoutMs);
  DWORD ExitCode() const;
  void Kill();

 private:
  PROCESS_INFORMATION m_info = {};
};

}  // namespace lookout::test

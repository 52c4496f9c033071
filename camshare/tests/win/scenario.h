// A Rookery scenario: a fresh directory holding a copy of the test program, Rookery.dll,
// chosen test plug-ins and a "DoderadIrava.ini"; the copy runs one test in a child process,
// so every scenario starts with the library's process-wide state empty.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace rookery_test {

// Set by main when this process is a scenario's child.
extern bool g_inScenario;

class Scenario {
 public:
  explicit Scenario(const std::string& name);
  ~Scenario();
  Scenario(const Scenario&) = delete;
  Scenario& operator=(const Scenario&) = delete;

  // Bytes of the configuration file as written (lines end in CR LF).
  void WriteConfig(const std::string& text);
  void AddFile(const std::wstring& name);  // copied from the test program's directory
  // Runs InScenario.<test> in the copy; true when it passed. Its output goes to `output`.
  bool Run(const std::string& test, std::string* output);
  const std::wstring& dir() const { return dir_; }

 private:
  std::wstring dir_;
  std::wstring sourceDir_;
  std::wstring exeName_;
};

// The directory of this program, with a trailing backslash.
std::wstring ProgramDirectory();

}  // namespace rookery_test

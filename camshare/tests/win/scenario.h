// A Rookery scenario: a fresh directory with a copy of the test program, Rookery.dll, chosen
// test plug-ins and a "DoderadIrava.ini"; the copy runs one test in a child process.
#pragma once

#include <string>

namespace rookery_test {

extern bool g_inScenario;  // this process is a scenario's child

class Scenario {
 public:
  explicit Scenario(const std::string& name);
  ~Scenario();
  Scenario(const Scenario&) = delete;
  Scenario& operator=(const Scenario&) = delete;

  void WriteConfig(const std::string& bytes);
  void AddFile(const std::wstring& name);  // from the test program's directory
  // Runs InScenario.<test> in the copy; true when it passed. Its output goes to `output`.
  bool Run(const std::string& test, std::string* output);

 private:
  std::wstring dir_, exeName_;
};

std::wstring ProgramDirectory();  // with a trailing backslash

}  // namespace rookery_test

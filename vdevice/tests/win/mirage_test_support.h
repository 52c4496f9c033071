// Scenarios for Mirage's tests: each InScenario test runs in a child process in a fresh
// directory with Mirage.ax, Rookery.dll, the stand-in libraries and its own
// "DoderadIrava.ini", so that every scenario starts with Rookery's list unloaded.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "scenario.h"

#define IN_SCENARIO() \
  if (!rookery_test::g_inScenario) GTEST_SKIP()

namespace mirage_test {

struct IniCamera {
  std::string name;
  std::string ip = "127.0.0.1";
  std::string type = "quil";
  std::string user = "admin";
  std::string password = "123456";
  int webport = 80;
  int localport = 3000;
};

// The list file text for these cameras; orvel cameras are served by Orvelgate.dll.
std::string Ini(const std::vector<IniCamera>& cameras);
// "Device<type>@<ip>@<name>".
std::wstring CameraString(const IniCamera& camera);
// Writes the list file beside the program (inside a scenario, before Rookery reads it).
void WriteIni(const std::string& text);

// Runs InScenario.<test> with `config` as the list file (empty: the child writes its own).
void RunScenario(const std::string& test, const std::string& config);

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000);

// The NetClient stand-in's test controls (its ordinals 1001..1006).
struct NetClientStandin {
  HMODULE module = LoadLibraryW(L"NetClient.dll");
  std::string Log();
  void ClearLog();
  int Switch(const char* name, int value);
  int RaiseEvent(long handle, int event, int value);
  int FrameCount(long handle);
};

// The test program's main: plain runs skip the InScenario twins.
int Main(int argc, char** argv);

}  // namespace mirage_test

#include "mirage_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "netclient_standin.h"

namespace mirage_test {

namespace {

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

template <typename Fn>
Fn Ordinal(HMODULE module, int ordinal) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal))));
}

}  // namespace

std::string Ini(const std::vector<IniCamera>& cameras) {
  std::string ids, sections;
  for (size_t i = 0; i < cameras.size(); ++i) {
    char id[8];
    snprintf(id, sizeof id, "%04u#", static_cast<unsigned>(i));
    ids += id;
    const IniCamera& c = cameras[i];
    sections += "[Camera" + std::to_string(i) + "]\r\nsername=" + c.name + "\r\nurl=" + c.ip +
                "\r\ncameratype=" + c.type + "\r\nusername=" + c.user + "\r\nuserpassword=" +
                c.password + "\r\nwebport=" + std::to_string(c.webport) +
                "\r\nlocalport=" + std::to_string(c.localport) + "\r\n";
  }
  return "[system]\r\nCameraNumber=" + std::to_string(cameras.size()) + "\r\nCameraIDList=" + ids +
         "\r\n" + sections + "[orvel]\r\nCameraDllName=Orvelgate.dll\r\n";
}

std::wstring CameraString(const IniCamera& camera) {
  return L"Device" + Widen(camera.type) + L"@" + Widen(camera.ip) + L"@" + Widen(camera.name);
}

void WriteIni(const std::string& text) {
  std::ofstream((rookery_test::ProgramDirectory() + L"DoderadIrava.ini").c_str(), std::ios::binary) << text;
}

void RunScenario(const std::string& test, const std::string& config) {
  rookery_test::Scenario s(test);
  if (!config.empty()) s.WriteConfig(config);
  for (const wchar_t* file : {L"Mirage.ax", L"NetClient.dll", L"Orvelgate.dll", L"TestCam.ax",
                              L"Lantern.dll", L"Tremor.dll"})
    s.AddFile(file);
  std::string output;
  EXPECT_TRUE(s.Run(test, &output)) << output;
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(5);
  }
  return true;
}

std::string NetClientStandin::Log() {
  std::string text(65536, '\0');
  Ordinal<NCS_GetLogProc>(module, 1001)(&text[0], static_cast<int>(text.size()));
  text.resize(std::strlen(text.c_str()));
  return text;
}
void NetClientStandin::ClearLog() { Ordinal<NCS_ClearLogProc>(module, 1002)(); }
int NetClientStandin::Switch(const char* name, int value) {
  return Ordinal<NCS_SetSwitchProc>(module, 1003)(name, value);
}
int NetClientStandin::RaiseEvent(long handle, int event, int value) {
  return Ordinal<NCS_RaiseEventProc>(module, 1004)(handle, event, value);
}
int NetClientStandin::FrameCount(long handle) { return Ordinal<NCS_FrameCountProc>(module, 1006)(handle); }

int Main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) rookery_test::g_inScenario |= std::strcmp(argv[i], "--in-scenario") == 0;
  if (!rookery_test::g_inScenario) {
    std::string filter = ::testing::GTEST_FLAG(filter);
    ::testing::GTEST_FLAG(filter) = filter + (filter.find('-') == std::string::npos ? "-" : ":") + "InScenario.*";
  }
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  const int result = RUN_ALL_TESTS();
  CoUninitialize();
  return result;
}

}  // namespace mirage_test

// The demo's Lookout step: the stand-in web platform on loopback, a copy of Lookout pointed at
// it, the main window opened and kept as a screenshot, then the exit question answered.
// Runs only inside the network namespace of scripts/netns-run.sh.
//   lookout_demo OUTPUT_FOLDER
#include <windows.h>

#include <cstdio>
#include <string>

#include "child_process.h"
#include "lookout_copy.h"
#include "screenshot.h"
#include "web_server.h"
#include "window_finder.h"

using namespace lookout::test;

namespace {

std::string Utf8(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::string problem = TestNetworkProblem();
  if (!problem.empty()) {
    std::fprintf(stderr, "lookout_demo: refusing to start Lookout: %s\n", problem.c_str());
    return 1;
  }
  if (argc < 2) {
    std::fprintf(stderr, "usage: lookout_demo OUTPUT_FOLDER\n");
    return 2;
  }
  std::wstring out = argv[1];
  standins::web::WebPlatformServer server;
  LookoutCopy copy(L"demo");
  if (!server.Start() || !copy.Ready()) return 1;
  copy.PointAt(server.HostText());
  std::printf("web platform stand-in on %s\n", server.HostText().c_str());

  ChildProcess lookout;
  if (!lookout.Start(L"\"" + copy.Exe() + L"\"")) return 1;
  HWND main = WaitForWindow(lookout.Id(), L"澄望警示器", 60000);
  if (main == nullptr) {
    std::fprintf(stderr, "lookout_demo: the main window did not open\n");
    return 1;
  }
  std::vector<std::wstring> labels = StaticTexts(main);
  std::printf("Lookout (process %lu) shows its main window: %s\n", lookout.Id(),
              Utf8(labels.empty() ? L"" : labels.front()).c_str());
  RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  if (lookout::testing::SavePng(lookout::testing::Grab(main), out + L"\\lookout-main-window.png"))
    std::printf("screenshot: lookout-main-window.png\n");

  PostMessageW(main, WM_CLOSE, 0, 0);
  HWND question = WaitForWindow(lookout.Id(), L"警示器虚拟终端", 10000);
  if (question != nullptr) {
    std::vector<std::wstring> texts = StaticTexts(question);
    std::printf("exit question: %s\n", Utf8(texts.empty() ? L"" : texts.front()).c_str());
    PressButton(question, IDOK);
  }
  if (!lookout.Wait(30000)) return 1;
  std::printf("Lookout ended with %lu; platform requests: %zu\n", lookout.ExitCode(), server.Requests().size());
  for (const std::string& r : server.Requests()) std::printf("  GET %s\n", r.c_str());
  return 0;
}

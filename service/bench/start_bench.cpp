// Start-up benchmark (not a test): Lookout.exe from process creation until its main window
// is shown and until its tray icon is there, skin unpacking included, several runs and
// their medians. Runs only inside the
// network namespace of scripts/netns-run.sh, like every start of Lookout's main window.
//   lookout_start_bench [RUNS]
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "child_process.h"
#include "lookout_copy.h"
#include "web_server.h"
#include "window_finder.h"

using namespace lookout::test;

int main(int argc, char** argv) {
  std::string problem = TestNetworkProblem();
  if (!problem.empty()) {
    std::fprintf(stderr, "lookout_start_bench: refusing to start Lookout: %s\n", problem.c_str());
    return 1;
  }
  int runs = argc > 1 ? std::atoi(argv[1]) : 7;
  if (runs < 1 || runs > 50) runs = 7;

  standins::web::WebPlatformServer server;
  LookoutCopy copy(L"bench");
  if (!server.Start() || !copy.Ready()) {
    std::fprintf(stderr, "lookout_start_bench: cannot prepare the program copy or the web platform\n");
    return 1;
  }
  copy.PointAt(server.HostText());

  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::vector<double> times, trayTimes;
  for (int i = 0; i < runs; ++i) {
    LARGE_INTEGER start, shown;
    QueryPerformanceCounter(&start);
    ChildProcess lookout;
    if (!lookout.Start(L"\"" + copy.Exe() + L"\"")) return 1;
    HWND main = nullptr;
    for (int polls = 0; polls < 60000 && main == nullptr; ++polls) {
      std::vector<HWND> found = WindowsOf(lookout.Id(), L"澄望警示器");
      if (!found.empty()) main = found.front();
      else Sleep(1);
    }
    QueryPerformanceCounter(&shown);
    if (main == nullptr) {
      std::fprintf(stderr, "run %d: the main window did not open\n", i + 1);
      return 1;
    }
    // The icon is there once a change to it (a change of nothing) is accepted.
    LARGE_INTEGER tray;
    NOTIFYICONDATAW probe = {};
    probe.cbSize = sizeof probe;
    probe.hWnd = main;
    probe.uID = 128;
    bool iconShown = false;
    for (int polls = 0; polls < 30000 && !iconShown; ++polls) {
      iconShown = Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
      if (!iconShown) Sleep(1);
    }
    QueryPerformanceCounter(&tray);
    if (!iconShown) {
      std::fprintf(stderr, "run %d: the tray icon did not appear\n", i + 1);
      return 1;
    }
    auto msBetween = [&](const LARGE_INTEGER& a, const LARGE_INTEGER& b) {
      return 1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(frequency.QuadPart);
    };
    double ms = msBetween(start, shown), trayMs = msBetween(start, tray);
    times.push_back(ms);
    trayTimes.push_back(trayMs);
    std::printf("run %d: main window %.1f ms, tray icon %.1f ms\n", i + 1, ms, trayMs);
    std::fflush(stdout);

    PostMessageW(main, WM_CLOSE, 0, 0);
    HWND question = WaitForWindow(lookout.Id(), L"警示器虚拟终端", 10000);
    if (question != nullptr) PressButton(question, IDOK);
    if (!lookout.Wait(30000)) {
      std::fprintf(stderr, "run %d: Lookout did not end\n", i + 1);
      return 1;
    }
  }
  auto report = [runs](const char* what, std::vector<double> sorted) {
    std::sort(sorted.begin(), sorted.end());
    double median = sorted.size() % 2 ? sorted[sorted.size() / 2]
                                      : (sorted[sorted.size() / 2 - 1] + sorted[sorted.size() / 2]) / 2;
    std::printf("Lookout start-up to %s: median %.1f ms over %d runs (min %.1f, max %.1f)\n", what, median, runs,
                sorted.front(), sorted.back());
  };
  report("main window", times);
  report("tray icon", trayTimes);
  return 0;
}

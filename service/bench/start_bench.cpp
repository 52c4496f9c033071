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
#include "kvfilter_testing.h"
#include "lookout_copy.h"
#include "web_server.h"
#include "window_finder.h"

using namespace lookout::test;

namespace {

struct Search {
  DWORD pid;
  const wchar_t* caption;
  HWND found;
};

BOOL CALLBACK Visit(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<Search*>(p);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == s->pid && WindowText(w) == s->caption) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

// A top-level window of the process with this caption, shown or not.
HWND TopLevelWindow(DWORD pid, const wchar_t* caption) {
  Search s{pid, caption, nullptr};
  EnumWindows(Visit, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

const wchar_t kDriverService[] = L"KvUsbCameraFilter";

}  // namespace

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
  // Installed as the program is: with the camera filter driver (here its stand-in), whose
  // absence would hold the start-up in a 30-second message.
  kvtest::StopAndDeleteService(kDriverService);
  DWORD error = 0;
  if (!kvtest::CreateDriverService(kDriverService, kvtest::StandInDriverPath(), SERVICE_DEMAND_START, &error) ||
      !kvtest::StartDriverService(kDriverService, &error)) {
    std::fprintf(stderr, "lookout_start_bench: the filter-driver stand-in did not start (%lu)\n", error);
    return 1;
  }

  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::vector<double> times, trayTimes;
  for (int i = 0; i < runs; ++i) {
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    ChildProcess lookout;
    if (!lookout.Start(L"\"" + copy.Exe() + L"\"")) {
      std::fprintf(stderr, "run %d: Lookout could not be started (%lu)\n", i + 1, GetLastError());
      return 1;
    }
    // The main window is looked for hidden as well: the tray icon may come first.
    HWND main = nullptr;
    LARGE_INTEGER shown = {}, tray = {};
    bool isShown = false, iconShown = false;
    NOTIFYICONDATAW probe = {};
    probe.cbSize = sizeof probe;
    probe.uID = 128;
    for (int polls = 0; polls < 60000 && !(isShown && iconShown); ++polls) {
      if (main == nullptr) main = TopLevelWindow(lookout.Id(), L"澄望警示器");
      if (main != nullptr && !iconShown) {
        // The icon is there once a change to it (a change of nothing) is accepted.
        probe.hWnd = main;
        if (Shell_NotifyIconW(NIM_MODIFY, &probe)) {
          iconShown = true;
          QueryPerformanceCounter(&tray);
        }
      }
      if (main != nullptr && !isShown && IsWindowVisible(main)) {
        isShown = true;
        QueryPerformanceCounter(&shown);
      }
      if (!(isShown && iconShown)) Sleep(1);
    }
    if (!isShown || !iconShown) {
      std::fprintf(stderr, "run %d: the main window or the tray icon did not appear\n", i + 1);
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
  kvtest::StopAndDeleteService(kDriverService);
  return 0;
}

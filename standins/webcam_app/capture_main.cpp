// webcam_capture --device NAME [--frames N] [--seconds S] [--save K] [--out DIR]
// A stand-in for any webcam program: opens the video input device of that friendly name,
// takes frames through a Sample Grabber until N arrived or S seconds passed, saves the
// last K as BMP files in DIR and prints one summary line:
//   frames=<n> size=<w>x<h> format=<RGB32|YUY2|...> fps=<frames per second> saved=<k>
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "capture_graph.h"
#include "picture_file.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: webcam_capture --device NAME [--frames N] [--seconds S] [--save K] [--out DIR]\n"
               "  N: 1..100000 (default 50), S: 1..3600 (default 10), K: 0..100 (default 3)\n");
  return 2;
}

bool Number(const wchar_t* text, long low, long high, long* out) {
  wchar_t* end = nullptr;
  long v = std::wcstol(text, &end, 10);
  if (end == text || *end != L'\0' || v < low || v > high) return false;
  *out = v;
  return true;
}

bool WriteFile(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
  return ok && written == bytes.size();
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr) return Usage();
  std::wstring device, out = L".";
  long frames = 50, seconds = 10, save = 3;
  for (int i = 1; i < argc; ++i) {
    const std::wstring flag = argv[i];
    if (i + 1 >= argc) return Usage();
    const wchar_t* value = argv[++i];
    if (flag == L"--device") {
      device = value;
    } else if (flag == L"--out") {
      out = value;
    } else if (flag == L"--frames") {
      if (!Number(value, 1, 100000, &frames)) return Usage();
    } else if (flag == L"--seconds") {
      if (!Number(value, 1, 3600, &seconds)) return Usage();
    } else if (flag == L"--save") {
      if (!Number(value, 0, 100, &save)) return Usage();
    } else {
      return Usage();
    }
  }
  LocalFree(argv);
  if (device.empty()) return Usage();

  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  int status = 0;
  {
    webcam::CaptureGraph graph(static_cast<int>(save));
    HRESULT hr = graph.Open(device.c_str());
    if (FAILED(hr)) {
      std::fprintf(stderr, "webcam_capture: cannot open the device: 0x%08lx\n", static_cast<unsigned long>(hr));
      CoUninitialize();
      return 1;
    }
    hr = graph.Run();
    if (FAILED(hr)) {
      std::fprintf(stderr, "webcam_capture: cannot run the graph: 0x%08lx\n", static_cast<unsigned long>(hr));
      status = 1;
    } else {
      graph.sink().WaitForFrames(static_cast<int>(frames), static_cast<DWORD>(seconds) * 1000);
      graph.Stop();
    }
    int saved = 0;
    if (graph.known()) {
      for (const std::vector<uint8_t>& frame : graph.sink().KeptFrames()) {
        std::vector<uint8_t> bmp = webcam::BmpFile(frame.data(), frame.size(), graph.format(),
                                                   graph.width(), graph.height());
        wchar_t name[32];
        std::swprintf(name, 32, L"\\frame_%04d.bmp", saved + 1);
        if (bmp.empty() || !WriteFile(out + name, bmp)) break;
        ++saved;
      }
    }
    const int received = graph.sink().Frames();
    std::printf("frames=%d size=%dx%d format=%s fps=%.1f saved=%d\n", received, graph.width(),
                graph.height(), graph.known() ? webcam::FormatName(graph.format()) : "other",
                graph.sink().FramesPerSecond(), saved);
    if (received == 0) status = 1;
  }
  CoUninitialize();
  return status;
}

// Windows as shown on screen, for tests that check pixels and keep a picture as an artefact.
#pragma once

#include <windows.h>

#include <filesystem>
#include <vector>

namespace lookout::testing {

struct Capture {
  int w = 0, h = 0;
  std::vector<BYTE> bgra;  // top-down
  COLORREF At(int x, int y) const {
    const BYTE* p = &bgra[(static_cast<size_t>(y) * w + x) * 4];
    return RGB(p[2], p[1], p[0]);
  }
};

// The screen's pixels under the window's rectangle (frame included).
Capture Grab(HWND hWnd);

// Writes the capture as a PNG file, making its folder if needed.
bool SavePng(const Capture& c, const std::filesystem::path& path);

// The folder test artefacts go to: <build>/artifacts.
std::filesystem::path ArtifactDir();

}  // namespace lookout::testing

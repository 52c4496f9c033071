// Test helpers: a skin folder beside the test program, pictures written from pixel
// functions, and a message pump.
#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>

// The program's folder with a trailing backslash.
std::wstring ExeFolder();

// A skin folder "<program folder>\<name>" made on construction and removed on destruction;
// Install() points the resource manager at it with the given description.
class TestSkin {
 public:
  explicit TestSkin(const std::wstring& name);
  ~TestSkin();
  std::filesystem::path path() const { return path_; }
  void WriteXml(const std::string& utf8, const std::wstring& file = L"skin.xml");
  void Install(const std::wstring& file = L"skin.xml");
  void WriteBmp(const std::wstring& file, int w, int h, const std::function<COLORREF(int, int)>& pixel);
  // RGBA pixels as 0xAARRGGBB.
  void WritePng(const std::wstring& file, int w, int h, const std::function<DWORD(int, int)>& pixel);

 private:
  std::wstring name_;
  std::filesystem::path path_;
};

// Processes messages for about `ms` milliseconds.
void Pump(DWORD ms);

// A top-down DIB section of 16 (5-5-5), 24 or 32 bits per pixel filled from a pixel function
// (COLORREF values); null for any other depth.
HBITMAP MakeDib(int w, int h, const std::function<COLORREF(int, int)>& pixel, int bpp = 32);

// The colour at (x, y) of a window's client area as shown on screen.
COLORREF ScreenPixel(HWND hWnd, int x, int y);

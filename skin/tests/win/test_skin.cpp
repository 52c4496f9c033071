#include "test_skin.h"

#include <png.h>

#include <cstring>
#include <fstream>
#include <vector>

#include "SkinResourceManager.h"

namespace fs = std::filesystem;

std::wstring ExeFolder() {
  wchar_t buffer[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  std::wstring path(buffer);
  return path.substr(0, path.rfind(L'\\') + 1);
}

TestSkin::TestSkin(const std::wstring& name) : name_(name), path_(fs::path(ExeFolder() + name)) {
  std::error_code ec;
  fs::remove_all(path_, ec);
  fs::create_directories(path_);
}

TestSkin::~TestSkin() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

void TestSkin::WriteXml(const std::string& utf8, const std::wstring& file) {
  std::ofstream out(path_ / file, std::ios::binary | std::ios::trunc);
  out << utf8;
}

void TestSkin::Install(const std::wstring& file) { CSkinResourceManager::GetInstance()->Install(name_, file); }

void TestSkin::WriteBmp(const std::wstring& file, int w, int h, const std::function<COLORREF(int, int)>& pixel) {
  int stride = (w * 3 + 3) & ~3;
  std::vector<unsigned char> body(static_cast<size_t>(stride) * h, 0);
  for (int y = 0; y < h; ++y) {
    unsigned char* row = &body[static_cast<size_t>(h - 1 - y) * stride];
    for (int x = 0; x < w; ++x) {
      COLORREF c = pixel(x, y);
      row[x * 3] = GetBValue(c);
      row[x * 3 + 1] = GetGValue(c);
      row[x * 3 + 2] = GetRValue(c);
    }
  }
  BITMAPFILEHEADER fh = {};
  BITMAPINFOHEADER ih = {};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof ih;
  fh.bfSize = fh.bfOffBits + static_cast<DWORD>(body.size());
  ih.biSize = sizeof ih;
  ih.biWidth = w;
  ih.biHeight = h;
  ih.biPlanes = 1;
  ih.biBitCount = 24;
  ih.biSizeImage = static_cast<DWORD>(body.size());
  std::ofstream out(path_ / file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
  out.write(reinterpret_cast<const char*>(&ih), sizeof ih);
  out.write(reinterpret_cast<const char*>(body.data()), static_cast<std::streamsize>(body.size()));
}

void TestSkin::WritePng(const std::wstring& file, int w, int h, const std::function<DWORD(int, int)>& pixel) {
  std::vector<unsigned char> rgba(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      DWORD p = pixel(x, y);
      unsigned char* q = &rgba[(static_cast<size_t>(y) * w + x) * 4];
      q[0] = static_cast<unsigned char>(p >> 16);
      q[1] = static_cast<unsigned char>(p >> 8);
      q[2] = static_cast<unsigned char>(p);
      q[3] = static_cast<unsigned char>(p >> 24);
    }
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(w);
  image.height = static_cast<png_uint_32>(h);
  image.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr);
  std::vector<unsigned char> out(size);
  png_image_write_to_memory(&image, out.data(), &size, 0, rgba.data(), 0, nullptr);
  std::ofstream f(path_ / file, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(size));
}

void Pump(DWORD ms) {
  DWORD end = GetTickCount() + ms;
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(5);
  } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

HBITMAP MakeDib(int w, int h, const std::function<COLORREF(int, int)>& pixel, int bpp) {
  if (bpp != 16 && bpp != 24 && bpp != 32) return nullptr;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = static_cast<WORD>(bpp);
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bmp == nullptr || bits == nullptr) return bmp;
  int stride = ((w * bpp + 31) / 32) * 4;
  auto* base = static_cast<unsigned char*>(bits);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      COLORREF c = pixel(x, y);
      unsigned char* p = base + static_cast<size_t>(y) * stride + x * (bpp / 8);
      if (bpp == 16) {  // 5-5-5, the layout of an uncompressed 16-bit DIB
        unsigned v = ((GetRValue(c) >> 3) << 10) | ((GetGValue(c) >> 3) << 5) | (GetBValue(c) >> 3);
        p[0] = static_cast<unsigned char>(v);
        p[1] = static_cast<unsigned char>(v >> 8);
        continue;
      }
      p[0] = GetBValue(c);
      p[1] = GetGValue(c);
      p[2] = GetRValue(c);
      if (bpp == 32) p[3] = 0;
    }
  }
  return bmp;
}

COLORREF ScreenPixel(HWND hWnd, int x, int y) {
  POINT pt = {x, y};
  ClientToScreen(hWnd, &pt);
  HDC screen = GetDC(nullptr);
  COLORREF c = GetPixel(screen, pt.x, pt.y);
  ReleaseDC(nullptr, screen);
  return c;
}

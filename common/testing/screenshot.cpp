#include "screenshot.h"

#include <png.h>

#include <cstdio>
#include <cstring>

namespace lookout::testing {

Capture Grab(HWND hWnd) {
  RECT rc;
  GetWindowRect(hWnd, &rc);
  Capture c;
  c.w = rc.right - rc.left;
  c.h = rc.bottom - rc.top;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = c.w;
  bi.bmiHeader.biHeight = -c.h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, dib);
  BitBlt(mem, 0, 0, c.w, c.h, screen, rc.left, rc.top, SRCCOPY);
  GdiFlush();
  c.bgra.assign(static_cast<BYTE*>(bits), static_cast<BYTE*>(bits) + static_cast<size_t>(c.w) * c.h * 4);
  SelectObject(mem, old);
  DeleteObject(dib);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return c;
}

bool SavePng(const Capture& c, const std::filesystem::path& path) {
  std::vector<BYTE> rgba(c.bgra.size());
  for (size_t i = 0; i < c.bgra.size(); i += 4) {
    rgba[i] = c.bgra[i + 2];
    rgba[i + 1] = c.bgra[i + 1];
    rgba[i + 2] = c.bgra[i];
    rgba[i + 3] = 255;
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(c.w);
  image.height = static_cast<png_uint_32>(c.h);
  image.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr)) return false;
  std::vector<BYTE> out(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, rgba.data(), 0, nullptr)) return false;
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  FILE* f = _wfopen(path.wstring().c_str(), L"wb");
  if (!f) return false;
  bool ok = fwrite(out.data(), 1, size, f) == size;
  fclose(f);
  return ok;
}

std::filesystem::path ArtifactDir() { return std::filesystem::path(LOOKOUT_ARTIFACT_DIR); }

}  // namespace lookout::testing

#include "ximage.h"

#include <cstring>
#include <vector>

#include "png_image.h"

struct CxImage::Impl {
  DWORD width = 0;
  DWORD height = 0;
  std::vector<BYTE> bgra;             // straight alpha
  mutable HBITMAP premultiplied = nullptr;  // made on first draw

  void Clear() {
    width = height = 0;
    bgra.clear();
    if (premultiplied) DeleteObject(premultiplied);
    premultiplied = nullptr;
  }
};

CxImage::CxImage() : m_pImpl(new Impl) {}

CxImage::CxImage(const std::wstring& file, DWORD type) : m_pImpl(new Impl) { Load(file, type); }

CxImage::~CxImage() {
  m_pImpl->Clear();
  delete m_pImpl;
}

bool CxImage::Load(const std::wstring& file, DWORD type) {
  Destroy();
  if (type != CXIMAGE_FORMAT_PNG && type != CXIMAGE_FORMAT_UNKNOWN) return false;
  return Decode(file);
}

bool CxImage::Decode(const std::wstring& file) {
  veneer::BgraImage img;
  if (!veneer::LoadPngFile(std::filesystem::path(file), img)) return false;
  return SetPixels(img.width, img.height, img.pixels.data());
}

bool CxImage::SetPixels(DWORD width, DWORD height, const BYTE* bgra) {
  Destroy();
  if (width == 0 || height == 0 || bgra == nullptr) return false;
  m_pImpl->width = width;
  m_pImpl->height = height;
  m_pImpl->bgra.assign(bgra, bgra + static_cast<size_t>(width) * height * 4);
  return true;
}

bool CxImage::IsValid() const { return m_pImpl->width > 0; }

void CxImage::Destroy() { m_pImpl->Clear(); }

DWORD CxImage::GetWidth() const { return m_pImpl->width; }

DWORD CxImage::GetHeight() const { return m_pImpl->height; }

DWORD CxImage::GetPixelBGRA(DWORD x, DWORD y) const {
  if (x >= m_pImpl->width || y >= m_pImpl->height) return 0;
  const BYTE* p = &m_pImpl->bgra[(static_cast<size_t>(y) * m_pImpl->width + x) * 4];
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<DWORD>(p[3]) << 24);
}

void CxImage::Premultiply() const {
  if (m_pImpl->premultiplied || !IsValid()) return;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = static_cast<LONG>(m_pImpl->width);
  bi.bmiHeader.biHeight = -static_cast<LONG>(m_pImpl->height);
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp) return;
  BYTE* out = static_cast<BYTE*>(bits);
  const BYTE* in = m_pImpl->bgra.data();
  size_t n = static_cast<size_t>(m_pImpl->width) * m_pImpl->height;
  for (size_t i = 0; i < n; ++i) {
    unsigned a = in[i * 4 + 3];
    out[i * 4 + 0] = static_cast<BYTE>((in[i * 4 + 0] * a + 127) / 255);
    out[i * 4 + 1] = static_cast<BYTE>((in[i * 4 + 1] * a + 127) / 255);
    out[i * 4 + 2] = static_cast<BYTE>((in[i * 4 + 2] * a + 127) / 255);
    out[i * 4 + 3] = static_cast<BYTE>(a);
  }
  GdiFlush();
  m_pImpl->premultiplied = bmp;
}

bool CxImage::Draw(HDC dc, int x, int y, int cx, int cy) const {
  if (!IsValid() || dc == nullptr) return false;
  Premultiply();
  if (!m_pImpl->premultiplied) return false;
  if (cx < 0) cx = static_cast<int>(m_pImpl->width);
  if (cy < 0) cy = static_cast<int>(m_pImpl->height);
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, m_pImpl->premultiplied);
  BLENDFUNCTION bf = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  BOOL ok = AlphaBlend(dc, x, y, cx, cy, mem, 0, 0, static_cast<int>(m_pImpl->width),
                       static_cast<int>(m_pImpl->height), bf);
  SelectObject(mem, old);
  DeleteDC(mem);
  return ok != FALSE;
}

bool CxImagePNG::Decode(const std::wstring& file) { return CxImage::Decode(file); }

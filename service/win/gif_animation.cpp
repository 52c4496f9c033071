#include "gif_animation.h"

#include <algorithm>

#include <objidl.h>  // PROPID, left out by WIN32_LEAN_AND_MEAN

// GDI+'s headers use min and max.
using std::max;
using std::min;
#include <gdiplus.h>

namespace lookout {
namespace {

namespace gp = Gdiplus::DllExports;
// {6AEDBD6D-3FB5-418A-83A6-7F45229DC872}
const GUID kFrameDimensionTime = {0x6aedbd6d, 0x3fb5, 0x418a, {0x83, 0xa6, 0x7f, 0x45, 0x22, 0x9d, 0xc8, 0x72}};

Gdiplus::GpImage* Image(void* p) { return static_cast<Gdiplus::GpImage*>(p); }

}  // namespace

GdiplusSession::GdiplusSession() {
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&m_token, &input, nullptr) != Gdiplus::Ok) m_token = 0;
}

GdiplusSession::~GdiplusSession() {
  if (m_token != 0) Gdiplus::GdiplusShutdown(m_token);
}

CGifAnimation::~CGifAnimation() {
  if (m_image != nullptr) gp::GdipDisposeImage(Image(m_image));
}

bool CGifAnimation::Load(const std::wstring& path) {
  if (m_image != nullptr) gp::GdipDisposeImage(Image(m_image));
  m_image = nullptr;
  m_frames = m_frame = 0;
  Gdiplus::GpImage* image = nullptr;
  if (gp::GdipLoadImageFromFile(path.c_str(), &image) != Gdiplus::Ok || image == nullptr) return false;
  m_image = image;
  UINT count = 0;
  if (gp::GdipImageGetFrameCount(image, &kFrameDimensionTime, &count) != Gdiplus::Ok || count == 0) count = 1;
  m_frames = static_cast<int>(count);
  return true;
}

void CGifAnimation::Next() {
  if (m_image == nullptr || m_frames <= 1) return;
  m_frame = (m_frame + 1) % m_frames;
  gp::GdipImageSelectActiveFrame(Image(m_image), &kFrameDimensionTime, static_cast<UINT>(m_frame));
}

void CGifAnimation::Draw(HDC dc, int x, int y, int cx, int cy) {
  if (m_image == nullptr) return;
  Gdiplus::GpGraphics* graphics = nullptr;
  if (gp::GdipCreateFromHDC(dc, &graphics) != Gdiplus::Ok) return;
  gp::GdipDrawImageRectI(graphics, Image(m_image), x, y, cx, cy);
  gp::GdipDeleteGraphics(graphics);
}

}  // namespace lookout

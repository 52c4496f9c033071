#include "picture_render.h"

#include <ole2.h>
#include <olectl.h>

#include <cstdlib>
#include <cstring>

namespace mirage {

namespace {
constexpr int kHimetricPerInch = 2540;
}

SIZE HimetricToPixels(HDC dc, SIZE himetric) {
  SIZE pixels = {0, 0};
  if (GetMapMode(dc) == MM_TEXT) {
    const int cxPerInch = GetDeviceCaps(dc, LOGPIXELSX);
    const int cyPerInch = GetDeviceCaps(dc, LOGPIXELSY);
    if (cxPerInch == 0 || cyPerInch == 0) return pixels;
    pixels.cx = MulDiv(himetric.cx, cxPerInch, kHimetricPerInch);
    pixels.cy = MulDiv(himetric.cy, cyPerInch, kHimetricPerInch);
    return pixels;
  }
  // A metric or English mapping: let the DC's own extents convert.
  const int mode = SetMapMode(dc, MM_HIMETRIC);
  POINT p = {himetric.cx, himetric.cy};
  LPtoDP(dc, &p, 1);
  SetMapMode(dc, mode);
  pixels.cx = std::abs(p.x);
  pixels.cy = std::abs(p.y);
  return pixels;
}

bool DrawPicture(HDC dc, const uint8_t* bytes, size_t length, int width, int height,
                 SIZE* pictureSize) {
  if (bytes == nullptr || length == 0 || length > 0x7FFFFFFF) return false;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, length);
  if (memory == nullptr) return false;
  void* block = GlobalLock(memory);
  if (block == nullptr) {
    GlobalFree(memory);
    return false;
  }
  memcpy(block, bytes, length);
  GlobalUnlock(memory);
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
    GlobalFree(memory);
    return false;
  }
  IPicture* picture = nullptr;
  HRESULT hr = OleLoadPicture(stream, static_cast<LONG>(length), TRUE, IID_IPicture,
                              reinterpret_cast<void**>(&picture));
  stream->Release();  // frees the memory block
  if (FAILED(hr) || picture == nullptr) return false;

  OLE_XSIZE_HIMETRIC hmWidth = 0;
  OLE_YSIZE_HIMETRIC hmHeight = 0;
  picture->get_Width(&hmWidth);
  picture->get_Height(&hmHeight);
  *pictureSize = HimetricToPixels(dc, SIZE{hmWidth, hmHeight});
  // Source rows from the bottom with a negative height: the picture lands upright.
  hr = picture->Render(dc, 0, 0, width, height, 0, hmHeight, hmWidth, -hmHeight, nullptr);
  picture->Release();
  return SUCCEEDED(hr);
}

}  // namespace mirage

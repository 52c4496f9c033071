// Drawing helpers shared by the skin classes.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "SkinBitmap.h"
#include "ximage.h"

namespace veneer {

// A 32-bit memory bitmap of a given size, selected into its own DC and cleared to black.
class Canvas {
 public:
  Canvas(HDC like, int width, int height);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }
  int width() const { return width_; }
  int height() const { return height_; }
  void CopyTo(HDC dest, int x = 0, int y = 0) const;
  // A region of the pixels that differ from `key`.
  HRGN RegionWithout(COLORREF key) const;

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  int width_, height_;
};

// A skin picture: PNG (drawn with its alpha) or BMP (drawn leaving a key colour out).
class SkinPicture {
 public:
  bool Load(const std::wstring& name);  // relative to the skin folder
  void Reset();
  bool IsValid() const;
  bool IsPng() const { return png_ != nullptr; }
  int Width() const;
  int Height() const;
  const CSkinBitmap* Bitmap() const { return bmp_.get(); }
  void Draw(HDC dc, const RECT& dest, COLORREF key) const;
  void Draw(HDC dc, int x, int y, COLORREF key) const;
  // Nine parts for BMP; PNG is stretched whole.
  void Draw9Grid(HDC dc, const RECT& dest, const RECT& margins, COLORREF key) const;

 private:
  std::unique_ptr<CSkinBitmap> bmp_;
  std::unique_ptr<CxImage> png_;
};

bool EndsWithPng(const std::wstring& name);
void FillSolid(HDC dc, const RECT& rc, COLORREF color);
void FrameSolid(HDC dc, const RECT& rc, COLORREF color);
// Sets a window region unless the window already has the same one; takes `rgn`.
void SetWindowRegionIfChanged(HWND hWnd, HRGN rgn);
std::wstring WindowText(HWND hWnd);

}  // namespace veneer

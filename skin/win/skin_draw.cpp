#include "skin_draw.h"

#include <cwctype>
#include <vector>

#include "SkinBase.h"

namespace veneer {

Canvas::Canvas(HDC like, int width, int height)
    : dc_(CreateCompatibleDC(like)), bitmap_(nullptr), old_(nullptr),
      width_(width > 0 ? width : 1), height_(height > 0 ? height : 1) {
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width_;
  bi.bmiHeader.biHeight = -height_;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_ = CreateDIBSection(like, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dc_ && bitmap_) {
    old_ = SelectObject(dc_, bitmap_);
    RECT rc = {0, 0, width_, height_};
    FillSolid(dc_, rc, RGB(0, 0, 0));
  }
}

Canvas::~Canvas() {
  if (dc_) {
    if (old_) SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  if (bitmap_) DeleteObject(bitmap_);
}

void Canvas::CopyTo(HDC dest, int x, int y) const {
  BitBlt(dest, x, y, width_, height_, dc_, 0, 0, SRCCOPY);
}

HRGN Canvas::RegionWithout(COLORREF key) const {
  GdiFlush();
  CSkinBitmap view;
  view.Attach(bitmap_);
  HRGN rgn = view.CreateRgnFromFile(key);
  view.Detach();
  return rgn;
}

bool EndsWithPng(const std::wstring& name) {
  if (name.size() < 4) return false;
  std::wstring ext = name.substr(name.size() - 4);
  for (auto& c : ext) c = static_cast<wchar_t>(std::towlower(c));
  return ext == L".png";
}

bool SkinPicture::Load(const std::wstring& name) {
  Reset();
  if (name.empty()) return false;
  if (EndsWithPng(name)) {
    auto img = std::make_unique<CxImage>();
    if (!img->Load(CSkinBase::SkinFile(name), CXIMAGE_FORMAT_PNG)) return false;
    png_ = std::move(img);
    return true;
  }
  auto bmp = std::make_unique<CSkinBitmap>();
  if (!bmp->LoadBitmapW(name)) return false;
  bmp_ = std::move(bmp);
  return true;
}

void SkinPicture::Reset() {
  bmp_.reset();
  png_.reset();
}

bool SkinPicture::IsValid() const { return bmp_ != nullptr || png_ != nullptr; }

int SkinPicture::Width() const {
  return png_ ? static_cast<int>(png_->GetWidth()) : bmp_ ? bmp_->Width() : 0;
}

int SkinPicture::Height() const {
  return png_ ? static_cast<int>(png_->GetHeight()) : bmp_ ? bmp_->Height() : 0;
}

void SkinPicture::Draw(HDC dc, const RECT& dest, COLORREF key) const {
  int w = dest.right - dest.left, h = dest.bottom - dest.top;
  if (w <= 0 || h <= 0) return;
  if (png_) png_->Draw(dc, dest.left, dest.top, w, h);
  else if (bmp_) bmp_->TransparentBlt(dc, dest.left, dest.top, w, h, key);
}

void SkinPicture::Draw(HDC dc, int x, int y, COLORREF key) const {
  RECT rc = {x, y, x + Width(), y + Height()};
  Draw(dc, rc, key);
}

void SkinPicture::Draw9Grid(HDC dc, const RECT& dest, const RECT& margins, COLORREF key) const {
  if (png_) Draw(dc, dest, key);
  else if (bmp_) bmp_->FillRect9Grid(dc, dest, margins, key);
}

void FillSolid(HDC dc, const RECT& rc, COLORREF color) {
  COLORREF old = SetBkColor(dc, color);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
  SetBkColor(dc, old);
}

void FrameSolid(HDC dc, const RECT& rc, COLORREF color) {
  RECT edge;
  SetRect(&edge, rc.left, rc.top, rc.right, rc.top + 1);
  FillSolid(dc, edge, color);
  SetRect(&edge, rc.left, rc.bottom - 1, rc.right, rc.bottom);
  FillSolid(dc, edge, color);
  SetRect(&edge, rc.left, rc.top, rc.left + 1, rc.bottom);
  FillSolid(dc, edge, color);
  SetRect(&edge, rc.right - 1, rc.top, rc.right, rc.bottom);
  FillSolid(dc, edge, color);
}

void SetWindowRegionIfChanged(HWND hWnd, HRGN rgn) {
  if (rgn == nullptr) return;
  HRGN current = CreateRectRgn(0, 0, 0, 0);
  bool same = GetWindowRgn(hWnd, current) != ERROR && EqualRgn(current, rgn);
  DeleteObject(current);
  if (same) {
    DeleteObject(rgn);
    return;
  }
  SetWindowRgn(hWnd, rgn, FALSE);  // the system owns it now
}

std::wstring WindowText(HWND hWnd) {
  int n = GetWindowTextLengthW(hWnd);
  if (n <= 0) return std::wstring();
  std::vector<wchar_t> buffer(static_cast<size_t>(n) + 1);
  int got = GetWindowTextW(hWnd, buffer.data(), n + 1);
  return std::wstring(buffer.data(), static_cast<size_t>(got > 0 ? got : 0));
}

}  // namespace veneer

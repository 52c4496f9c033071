#include "SkinBitmap.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "SkinResourceManager.h"

namespace {

// Memory DC holding a bitmap for the length of one drawing call.
class BitmapDC {
 public:
  BitmapDC(HDC like, HBITMAP bitmap) : dc_(CreateCompatibleDC(like)) {
    old_ = dc_ ? SelectObject(dc_, bitmap) : nullptr;
  }
  ~BitmapDC() {
    if (dc_) {
      SelectObject(dc_, old_);
      DeleteDC(dc_);
    }
  }
  operator HDC() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

struct Piece {
  int dx, dy, dw, dh, sx, sy, sw, sh;
};

// The nine source/destination rectangles; margins shrink proportionally when the
// destination is smaller than the two margins together.
std::vector<Piece> NinePieces(int w, int h, const RECT& dest, const RECT& margins) {
  int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
  int ml = std::clamp<int>(margins.left, 0, w), mr = std::clamp<int>(margins.right, 0, w - ml);
  int mt = std::clamp<int>(margins.top, 0, h), mb = std::clamp<int>(margins.bottom, 0, h - mt);
  int dl = ml, dr = mr, dt = mt, db = mb;
  if (dl + dr > dw) {
    dl = dw * ml / std::max(1, ml + mr);
    dr = dw - dl;
  }
  if (dt + db > dh) {
    dt = dh * mt / std::max(1, mt + mb);
    db = dh - dt;
  }
  int scw = w - ml - mr, sch = h - mt - mb;
  int dcw = dw - dl - dr, dch = dh - dt - db;
  int xs[3][4] = {{0, dl, 0, ml}, {dl, dcw, ml, scw}, {dl + dcw, dr, ml + scw, mr}};
  int ys[3][4] = {{0, dt, 0, mt}, {dt, dch, mt, sch}, {dt + dch, db, mt + sch, mb}};
  std::vector<Piece> pieces;
  for (auto& y : ys) {
    for (auto& x : xs) {
      if (x[1] <= 0 || y[1] <= 0 || x[3] <= 0 || y[3] <= 0) continue;
      pieces.push_back({dest.left + x[0], dest.top + y[0], x[1], y[1], x[2], y[2], x[3], y[3]});
    }
  }
  return pieces;
}

}  // namespace

CSkinBitmap::CSkinBitmap() : m_hBitmap(nullptr) {}

CSkinBitmap::~CSkinBitmap() { DeleteObject(); }

void CSkinBitmap::DeleteObject() {
  if (m_hBitmap != nullptr) ::DeleteObject(m_hBitmap);
  m_hBitmap = nullptr;
}

void CSkinBitmap::Attach(HBITMAP bitmap) {
  DeleteObject();
  m_hBitmap = bitmap;
}

HBITMAP CSkinBitmap::Detach() {
  HBITMAP b = m_hBitmap;
  m_hBitmap = nullptr;
  return b;
}

BOOL CSkinBitmap::LoadBitmapW(const std::wstring& name) {
  DeleteObject();
  if (name.empty()) return FALSE;
  CSkinResourceManager* m = CSkinResourceManager::GetInstance();
  std::wstring path = (m ? m->GetSkinPath() : std::wstring()) + L"\\" + name;
  return LoadFromFile(path);
}

BOOL CSkinBitmap::LoadFromFile(const std::wstring& fullPath) {
  DeleteObject();
  m_hBitmap = static_cast<HBITMAP>(
      LoadImageW(nullptr, fullPath.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  return m_hBitmap != nullptr;
}

int CSkinBitmap::Width() const {
  BITMAP bm;
  return m_hBitmap && GetObjectW(m_hBitmap, sizeof bm, &bm) ? bm.bmWidth : 0;
}

int CSkinBitmap::Height() const {
  BITMAP bm;
  return m_hBitmap && GetObjectW(m_hBitmap, sizeof bm, &bm) ? bm.bmHeight : 0;
}

BOOL CSkinBitmap::BitBlt(HDC dc, int x, int y, DWORD rop) const {
  return BitBlt(dc, x, y, Width(), Height(), 0, 0, rop);
}

BOOL CSkinBitmap::BitBlt(HDC dc, int x, int y, int cx, int cy, int srcX, int srcY, DWORD rop) const {
  if (!m_hBitmap) return FALSE;
  BitmapDC mem(dc, m_hBitmap);
  return ::BitBlt(dc, x, y, cx, cy, mem, srcX, srcY, rop);
}

BOOL CSkinBitmap::StretchBlt(HDC dc, int x, int y, int cx, int cy) const {
  return StretchBlt(dc, x, y, cx, cy, 0, 0, Width(), Height());
}

BOOL CSkinBitmap::StretchBlt(HDC dc, int x, int y, int cx, int cy, int srcX, int srcY, int srcCx,
                             int srcCy) const {
  if (!m_hBitmap) return FALSE;
  BitmapDC mem(dc, m_hBitmap);
  int oldMode = SetStretchBltMode(dc, HALFTONE);
  POINT org;
  SetBrushOrgEx(dc, 0, 0, &org);
  BOOL ok = ::StretchBlt(dc, x, y, cx, cy, mem, srcX, srcY, srcCx, srcCy, SRCCOPY);
  SetBrushOrgEx(dc, org.x, org.y, nullptr);
  SetStretchBltMode(dc, oldMode);
  return ok;
}

BOOL CSkinBitmap::TransparentBlt(HDC dc, int x, int y, int cx, int cy, COLORREF key) const {
  return TransparentBlt(dc, x, y, cx, cy, 0, 0, Width(), Height(), key);
}

BOOL CSkinBitmap::TransparentBlt(HDC dc, int x, int y, int cx, int cy, int srcX, int srcY,
                                 int srcCx, int srcCy, COLORREF key) const {
  if (!m_hBitmap || cx <= 0 || cy <= 0 || srcCx <= 0 || srcCy <= 0) return FALSE;
  BitmapDC mem(dc, m_hBitmap);
  return ::TransparentBlt(dc, x, y, cx, cy, mem, srcX, srcY, srcCx, srcCy, key);
}

BOOL CSkinBitmap::TransparentBltEx(HDC dc, int x, int y, COLORREF key) const {
  if (!m_hBitmap) return FALSE;
  int w = Width(), h = Height();
  BitmapDC mem(dc, m_hBitmap);
  HBITMAP maskBmp = CreateBitmap(w, h, 1, 1, nullptr);
  HDC maskDC = CreateCompatibleDC(dc);
  HGDIOBJ oldMask = SelectObject(maskDC, maskBmp);
  COLORREF oldBk = SetBkColor(mem, key);
  ::BitBlt(maskDC, 0, 0, w, h, mem, 0, 0, SRCCOPY);  // key -> white, rest -> black
  SetBkColor(mem, oldBk);
  COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
  COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
  ::BitBlt(dc, x, y, w, h, mem, 0, 0, SRCINVERT);
  ::BitBlt(dc, x, y, w, h, maskDC, 0, 0, SRCAND);
  ::BitBlt(dc, x, y, w, h, mem, 0, 0, SRCINVERT);
  SetTextColor(dc, oldText);
  SetBkColor(dc, oldBack);
  SelectObject(maskDC, oldMask);
  DeleteDC(maskDC);
  ::DeleteObject(maskBmp);
  return TRUE;
}

BOOL CSkinBitmap::AlphaBlend(HDC dc, int x, int y, int cx, int cy, BYTE alpha) const {
  if (!m_hBitmap) return FALSE;
  BitmapDC mem(dc, m_hBitmap);
  BLENDFUNCTION bf = {AC_SRC_OVER, 0, alpha, 0};
  return ::AlphaBlend(dc, x, y, cx, cy, mem, 0, 0, Width(), Height(), bf);
}

BOOL CSkinBitmap::FillRect9Grid(HDC dc, const RECT& dest, const RECT& margins) const {
  if (!m_hBitmap) return FALSE;
  BitmapDC mem(dc, m_hBitmap);
  int oldMode = SetStretchBltMode(dc, HALFTONE);
  POINT org;
  SetBrushOrgEx(dc, 0, 0, &org);
  for (const Piece& p : NinePieces(Width(), Height(), dest, margins)) {
    if (p.dw == p.sw && p.dh == p.sh) {
      ::BitBlt(dc, p.dx, p.dy, p.dw, p.dh, mem, p.sx, p.sy, SRCCOPY);
    } else {
      ::StretchBlt(dc, p.dx, p.dy, p.dw, p.dh, mem, p.sx, p.sy, p.sw, p.sh, SRCCOPY);
    }
  }
  SetBrushOrgEx(dc, org.x, org.y, nullptr);
  SetStretchBltMode(dc, oldMode);
  return TRUE;
}

BOOL CSkinBitmap::FillRect9Grid(HDC dc, const RECT& dest, const RECT& margins, COLORREF key) const {
  if (!m_hBitmap) return FALSE;
  BitmapDC mem(dc, m_hBitmap);
  for (const Piece& p : NinePieces(Width(), Height(), dest, margins)) {
    ::TransparentBlt(dc, p.dx, p.dy, p.dw, p.dh, mem, p.sx, p.sy, p.sw, p.sh, key);
  }
  return TRUE;
}

HRGN CSkinBitmap::CreateRgnFromFile(COLORREF key) const {
  if (!m_hBitmap) return nullptr;
  BITMAP bm;
  if (!GetObjectW(m_hBitmap, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return nullptr;
  int width = bm.bmWidth, height = bm.bmHeight;
  int bpp = bm.bmBitsPixel;
  DWORD masks[3] = {0, 0, 0};
  DIBSECTION ds;
  bool dib = GetObjectW(m_hBitmap, sizeof ds, &ds) == sizeof ds;
  if (dib && ds.dsBmih.biCompression == BI_BITFIELDS) {
    masks[0] = ds.dsBitfields[0];
    masks[1] = ds.dsBitfields[1];
    masks[2] = ds.dsBitfields[2];
  }
  if (bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) bpp = 32;

  // The pixels in their own format, top row first, with the palette for 8 bits.
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
  } info = {};
  info.header.biSize = sizeof info.header;
  info.header.biWidth = width;
  info.header.biHeight = -height;
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(bpp);
  info.header.biCompression = BI_RGB;
  if (bpp == 16 && masks[1] != 0) {
    info.header.biCompression = BI_BITFIELDS;
    std::memcpy(info.colors, masks, sizeof masks);
  }
  int stride = ((width * bpp + 31) / 32) * 4;
  std::vector<BYTE> pixels(static_cast<size_t>(stride) * height);
  HDC screen = GetDC(nullptr);
  int got = GetDIBits(screen, m_hBitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
                      DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (got == 0) return nullptr;
  const BYTE* bits = pixels.data();
  const RGBQUAD* palette = info.colors;
  DWORD key32 = (GetRValue(key) << 16) | (GetGValue(key) << 8) | GetBValue(key);
  // 16-bit pixels: 5-6-5 when the bit fields say so, else the plain 5-5-5 layout.
  DWORD key16 = masks[1] == 0x07E0
                    ? ((GetRValue(key) >> 3) << 11) | ((GetGValue(key) >> 2) << 5) | (GetBValue(key) >> 3)
                    : ((GetRValue(key) >> 3) << 10) | ((GetGValue(key) >> 3) << 5) | (GetBValue(key) >> 3);

  DWORD capacity = static_cast<DWORD>(std::max(1, height));
  std::vector<BYTE> buffer(sizeof(RGNDATAHEADER) + capacity * sizeof(RECT));
  DWORD count = 0;
  auto add = [&](int left, int top, int right) {
    if (count == capacity) {
      capacity += 40;
      buffer.resize(sizeof(RGNDATAHEADER) + capacity * sizeof(RECT));
    }
    RECT* rects = reinterpret_cast<RECT*>(buffer.data() + sizeof(RGNDATAHEADER));
    rects[count++] = {left, top, right, top + 1};
  };
  for (int y = 0; y < height; ++y) {
    const BYTE* row = bits + static_cast<size_t>(y) * stride;
    int x = 0;
    while (x < width) {
      auto differs = [&](int px) -> bool {
        switch (bpp) {
          case 8: {
            const RGBQUAD& q = palette[row[px]];
            return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue) != (key & 0xFFFFFF);
          }
          case 16:
            return static_cast<DWORD>(row[px * 2] | (row[px * 2 + 1] << 8)) != key16;
          case 24:
            return (static_cast<DWORD>(row[px * 3]) | (row[px * 3 + 1] << 8) | (row[px * 3 + 2] << 16)) != key32;
          default:
            return ((static_cast<DWORD>(row[px * 4]) | (row[px * 4 + 1] << 8) | (row[px * 4 + 2] << 16))) != key32;
        }
      };
      while (x < width && !differs(x)) ++x;
      int start = x;
      while (x < width && differs(x)) ++x;
      if (x > start) add(start, y, x);
    }
  }
  auto* header = reinterpret_cast<RGNDATAHEADER*>(buffer.data());
  header->dwSize = sizeof(RGNDATAHEADER);
  header->iType = RDH_RECTANGLES;
  header->nCount = count;
  header->nRgnSize = count * sizeof(RECT);
  SetRect(&header->rcBound, 0, 0, width, height);
  return ExtCreateRegion(nullptr, static_cast<DWORD>(sizeof(RGNDATAHEADER) + count * sizeof(RECT)),
                         reinterpret_cast<RGNDATA*>(buffer.data()));
}

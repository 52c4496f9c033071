// CSkinBitmap: a bitmap from the skin folder (a DIB section) with the drawing operations the
// skinned controls use.
#pragma once

#include <windows.h>

#include <string>

#include "VeneerExport.h"

class VENEER_API CSkinBitmap {
 public:
  CSkinBitmap();
  ~CSkinBitmap();
  CSkinBitmap(const CSkinBitmap&) = delete;
  CSkinBitmap& operator=(const CSkinBitmap&) = delete;

  // Frees any previous bitmap, then loads skin path + "\" + name. False when it fails.
  BOOL LoadBitmapW(const std::wstring& name);
  BOOL LoadFromFile(const std::wstring& fullPath);
  void Attach(HBITMAP bitmap);  // takes ownership
  HBITMAP Detach();
  void DeleteObject();
  HBITMAP GetSafeHandle() const { return m_hBitmap; }
  operator HBITMAP() const { return m_hBitmap; }

  int Width() const;
  int Height() const;

  BOOL BitBlt(HDC dc, int x, int y, DWORD rop = SRCCOPY) const;
  BOOL BitBlt(HDC dc, int x, int y, int cx, int cy, int srcX, int srcY, DWORD rop = SRCCOPY) const;
  BOOL StretchBlt(HDC dc, int x, int y, int cx, int cy) const;
  BOOL StretchBlt(HDC dc, int x, int y, int cx, int cy, int srcX, int srcY, int srcCx, int srcCy) const;
  // Leaves pixels of the key colour out.
  BOOL TransparentBlt(HDC dc, int x, int y, int cx, int cy, COLORREF key) const;
  BOOL TransparentBlt(HDC dc, int x, int y, int cx, int cy, int srcX, int srcY, int srcCx,
                      int srcCy, COLORREF key) const;
  // The same through a monochrome mask, without stretching.
  BOOL TransparentBltEx(HDC dc, int x, int y, COLORREF key) const;
  BOOL AlphaBlend(HDC dc, int x, int y, int cx, int cy, BYTE alpha) const;

  // Nine parts: corners unscaled, edges stretched along their length, the centre both ways.
  // Margins are left, top, right, bottom; they shrink to fit a smaller destination.
  BOOL FillRect9Grid(HDC dc, const RECT& dest, const RECT& margins) const;
  BOOL FillRect9Grid(HDC dc, const RECT& dest, const RECT& margins, COLORREF key) const;

  // A region of every pixel whose colour differs from the key; null without a bitmap.
  HRGN CreateRgnFromFile(COLORREF key) const;

 private:
  HBITMAP m_hBitmap;
};

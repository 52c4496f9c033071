// The unpacked skin as the windows use it: "skins.ini" with its sections "Dialog" and "Menu",
// bitmaps of the skin folder (with bitmap substitution), the page layout file
// "images/skin.ini" and the pictures it names.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "skin_values.h"

namespace lookout {

// The skin folder with a trailing "\" (empty when no skin was unpacked).
std::wstring SkinFolder();
DialogSkin CurrentDialogSkin();
MenuSkin CurrentMenuSkin();

// A bitmap of the skin folder named by a "skins.ini" value; null when it cannot be loaded
// (the error text is made and not shown).
HBITMAP LoadSkinBitmap(const std::wstring& value);
// A picture named in "images/skin.ini" (relative to the images folder).
HBITMAP LoadPageBitmap(const std::wstring& relativePath);
std::wstring PageFilePath(const std::wstring& relativePath);

// "images/skin.ini".
class PageLayout {
 public:
  PageLayout();
  std::wstring Value(const wchar_t* section, const wchar_t* key);
  std::optional<SkinRect> Rect(const wchar_t* section, const wchar_t* key);
  // The rectangle or `fallback`.
  RECT RectOr(const wchar_t* section, const wchar_t* key, RECT fallback);

 private:
  std::wstring m_path;
};

// Owns a GDI bitmap.
class BitmapHandle {
 public:
  BitmapHandle() = default;
  explicit BitmapHandle(HBITMAP h) : m_h(h) {}
  ~BitmapHandle() { Reset(); }
  BitmapHandle(const BitmapHandle&) = delete;
  BitmapHandle& operator=(const BitmapHandle&) = delete;
  void Reset(HBITMAP h = nullptr) {
    if (m_h != nullptr) DeleteObject(m_h);
    m_h = h;
  }
  HBITMAP get() const { return m_h; }
  SIZE Size() const { return SizeOf(m_h); }
  static SIZE SizeOf(HBITMAP bitmap);

 private:
  HBITMAP m_h = nullptr;
};

// Copies a bitmap (or a part of it) to a device context.
void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y, int cx, int cy, int srcX = 0, int srcY = 0);
void StretchBitmap(HDC dc, HBITMAP bitmap, const RECT& to, int srcX, int srcY, int srcCx, int srcCy);
// Leaves pixels of `key` out.
void DrawBitmapKeyed(HDC dc, HBITMAP bitmap, int x, int y, int cx, int cy, int srcX, int srcY, COLORREF key);

}  // namespace lookout

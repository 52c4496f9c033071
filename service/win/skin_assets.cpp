#include "skin_assets.h"

#include "service_app.h"
#include "ui_text.h"

namespace lookout {

std::wstring SkinFolder() { return g_App.m_skinSettings.Folder(); }

namespace {

std::wstring SkinsIni() { return SkinFolder() + L"skins.ini"; }

HBITMAP LoadFile(const std::wstring& path) {
  HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  if (bitmap == nullptr) {
    // Made and not shown: a missing picture leaves its element undrawn.
    std::wstring error = BitmapErrorText(path, GetLastError());
    (void)error;
  }
  return bitmap;
}

}  // namespace

DialogSkin CurrentDialogSkin() {
  ProfileFileReader file(SkinsIni());
  return ReadDialogSkin(file);
}

MenuSkin CurrentMenuSkin() {
  ProfileFileReader file(SkinsIni());
  return ReadMenuSkin(file, GetSysColor(COLOR_MENUTEXT), GetSysColor(COLOR_GRAYTEXT));
}

HBITMAP LoadSkinBitmap(const std::wstring& value) {
  if (value.empty() || SkinFolder().empty()) return nullptr;
  return LoadFile(SkinFolder() + SkinBitmapName(value, g_App.m_skinSettings.SubstitutesBitmaps()));
}

std::wstring PageFilePath(const std::wstring& relativePath) {
  std::wstring path = SkinFolder() + L"images\\" + relativePath;
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

HBITMAP LoadPageBitmap(const std::wstring& relativePath) {
  if (relativePath.empty() || SkinFolder().empty()) return nullptr;
  return LoadFile(PageFilePath(relativePath));
}

PageLayout::PageLayout() : m_path(SkinFolder() + L"images\\skin.ini") {}

std::wstring PageLayout::Value(const wchar_t* section, const wchar_t* key) {
  ProfileFileReader file(m_path);
  return file.GetString(section, key, L"");
}

std::optional<SkinRect> PageLayout::Rect(const wchar_t* section, const wchar_t* key) {
  ProfileFileReader file(m_path);
  return ReadSkinRect(file, section, key);
}

RECT PageLayout::RectOr(const wchar_t* section, const wchar_t* key, RECT fallback) {
  std::optional<SkinRect> r = Rect(section, key);
  if (!r) return fallback;
  return RECT{r->left, r->top, r->right(), r->bottom()};
}

SIZE BitmapHandle::SizeOf(HBITMAP bitmap) {
  BITMAP info = {};
  if (bitmap == nullptr || GetObjectW(bitmap, sizeof info, &info) == 0) return SIZE{0, 0};
  return SIZE{info.bmWidth, info.bmHeight};
}

void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y, int cx, int cy, int srcX, int srcY) {
  if (bitmap == nullptr) return;
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(dc, x, y, cx, cy, memory, srcX, srcY, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
}

void StretchBitmap(HDC dc, HBITMAP bitmap, const RECT& to, int srcX, int srcY, int srcCx, int srcCy) {
  if (bitmap == nullptr) return;
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, bitmap);
  SetStretchBltMode(dc, HALFTONE);
  StretchBlt(dc, to.left, to.top, to.right - to.left, to.bottom - to.top, memory, srcX, srcY, srcCx, srcCy, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
}

void DrawBitmapKeyed(HDC dc, HBITMAP bitmap, int x, int y, int cx, int cy, int srcX, int srcY, COLORREF key) {
  if (bitmap == nullptr) return;
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, bitmap);
  TransparentBlt(dc, x, y, cx, cy, memory, srcX, srcY, cx, cy, key);
  SelectObject(memory, old);
  DeleteDC(memory);
}

}  // namespace lookout

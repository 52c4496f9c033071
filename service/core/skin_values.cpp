#include "skin_values.h"

#include <cwctype>

namespace lookout {
namespace {

bool ReadInt(const std::wstring& text, size_t& at, int* value) {
  while (at < text.size() && std::iswspace(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == L'-' || text[at] == L'+')) negative = text[at++] == L'-';
  size_t digits = 0;
  long long v = 0;
  while (at < text.size() && text[at] >= L'0' && text[at] <= L'9') {
    if (v < 100000000) v = v * 10 + (text[at] - L'0');
    ++at;
    ++digits;
  }
  while (at < text.size() && std::iswspace(text[at])) ++at;
  if (digits == 0) return false;
  *value = static_cast<int>(negative ? -v : v);
  return true;
}

uint32_t Color(ProfileReader& f, const wchar_t* section, const wchar_t* key, uint32_t fallback) {
  return static_cast<uint32_t>(f.GetInt(section, key, static_cast<int>(fallback)));
}

}  // namespace

std::optional<SkinRect> ParseSkinRect(const std::wstring& text) {
  int v[4];
  size_t at = 0;
  for (int i = 0; i < 4; ++i) {
    if (!ReadInt(text, at, &v[i])) return std::nullopt;
    if (i < 3) {
      if (at >= text.size() || text[at] != L',') return std::nullopt;
      ++at;
    }
  }
  if (at != text.size() || v[2] < 0 || v[3] < 0) return std::nullopt;
  return SkinRect{v[0], v[1], v[2], v[3]};
}

std::optional<SkinRect> ReadSkinRect(ProfileReader& file, const wchar_t* section, const wchar_t* key) {
  return ParseSkinRect(file.GetString(section, key, L""));
}

DialogSkin ReadDialogSkin(ProfileReader& f) {
  const wchar_t* s = L"Dialog";
  DialogSkin d;
  d.bgColor = Color(f, s, L"BgColor", d.bgColor);
  d.roundCornerCx = f.GetInt(s, L"RoundCornerCX", d.roundCornerCx);
  d.roundCornerCy = f.GetInt(s, L"RoundCornerCY", d.roundCornerCy);
  d.captionBitmap = f.GetString(s, L"CaptionBitmap", L"");
  d.borderLeftBitmap = f.GetString(s, L"BorderLeftBitmap", L"");
  d.borderRightBitmap = f.GetString(s, L"BorderRightBitmap", L"");
  d.borderBottomBitmap = f.GetString(s, L"BorderBottomBitmap", L"");
  d.drawLinePenColor = Color(f, s, L"DrawLinePenColor", d.drawLinePenColor);
  d.bottomLTBgColor = Color(f, s, L"BottomLTBgColor", d.bottomLTBgColor);
  d.bottomRBBgColor = Color(f, s, L"BottomRBBgColor", d.bottomRBBgColor);
  d.closeButtonBitmap = f.GetString(s, L"CloseButtonBitmap", L"");
  d.maxButtonBitmap = f.GetString(s, L"MaxButtonBitmap", L"");
  d.restoreButtonBitmap = f.GetString(s, L"RestoreButtonBitmap", L"");
  d.minButtonBitmap = f.GetString(s, L"MinButtonBitmap", L"");
  d.uiComponentString = f.GetString(s, L"UIComponentString", L"");
  d.fontName = f.GetString(s, L"FontName", L"");
  d.fontHeight = f.GetInt(s, L"FontHeight", -1);
  d.fontWidth = f.GetInt(s, L"FontWidth", -1);
  d.fontWeight = f.GetInt(s, L"FontWeight", -1);
  return d;
}

MenuSkin ReadMenuSkin(ProfileReader& f, uint32_t systemText, uint32_t systemGray) {
  const wchar_t* s = L"Menu";
  MenuSkin m;
  m.textNormalColor = Color(f, s, L"TextNormalColor", systemText);
  m.textSelColor = Color(f, s, L"TextSelColor", systemText);
  m.textGrayColor = Color(f, s, L"TextGrayColor", systemGray);
  m.itemDarkColor = Color(f, s, L"ItemDarkColor", m.itemDarkColor);
  m.itemNormalColor = Color(f, s, L"ItemNormalColor", m.itemNormalColor);
  m.itemSelColor = Color(f, s, L"ItemSelColor", m.itemSelColor);
  m.itemBorderColor = Color(f, s, L"ItemBorderColor", m.itemBorderColor);
  m.borderColor = Color(f, s, L"BorderColor", m.borderColor);
  m.bitmapMask = Color(f, s, L"BitmapMask", m.bitmapMask);
  m.itemStateBitmap = f.GetString(s, L"ItemStateBitmap", L"");
  m.itemSelBitmap = f.GetString(s, L"ItemSelBitmap", L"");
  return m;
}

std::wstring SkinBitmapName(const std::wstring& value, bool substitute) {
  if (!substitute) return value;
  std::wstring name = value;
  size_t at = name.find(L".bmp");
  if (at != std::wstring::npos) name.replace(at, 4, L".tmp");
  return name;
}

std::wstring WithLineBreaks(const std::wstring& text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\\' && i + 1 < text.size() && text[i + 1] == L'n') {
      out += L'\n';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::wstring BitmapErrorText(const std::wstring& path, unsigned long error) {
  return L"Get Bitmap " + path + L" Error " + std::to_wstring(error) + L".\n";
}

}  // namespace lookout

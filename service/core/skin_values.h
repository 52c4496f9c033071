// Values of the unpacked skin: the rectangles of the page layout file "images/skin.ini", the
// sections "Dialog" and "Menu" of "skins.ini" with their defaults, bitmap names, and texts of
// the language files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace lookout {

// The profile functions on one file, for reading.
class ProfileReader {
 public:
  virtual ~ProfileReader() = default;
  virtual std::wstring GetString(const wchar_t* section, const wchar_t* key, const wchar_t* fallback) = 0;
  virtual int GetInt(const wchar_t* section, const wchar_t* key, int fallback) = 0;
};

struct SkinRect {
  int left = 0, top = 0, width = 0, height = 0;
  int right() const { return left + width; }
  int bottom() const { return top + height; }
};
// "left, top, width, height": four comma-separated integers (blanks allowed around them).
std::optional<SkinRect> ParseSkinRect(const std::wstring& text);
std::optional<SkinRect> ReadSkinRect(ProfileReader& file, const wchar_t* section, const wchar_t* key);

constexpr uint32_t kNoColor = 0xFFFFFFFFu;

// Section "Dialog" (colours as 0x00BBGGRR).
struct DialogSkin {
  uint32_t bgColor = 0xFFFFFF;
  int roundCornerCx = 11, roundCornerCy = 11;
  std::wstring captionBitmap, borderLeftBitmap, borderRightBitmap, borderBottomBitmap;
  uint32_t drawLinePenColor = 0xCDCDCD;
  uint32_t bottomLTBgColor = 0xF2F0ED, bottomRBBgColor = 0xDFDAD5;
  std::wstring closeButtonBitmap, maxButtonBitmap, restoreButtonBitmap, minButtonBitmap;
  std::wstring uiComponentString;
  std::wstring fontName;
  int fontHeight = -1, fontWidth = -1, fontWeight = -1;  // -1: the system's
};
DialogSkin ReadDialogSkin(ProfileReader& skins);

// Section "Menu"; the text colours default to the system's.
struct MenuSkin {
  uint32_t textNormalColor, textSelColor, textGrayColor;
  uint32_t itemDarkColor = 0xE8DE9C, itemNormalColor = 0xFFFDF3, itemSelColor = 0xF3D0B4;
  uint32_t itemBorderColor = 0x89554B, borderColor = 0xBD9E7B, bitmapMask = 0xC0C0C0;
  std::wstring itemStateBitmap, itemSelBitmap;
};
MenuSkin ReadMenuSkin(ProfileReader& skins, uint32_t systemText, uint32_t systemGray);

// With bitmap substitution a value holding ".bmp" is loaded with ".tmp" in its place.
std::wstring SkinBitmapName(const std::wstring& value, bool substitute);

// The two characters "\n" become a line break.
std::wstring WithLineBreaks(const std::wstring& text);

// "Get Bitmap %s Error %d.\n"
std::wstring BitmapErrorText(const std::wstring& path, unsigned long error);

}  // namespace lookout

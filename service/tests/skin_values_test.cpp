#include "skin_values.h"

#include <gtest/gtest.h>

#include <map>

using namespace lookout;

namespace {

class MapProfile : public ProfileReader {
 public:
  std::map<std::wstring, std::wstring> values;  // "Section/key"
  std::wstring GetString(const wchar_t* s, const wchar_t* k, const wchar_t* fallback) override {
    auto it = values.find(std::wstring(s) + L"/" + k);
    return it == values.end() ? fallback : it->second;
  }
  int GetInt(const wchar_t* s, const wchar_t* k, int fallback) override {
    auto it = values.find(std::wstring(s) + L"/" + k);
    return it == values.end() ? fallback : std::stoi(it->second);
  }
};

}  // namespace

TEST(SkinValues, Rectangles) {
  std::optional<SkinRect> r = ParseSkinRect(L"200,150,220,28");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->left, 200);
  EXPECT_EQ(r->top, 150);
  EXPECT_EQ(r->right(), 420);
  EXPECT_EQ(r->bottom(), 178);
  r = ParseSkinRect(L" 0, 0, 563 ,426");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->width, 563);
  EXPECT_TRUE(ParseSkinRect(L"-5,-1,3,4"));
  for (const wchar_t* bad : {L"", L"1,2,3", L"1,2,3,4,5", L"a,b,c,d", L"1,2,-3,4", L"1,2,3,4x", L"1;2;3;4"})
    EXPECT_FALSE(ParseSkinRect(bad)) << std::wstring(bad).size();
  MapProfile f;
  f.values[L"attpage1/edit1"] = L"200,150,220,28";
  EXPECT_TRUE(ReadSkinRect(f, L"attpage1", L"edit1"));
  EXPECT_FALSE(ReadSkinRect(f, L"attpage1", L"edit2"));
}

TEST(SkinValues, DialogAndMenuSectionsWithDefaults) {
  MapProfile empty;
  DialogSkin d = ReadDialogSkin(empty);
  EXPECT_EQ(d.bgColor, 0xFFFFFFu);
  EXPECT_EQ(d.roundCornerCx, 11);
  EXPECT_EQ(d.roundCornerCy, 11);
  EXPECT_EQ(d.drawLinePenColor, 0xCDCDCDu);
  EXPECT_EQ(d.bottomLTBgColor, 0xF2F0EDu);
  EXPECT_EQ(d.bottomRBBgColor, 0xDFDAD5u);
  EXPECT_TRUE(d.fontName.empty());
  EXPECT_EQ(d.fontHeight, -1);
  EXPECT_EQ(d.fontWeight, -1);
  MenuSkin m = ReadMenuSkin(empty, 0x111111, 0x808080);
  EXPECT_EQ(m.textNormalColor, 0x111111u);
  EXPECT_EQ(m.textSelColor, 0x111111u);
  EXPECT_EQ(m.textGrayColor, 0x808080u);
  EXPECT_EQ(m.itemDarkColor, 0xE8DE9Cu);
  EXPECT_EQ(m.itemNormalColor, 0xFFFDF3u);
  EXPECT_EQ(m.itemSelColor, 0xF3D0B4u);
  EXPECT_EQ(m.itemBorderColor, 0x89554Bu);
  EXPECT_EQ(m.borderColor, 0xBD9E7Bu);
  EXPECT_EQ(m.bitmapMask, 0xC0C0C0u);

  MapProfile f;
  f.values[L"Dialog/BgColor"] = L"255";
  f.values[L"Dialog/RoundCornerCX"] = L"5";
  f.values[L"Dialog/CaptionBitmap"] = L"caption.bmp";
  f.values[L"Dialog/FontName"] = L"宋体";
  f.values[L"Dialog/FontHeight"] = L"-12";
  f.values[L"Menu/ItemSelBitmap"] = L"menu_sel.bmp";
  f.values[L"Menu/TextSelColor"] = L"13453598";
  d = ReadDialogSkin(f);
  EXPECT_EQ(d.bgColor, 255u);
  EXPECT_EQ(d.roundCornerCx, 5);
  EXPECT_EQ(d.roundCornerCy, 11);
  EXPECT_EQ(d.captionBitmap, L"caption.bmp");
  EXPECT_EQ(d.fontName, L"宋体");
  EXPECT_EQ(d.fontHeight, -12);
  m = ReadMenuSkin(f, 0, 0);
  EXPECT_EQ(m.itemSelBitmap, L"menu_sel.bmp");
  EXPECT_EQ(m.textSelColor, 13453598u);
}

TEST(SkinValues, BitmapNamesTextsAndErrors) {
  EXPECT_EQ(SkinBitmapName(L"caption.bmp", true), L"caption.tmp");
  EXPECT_EQ(SkinBitmapName(L"caption.bmp", false), L"caption.bmp");
  EXPECT_EQ(SkinBitmapName(L"load1.gif", true), L"load1.gif");
  EXPECT_EQ(WithLineBreaks(L"a\\nb\\n"), L"a\nb\n");
  EXPECT_EQ(WithLineBreaks(L"a\\tb\\"), L"a\\tb\\");
  EXPECT_EQ(BitmapErrorText(L"C:\\x.tmp", 2), L"Get Bitmap C:\\x.tmp Error 2.\n");
}

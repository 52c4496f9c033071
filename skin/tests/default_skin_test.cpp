#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "Markup.h"
#include "SkinResourceManager.h"
#include "VeneerPackage.h"
#include "png_image.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

std::map<std::string, std::vector<uint8_t>> FilesUnder(const fs::path& root) {
  std::map<std::string, std::vector<uint8_t>> files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (e.is_regular_file()) files[fs::relative(e.path(), root).generic_string()] = ReadBytes(e.path());
  }
  return files;
}

TEST(DefaultSkin, PackageUnpacksToTheDrawnFilesByteForByte) {
  TempDir tmp;
  veneer::UnpackResult r = veneer::UnpackPackageFile(VENEER_TEST_PACKAGE, tmp.path() / "skins", veneer::kSkinPackageKey);
  EXPECT_TRUE(r.complete) << r.stop;
  EXPECT_EQ(r.failed, 0u);
  auto expected = FilesUnder(VENEER_TEST_TREE);
  auto got = FilesUnder(tmp.path() / "skins");
  ASSERT_EQ(got.size(), expected.size());
  for (auto& [name, data] : expected) {
    ASSERT_TRUE(got.count(name)) << name;
    EXPECT_TRUE(got[name] == data) << name;
  }
  // Nested packages became folders.
  EXPECT_TRUE(got.count("images/skin.ini"));
  EXPECT_TRUE(got.count("default_skin/default.xml"));
  EXPECT_TRUE(got.count("skins.ini"));
}

TEST(DefaultSkin, PackageIsEncipheredWithTheProgramKey) {
  std::vector<uint8_t> bytes = ReadBytes(VENEER_TEST_PACKAGE);
  ASSERT_GE(bytes.size(), 8u);
  EXPECT_EQ(bytes.size() % 8, 0u);
  std::vector<veneer::PackageEntry> entries;
  veneer::ReadPackage(bytes.data(), bytes.size(), entries);
  EXPECT_TRUE(entries.empty());  // not readable without deciphering
  std::vector<uint8_t> wrong = bytes;
  veneer::DecipherPackage(wrong, veneer::kDefaultPackageKey);
  veneer::ReadPackage(wrong.data(), wrong.size(), entries);
  EXPECT_TRUE(entries.empty());
  veneer::DecipherPackage(bytes, veneer::kSkinPackageKey);
  veneer::UnpackResult r = veneer::ReadPackage(bytes.data(), bytes.size(), entries);
  EXPECT_TRUE(r.complete);
  EXPECT_GT(entries.size(), 40u);
}

TEST(DefaultSkin, DescriptionHasEveryKindAndTheNamedVariants) {
  CSkinResourceManager* m = CSkinResourceManager::GetInstance();
  m->ReadVeneersXml((fs::path(VENEER_TEST_TREE) / "default_skin" / "default.xml").wstring());
  ASSERT_NE(m->GetSkinButtonInfo(L"btn.default"), nullptr);
  EXPECT_EQ(m->GetSkinButtonInfo(L"btn.default")->strBackNormal, L"btn_normal.bmp");
  EXPECT_EQ(m->GetSkinButtonInfo(L"btn.png")->bPngBack, 1);
  EXPECT_NE(m->GetSkinRadioCheckInfo(L"radio.default"), nullptr);
  EXPECT_NE(m->GetSkinRadioCheckInfo(L"check.default"), nullptr);
  EXPECT_NE(m->GetSkinEditInfo(L"edit.default"), nullptr);
  EXPECT_NE(m->GetSkinComboBoxInfo(L"combo.default"), nullptr);
  EXPECT_NE(m->GetSkinProgressInfo(L"progress.default"), nullptr);
  EXPECT_NE(m->GetSkinSliderCtrlInfo(L"slider.default"), nullptr);
  EXPECT_NE(m->GetSkinSlider_ProgressCtrlInfo(L"slider.default"), nullptr);
  EXPECT_NE(m->GetSkinHeadCtrlInfo(L"head.default"), nullptr);
  EXPECT_NE(m->GetSkinListCtrlInfo(L"list.device"), nullptr);
  EXPECT_EQ(m->GetDefaultEditInfo()->clrBorder, 0xBD9E7Bu);
  EXPECT_EQ(m->GetDefaultListCtrlInfo()->nItemHeight, 22);
  EXPECT_EQ(m->GetDefaultListCtrlInfo()->strHeadLabel, L"head.default");
  ASSERT_NE(m->GetPublicFont(L"font.title"), nullptr);
  EXPECT_EQ(m->GetPublicFont(L"font.title")->strFaceName, L"\u5E7C\u5706");  // 幼圆
  EXPECT_EQ(m->GetPublicFont(L"font.list")->strFaceName, L"\u5B8B\u4F53");   // 宋体

  // Every picture the description names is in the folder and readable.
  CMarkup xml;
  ASSERT_TRUE(xml.Load((fs::path(VENEER_TEST_TREE) / "default_skin" / "default.xml").wstring()));
  const fs::path folder = fs::path(VENEER_TEST_TREE) / "default_skin";
  const tagSKINBUTTONINFO* b = m->GetDefaultButtonInfo();
  for (const std::wstring& name : {b->strBackNormal, b->strBackHot, b->strBackDown, b->strBackDisable, b->strBackFocus}) {
    EXPECT_TRUE(fs::exists(folder / name)) << std::string(name.begin(), name.end());
  }
  veneer::BgraImage thumb;
  EXPECT_TRUE(veneer::LoadPngFile(folder / m->GetDefaultSliderCtrlInfo()->strThumbNormal, thumb));
  CSkinResourceManager::DestroyInstance();
}

TEST(DefaultSkin, PageLayoutAndSettingsFiles) {
  std::vector<uint8_t> ini = ReadBytes(fs::path(VENEER_TEST_TREE) / "images" / "skin.ini");
  std::string text(ini.begin(), ini.end());
  for (const char* key : {"[SCREEN]", "background0=", "background5=", "background51=", "closebtn=", "[LOAD]",
                          "load1=", "[btnbg]", "btnclose=", "[attpage1]", "[attpage5]", "list1=",
                          "[cameratip]", "[checkuser]"}) {
    EXPECT_NE(text.find(key), std::string::npos) << key;
  }
  std::vector<uint8_t> skins = ReadBytes(fs::path(VENEER_TEST_TREE) / "skins.ini");
  ASSERT_GE(skins.size(), 2u);
  EXPECT_EQ(skins[0], 0xFF);  // UTF-16 with a byte-order mark
  EXPECT_EQ(skins[1], 0xFE);
  std::u16string wide;
  for (size_t i = 2; i + 1 < skins.size(); i += 2) wide.push_back(static_cast<char16_t>(skins[i] | (skins[i + 1] << 8)));
  EXPECT_NE(wide.find(u"[Dialog]"), std::u16string::npos);
  EXPECT_NE(wide.find(u"[Menu]"), std::u16string::npos);
  EXPECT_NE(wide.find(u"RoundCornerCX=11"), std::u16string::npos);
  // Bitmaps are also there under their substituted names.
  EXPECT_TRUE(fs::exists(fs::path(VENEER_TEST_TREE) / "caption.tmp"));
  EXPECT_TRUE(fs::exists(fs::path(VENEER_TEST_TREE) / "caption.bmp"));
  // Page backgrounds fill the main window.
  std::vector<uint8_t> bmp = ReadBytes(fs::path(VENEER_TEST_TREE) / "images" / "bg_login.bmp");
  ASSERT_GE(bmp.size(), 26u);
  EXPECT_EQ(bmp[18] | (bmp[19] << 8), 563);
  EXPECT_EQ(bmp[22] | (bmp[23] << 8), 426);
}

// A 24-bit bottom-up BMP file's pixels as 0x00BBGGRR values, top row first.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  size_t Count(uint32_t colour) const {
    return static_cast<size_t>(std::count(pixels.begin(), pixels.end(), colour));
  }
};

Picture ReadBmp24(const fs::path& path) {
  std::vector<uint8_t> b = ReadBytes(path);
  Picture p;
  if (b.size() < 54 || b[28] != 24) return p;
  auto u32 = [&](size_t at) { return uint32_t{b[at]} | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24; };
  const uint32_t offset = u32(10);
  p.width = static_cast<int>(u32(18));
  p.height = static_cast<int>(u32(22));
  const size_t stride = (static_cast<size_t>(p.width) * 3 + 3) & ~size_t{3};
  if (p.width <= 0 || p.height <= 0 || offset + stride * p.height > b.size()) return Picture{};
  for (int y = 0; y < p.height; ++y) {
    const uint8_t* row = &b[offset + stride * (p.height - 1 - y)];
    for (int x = 0; x < p.width; ++x)
      p.pixels.push_back(row[3 * x + 2] | row[3 * x + 1] << 8 | uint32_t{row[3 * x]} << 16);
  }
  return p;
}

TEST(DefaultSkin, TransparentPixelsAreTheKeysTheirReadersLeaveOut) {
  // The menus leave out "[Menu] BitmapMask" of skins.ini.
  std::vector<uint8_t> skins = ReadBytes(fs::path(VENEER_TEST_TREE) / "skins.ini");
  std::string ascii;  // UTF-16 text whose keys and numbers are ASCII
  for (size_t i = 2; i + 1 < skins.size(); i += 2) ascii.push_back(skins[i + 1] == 0 ? static_cast<char>(skins[i]) : '?');
  const size_t at = ascii.find("BitmapMask=");
  ASSERT_NE(at, std::string::npos);
  const uint32_t menuKey = static_cast<uint32_t>(std::stoul(ascii.substr(at + 11)));
  EXPECT_EQ(menuKey, 0xC0C0C0u);
  const uint32_t kMagenta = 0xFF00FF;
  Picture state = ReadBmp24(fs::path(VENEER_TEST_TREE) / "menu_state.bmp");
  ASSERT_EQ(state.width, 16);
  EXPECT_EQ(state.At(0, 0), menuKey) << "the check mark's surroundings are left out";
  EXPECT_GT(state.Count(menuKey), 100u);
  EXPECT_EQ(state.Count(kMagenta), 0u);
  Picture selection = ReadBmp24(fs::path(VENEER_TEST_TREE) / "menu_sel.bmp");
  ASSERT_EQ(selection.width, 40);
  EXPECT_EQ(selection.Count(kMagenta), 0u);

  // Veneer's controls leave out the key colours of their records.
  CSkinResourceManager* m = CSkinResourceManager::GetInstance();
  const fs::path controls = fs::path(VENEER_TEST_TREE) / "default_skin";
  m->ReadVeneersXml((controls / "default.xml").wstring());
  const uint32_t radioKey = m->GetDefaultRadioCheckInfo()->clrTransparent;
  const uint32_t progressKey = m->GetDefaultProgressInfo()->clrTransparent;
  CSkinResourceManager::DestroyInstance();
  for (const char* name : {"radio_normal.bmp", "radios_down.bmp"}) {
    Picture radio = ReadBmp24(controls / name);
    ASSERT_EQ(radio.width, 15) << name;
    EXPECT_EQ(radio.At(0, 0), radioKey) << name;
    EXPECT_EQ(radio.Count(menuKey), 0u) << name;
  }
  Picture channel = ReadBmp24(controls / "progress_channel.bmp");
  ASSERT_EQ(channel.width, 100);
  EXPECT_EQ(channel.At(0, 0), progressKey);
  EXPECT_EQ(channel.At(99, 13), progressKey);
}

}  // namespace

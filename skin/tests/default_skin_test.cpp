#include <gtest/gtest.h>

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

}  // namespace

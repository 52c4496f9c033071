#include "settings.h"
#include "skin_paths.h"

#include <gtest/gtest.h>

TEST(SkinPaths, PerProcessFolderAndPackagePaths) {
  auto p = lookout::MakeSkinPaths(L"C:\\users\\me\\Temp", L"C:\\Lookout\\", 0x1a2b);
  EXPECT_EQ(p.tempFolder, L"C:\\users\\me\\Temp\\vskn1A2B\\");
  EXPECT_EQ(p.package, L"C:\\Lookout\\ZOSkin\\rara_hard.vskn");
  EXPECT_EQ(p.workingCopy, L"C:\\users\\me\\Temp\\vskn1A2B\\acel_hard.vskn");
  EXPECT_EQ(p.skinFolder, L"C:\\users\\me\\Temp\\vskn1A2B\\skins");
  EXPECT_EQ(lookout::MakeSkinPaths(L"D:\\t\\", L"", 16).tempFolder, L"D:\\t\\vskn10\\");
}

TEST(SkinPaths, ProgramFolderAndSettingsPath) {
  EXPECT_EQ(lookout::FolderOf(L"C:\\a\\b\\Lookout.exe"), L"C:\\a\\b\\");
  EXPECT_EQ(lookout::FolderOf(L"Lookout.exe"), L"");
  EXPECT_EQ(lookout::SettingsPathFor(L"C:\\a.b\\Lookout.exe"), L"C:\\a.b\\Lookout.ini");
  EXPECT_EQ(lookout::SettingsPathFor(L"C:\\a.b\\Lookout"), L"C:\\a.ini");
  EXPECT_EQ(lookout::SettingsPathFor(L"C:\\ab\\Lookout"), L"");
}

// The Windows layer's own rules: code page 936 conversions and cuts, and the wide profile
// functions as the key table relies on them (capacity, case, defaults).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "profile_file.h"
#include "search_protocol.h"
#include "win_text_codec.h"

using namespace camshare;
using namespace camshare::win;

namespace {

std::wstring TempFile(const wchar_t* name) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  return std::wstring(dir) + name + std::to_wstring(GetCurrentProcessId()) + L".ini";
}

}  // namespace

TEST(AnsiCodec, ChineseTextThroughCodePage936) {
  ASSERT_EQ(GetACP(), 936u);
  const AnsiCodec& codec = AnsiCodec::Instance();
  const std::string gbk = "\xD6\xD0\xCE\xC4";  // zhong wen
  EXPECT_EQ(codec.AnsiToWide(gbk), std::wstring(L"\x4E2D\x6587"));
  EXPECT_EQ(codec.WideToAnsi(L"\x4E2D\x6587"), gbk);
  EXPECT_EQ(codec.Utf8ToWide("\xE4\xB8\xAD\xE6\x96\x87"), std::wstring(L"\x4E2D\x6587"));
  EXPECT_TRUE(codec.IsLeadByte(0xD6));
  EXPECT_FALSE(codec.IsLeadByte('a'));
  EXPECT_EQ(search::ConvertCameraName("\xE4\xB8\xAD\xE6\x96\x87" "cam", codec), "\xD6\xD0\xCE\xC4" "cam");
  // "x" and ten Cyrillic letters: 21 bytes of UTF-8 and 21 in the code page; the cut keeps
  // whole characters only.
  std::string utf8 = "x";
  for (int i = 0; i < 10; ++i) utf8 += "\xD0\xB0";
  std::string out = search::ConvertCameraName(utf8, codec);
  EXPECT_EQ(out.size(), 19u);
  EXPECT_EQ(out[0], 'x');
  EXPECT_EQ(codec.AnsiToWide(out), L"x" + std::wstring(9, L'\x0430'));
  // A name in the code page already (not UTF-8) is kept, cut on a character boundary.
  EXPECT_EQ(search::ConvertCameraName("0123456789012345678\xD6\xD0", codec), "0123456789012345678");
}

TEST(ProfileFile, ProfileFunctionsRules) {
  std::wstring path = TempFile(L"rookery-profile-");
  DeleteFileW(path.c_str());
  FILE* f = _wfopen(path.c_str(), L"wb");
  ASSERT_NE(f, nullptr);
  std::fputs("[System]\r\nCameraNumber=2\r\nCameraIDList=0003#0007#\r\n[Camera3]\r\nsername=\xD6\xD0\xCE\xC4\r\n"
             "url=192.168.1.20\r\nwebport=65617\r\n",
             f);
  std::fclose(f);
  ProfileFile file(path);
  EXPECT_EQ(file.GetInt(L"system", L"cameranumber", 0), 2);
  EXPECT_EQ(file.GetString(L"SYSTEM", L"CameraIDList", L"", 2000), L"0003#0007#");
  EXPECT_EQ(file.GetString(L"camera3", L"sername", L"0.0.0.0", 40), std::wstring(L"\x4E2D\x6587"));
  EXPECT_EQ(file.GetString(L"Camera3", L"url", L"x", 6), L"192.1");  // capacity 6: 5 characters
  EXPECT_EQ(file.GetString(L"Camera3", L"missing", L"0.0.0.0", 6), L"0.0.0");
  EXPECT_EQ(file.GetString(L"Camera9", L"url", L"0.0.0.0", 60), L"0.0.0.0");
  EXPECT_EQ(file.GetInt(L"Camera3", L"webport", 80) & 0xFFFF, 0x51);
  EXPECT_EQ(file.GetInt(L"Camera3", L"localport", 3000), 3000);
  file.WriteString(L"Camera0", L"mac", std::wstring(L"A\x81z"));
  file.WriteString(L"system", L"CameraNumber", L"0");
  EXPECT_EQ(file.GetInt(L"System", L"CameraNumber", 5), 0);
  EXPECT_EQ(file.GetString(L"Camera0", L"mac", L"", 6)[0], L'A');
  DeleteFileW(path.c_str());

  ProfileFile none(L"");
  EXPECT_EQ(none.GetString(L"a", L"b", L"orvel", 20), L"orvel");
  EXPECT_EQ(none.GetInt(L"a", L"b", 80), 80);
  none.WriteString(L"a", L"b", L"c");  // no file, no write
}

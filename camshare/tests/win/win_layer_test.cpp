// The Windows layer on its own: code page conversions, the profile functions, paths beside
// a module, the address table and the search socket's port fallback (bind only, no send).
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "address_table.h"
#include "profile_file.h"
#include "rookery_state.h"
#include "search_protocol.h"
#include "search_socket.h"
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

TEST(AnsiCodec, SystemCodePageIs936) { EXPECT_EQ(GetACP(), 936u); }

TEST(AnsiCodec, ChineseTextThroughCodePage936) {
  const AnsiCodec& codec = AnsiCodec::Instance();
  const std::string gbk = "\xD6\xD0\xCE\xC4";  // zhong wen
  EXPECT_EQ(codec.AnsiToWide(gbk), std::wstring(L"\x4E2D\x6587"));
  EXPECT_EQ(codec.WideToAnsi(L"\x4E2D\x6587"), gbk);
  EXPECT_EQ(codec.Utf8ToWide("\xE4\xB8\xAD\xE6\x96\x87"), std::wstring(L"\x4E2D\x6587"));
  EXPECT_TRUE(codec.IsLeadByte(0xD6));
  EXPECT_FALSE(codec.IsLeadByte('a'));
  EXPECT_EQ(codec.AnsiToWide(""), L"");
}

TEST(AnsiCodec, UtfEightNameBecomesCodePageText) {
  const AnsiCodec& codec = AnsiCodec::Instance();
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
  std::string gbk = "0123456789012345678\xD6\xD0";
  EXPECT_EQ(search::ConvertCameraName(gbk, codec), "0123456789012345678");
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

TEST(Paths, BesideTheModule) {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring dir(exe);
  dir.resize(dir.find_last_of(L'\\') + 1);
  wchar_t buffer[kPathCapacity];
  EXPECT_EQ(std::wstring(PathBesideModule(nullptr, L"DoderadIrava.ini", buffer)), dir + L"DoderadIrava.ini");
  std::wstring tooLong(300, L'x');
  EXPECT_EQ(std::wstring(PathBesideModule(nullptr, tooLong.c_str(), buffer)), L"");
  EXPECT_EQ(OwnModule(), GetModuleHandleW(nullptr));  // linked into the program
}

TEST(AddressTable, HasLoopback) {
  std::vector<search::LocalAddress> table;
  ASSERT_TRUE(ReadLocalAddresses(&table));
  bool loopback = false;
  for (const auto& row : table) loopback |= row.address == 0x7F000001 && row.mask == 0xFF000000;
  EXPECT_TRUE(loopback);
}

TEST(SearchSocket, TakenPortFallsBackToAChosenOne) {
  WSADATA data;
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
  // A free high port stands in for 10000 here; nothing is sent.
  const uint16_t port = 47613;
  SOCKET holder = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  sockaddr_in local = {};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
  SearchSocket a;
  ASSERT_TRUE(a.Open(port));
  EXPECT_NE(a.LocalPort(), port);
  EXPECT_NE(a.LocalPort(), 0);
  closesocket(holder);
  SearchSocket b;
  ASSERT_TRUE(b.Open(port));
  EXPECT_EQ(b.LocalPort(), port);
  EXPECT_EQ(b.WaitReadable(10), 0);
  WSACleanup();
}

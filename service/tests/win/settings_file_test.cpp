// The settings file through the system's profile functions: the bytes of a first save, and
// reading them back.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "settings_file.h"
#include "win_text.h"

using namespace lookout;

namespace {

std::wstring TempFile(const wchar_t* name) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring path = std::wstring(temp) + name + std::to_wstring(GetCurrentProcessId()) + L".ini";
  DeleteFileW(path.c_str());
  return path;
}

std::string Bytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

CameraInfo Camera(const std::wstring& name, const std::wstring& key, const std::wstring& guid, int cmd) {
  CameraInfo c;
  SetField(c.CameraName, name);
  SetField(c.DisplayName, key);
  SetField(c.GUID, guid);
  c.CMDID = cmd;
  return c;
}

}  // namespace

TEST(SettingsFile, FirstSaveWritesTheseBytes) {
  ASSERT_EQ(GetACP(), 936u) << "the tests run with the Chinese system code page";
  std::wstring path = TempFile(L"lookout-settings");
  ProfileSettingsStore store(path);
  ServiceSettings s;
  EXPECT_FALSE(ReadSettings(store, s));
  EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);

  s.m_nLastInline = 1;
  SetField(s.m_szDefaultCamera, L"usbkey");
  s.m_mapOnline.SetAt(L"usbkey", Camera(L"摄像头 - [usbkey]", L"usbkey", L"kvvid046dpid0825446", 130));
  CameraInfo gone = Camera(L"old - [b]", L"b", L"kvb", 131);
  gone.NOTIPS = 1;
  s.m_mapStored.SetAt(L"b", gone);
  ASSERT_TRUE(WriteSettings(store, s));

  EXPECT_EQ(Bytes(path),
            "[MAIN]\r\n"
            "ServerURL=platform.lookout.invalid\r\n"
            "CameraCount=2\r\n"
            "LastInline=1\r\n"
            "DefaultCamera=usbkey\r\n"
            "UserName=\r\n"
            "UserLocalIp=\r\n"
            "RegisterMobileNum=\r\n"
            "UserID=\r\n"
            "[CAMERA1]\r\n"
            "CameraName1=\xC9\xE3\xCF\xF1\xCD\xB7 - [usbkey]\r\n"
            "DisplayName1=usbkey\r\n"
            "GUID1=kvvid046dpid0825446\r\n"
            "NOTIPS1=0\r\n"
            "CMDID1=130\r\n"
            "[CAMERA2]\r\n"
            "CameraName2=old - [b]\r\n"
            "DisplayName2=b\r\n"
            "GUID2=kvb\r\n"
            "NOTIPS2=1\r\n"
            "CMDID2=131\r\n");

  ServiceSettings r;
  ASSERT_TRUE(ReadSettings(store, r));
  EXPECT_EQ(std::wstring(r.m_szServerURL), L"platform.lookout.invalid");
  EXPECT_EQ(std::wstring(r.m_szVersion), L"1.0.0.324");
  EXPECT_EQ(r.m_nCameraCount, 2);
  EXPECT_EQ(std::wstring(r.m_szDefaultCamera), L"usbkey");
  ASSERT_NE(r.m_mapStored.Lookup(L"usbkey"), nullptr);
  EXPECT_EQ(std::wstring(r.m_mapStored.Lookup(L"usbkey")->CameraName), L"摄像头 - [usbkey]");
  EXPECT_EQ(r.m_mapStored.Lookup(L"b")->NOTIPS, 1);
  DeleteFileW(path.c_str());
}

TEST(SettingsFile, HandWrittenFileAndItsLimits) {
  std::wstring path = TempFile(L"lookout-handmade");
  {
    std::ofstream out(path.c_str(), std::ios::binary);
    out << "[MAIN]\r\nServerURL=127.0.0.1:8080\r\nUserName=13800000000\r\nUserID=" << std::string(26, '9')
        << "\r\nCameraCount=3\r\nLastInline=2\r\nDefaultCamera=k1\r\n"
        << "[CAMERA1]\r\nDisplayName1=k1\r\nGUID1=" << std::string(65, 'g') << "\r\nCMDID1=130\r\n"
        << "[CAMERA2]\r\nDisplayName2=" << std::string(129, 'k') << "\r\nGUID2=kv2\r\n"
        << "[CAMERA3]\r\nDisplayName3=k1\r\nGUID3=kv-later\r\nNOTIPS3=1\r\n";
  }
  ProfileSettingsStore store(path);
  ServiceSettings s;
  ASSERT_TRUE(ReadSettings(store, s));
  EXPECT_EQ(std::wstring(s.m_szServerURL), L"127.0.0.1:8080");
  EXPECT_EQ(std::wstring(s.m_szUserName), L"13800000000");
  EXPECT_EQ(std::wstring(s.m_szUserID), L"");
  EXPECT_EQ(s.m_mapStored.GetCount(), 2u);
  EXPECT_EQ(std::wstring(s.m_mapStored.Lookup(L"k1")->GUID), L"kv-later");
  EXPECT_EQ(s.m_mapStored.Lookup(L"k1")->NOTIPS, 1);
  EXPECT_EQ(std::wstring(s.m_mapStored.Lookup(L"")->GUID), L"kv2");

  // Count below LastInline: unread.
  WritePrivateProfileStringW(L"MAIN", L"LastInline", L"4", path.c_str());
  ServiceSettings t;
  EXPECT_FALSE(ReadSettings(store, t));
  EXPECT_TRUE(t.m_mapStored.IsEmpty());
  DeleteFileW(path.c_str());
}

TEST(SettingsFile, CreationFailureIsReported) {
  ProfileSettingsStore store(L"Z:\\no\\such\\folder\\Lookout.ini");
  ServiceSettings s;
  EXPECT_FALSE(WriteSettings(store, s));
}

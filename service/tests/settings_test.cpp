#include "settings.h"

#include <gtest/gtest.h>

#include "fake_settings_store.h"

using lookout::CameraInfo;
using lookout::ServiceSettings;
using lookout::test::FakeSettingsStore;

namespace {

CameraInfo Camera(const std::wstring& key, const std::wstring& guid, int cmd, int notips = 0) {
  CameraInfo c;
  lookout::SetField(c.DisplayName, key);
  lookout::SetField(c.CameraName, L"Cam - [" + key + L"]");
  lookout::SetField(c.GUID, guid);
  c.CMDID = cmd;
  c.NOTIPS = notips;
  return c;
}

void AddSection(FakeSettingsStore& f, int n, const std::wstring& key, const std::wstring& guid) {
  std::wstring s = L"CAMERA" + std::to_wstring(n), i = std::to_wstring(n);
  f.Set(s, L"CameraName" + i, L"name " + key);
  f.Set(s, L"DisplayName" + i, key);
  f.Set(s, L"GUID" + i, guid);
  f.Set(s, L"NOTIPS" + i, L"1");
  f.Set(s, L"CMDID" + i, std::to_wstring(129 + n));
}

}  // namespace

TEST(Settings, NoFileFirstSaveWritesTheDefaultsFirst) {
  FakeSettingsStore f;
  ServiceSettings s;
  EXPECT_FALSE(ReadSettings(f, s));
  EXPECT_EQ(std::wstring(s.m_szServerURL), L"platform.lookout.invalid");
  EXPECT_FALSE(f.exists);  // reading creates nothing

  s.m_nLastInline = 1;
  lookout::SetField(s.m_szDefaultCamera, L"usbkey");
  s.m_mapOnline.SetAt(L"usbkey", Camera(L"usbkey", L"kvguid1", 130));
  EXPECT_TRUE(WriteSettings(f, s));
  EXPECT_EQ(f.KeyNames(L"MAIN"),
            (std::vector<std::wstring>{L"ServerURL", L"CameraCount", L"LastInline", L"DefaultCamera",
                                       L"UserName", L"UserLocalIp", L"RegisterMobileNum", L"UserID"}));
  EXPECT_EQ(f.writeLog.front(), L"MAIN/ServerURL=platform.lookout.invalid");
  EXPECT_EQ(f.writeLog.back(), L"MAIN/CameraCount=1");
  EXPECT_EQ(f.Value(L"MAIN", L"LastInline"), L"1");
  EXPECT_EQ(f.Value(L"MAIN", L"DefaultCamera"), L"usbkey");
  EXPECT_EQ(f.KeyNames(L"CAMERA1"),
            (std::vector<std::wstring>{L"CameraName1", L"DisplayName1", L"GUID1", L"NOTIPS1", L"CMDID1"}));
  EXPECT_EQ(f.Value(L"CAMERA1", L"GUID1"), L"kvguid1");
  EXPECT_EQ(f.Value(L"CAMERA1", L"CMDID1"), L"130");
  EXPECT_EQ(s.m_nCameraCount, 1);

  // A second save leaves ServerURL alone.
  f.Set(L"MAIN", L"ServerURL", L"127.0.0.1:8080");
  f.writeLog.clear();
  EXPECT_TRUE(WriteSettings(f, s));
  EXPECT_EQ(f.Value(L"MAIN", L"ServerURL"), L"127.0.0.1:8080");
  for (const std::wstring& w : f.writeLog) EXPECT_EQ(w.find(L"ServerURL"), std::wstring::npos) << w;
}

TEST(Settings, MainValuesOutsideTheirLimitsLeaveTheField) {
  FakeSettingsStore f;
  f.Set(L"MAIN", L"ver", std::wstring(15, L'v'));
  f.Set(L"MAIN", L"ServerURL", std::wstring(260, L's'));
  f.Set(L"MAIN", L"UserName", std::wstring(25, L'u'));
  f.Set(L"MAIN", L"UserLocalIp", L"");
  f.Set(L"MAIN", L"UserID", std::wstring(26, L'i'));
  f.Set(L"MAIN", L"DefaultCamera", std::wstring(128, L'd'));
  ServiceSettings s;
  lookout::SetField(s.m_szUserLocalIp, L"kept");
  lookout::SetField(s.m_szUserID, L"kept id");
  lookout::SetField(s.m_szRegisterMobileNum, L"kept num");
  EXPECT_TRUE(ReadSettings(f, s));
  EXPECT_EQ(std::wstring(s.m_szVersion), std::wstring(15, L'v'));
  EXPECT_EQ(std::wstring(s.m_szServerURL), std::wstring(260, L's'));
  EXPECT_EQ(std::wstring(s.m_szUserName), std::wstring(25, L'u'));
  EXPECT_EQ(std::wstring(s.m_szUserLocalIp), L"kept");        // empty is not taken
  EXPECT_EQ(std::wstring(s.m_szUserID), L"kept id");          // 26 is too long
  EXPECT_EQ(std::wstring(s.m_szRegisterMobileNum), L"kept num");  // absent
  EXPECT_EQ(std::wstring(s.m_szDefaultCamera), std::wstring(128, L'd'));

  f.Set(L"MAIN", L"ver", std::wstring(16, L'w'));
  f.Set(L"MAIN", L"ServerURL", std::wstring(261, L't'));
  f.Set(L"MAIN", L"DefaultCamera", std::wstring(129, L'e'));
  EXPECT_TRUE(ReadSettings(f, s));
  EXPECT_EQ(std::wstring(s.m_szVersion), std::wstring(15, L'v'));
  EXPECT_EQ(std::wstring(s.m_szServerURL), std::wstring(260, L's'));
  EXPECT_EQ(std::wstring(s.m_szDefaultCamera), std::wstring(128, L'd'));

  // Absent version and host give the defaults.
  FakeSettingsStore g;
  g.Set(L"MAIN", L"CameraCount", L"0");
  ServiceSettings t;
  EXPECT_TRUE(ReadSettings(g, t));
  EXPECT_EQ(std::wstring(t.m_szVersion), L"1.0.0.324");
  EXPECT_EQ(std::wstring(t.m_szServerURL), L"platform.lookout.invalid");
}

TEST(Settings, CameraSectionsTooLongValuesAndDuplicates) {
  FakeSettingsStore f;
  f.Set(L"MAIN", L"CameraCount", L"4");
  f.Set(L"MAIN", L"LastInline", L"1");
  AddSection(f, 1, L"keyA", L"kvA");
  AddSection(f, 2, std::wstring(129, L'k'), std::wstring(65, L'g'));
  AddSection(f, 3, L"keyA", L"kvA-later");
  AddSection(f, 4, L"keyB", std::wstring(64, L'g'));
  f.Set(L"CAMERA2", L"CameraName2", L"cam2");
  f.Set(L"CAMERA4", L"NOTIPS4", L"");
  ServiceSettings s;
  s.m_mapStored.SetAt(L"old", CameraInfo());
  EXPECT_TRUE(ReadSettings(f, s));
  EXPECT_EQ(s.m_mapStored.GetCount(), 3u);  // "old" is gone; two keyA give one entry
  EXPECT_EQ(s.m_mapStored.Lookup(L"old"), nullptr);
  EXPECT_EQ(std::wstring(s.m_mapStored.Lookup(L"keyA")->GUID), L"kvA-later");
  EXPECT_EQ(s.m_mapStored.Lookup(L"keyA")->CMDID, 132);
  EXPECT_EQ(s.m_mapStored.Lookup(L"keyA")->NOTIPS, 1);
  // The 129-character key and 65-character GUID are not taken: the entry has an empty key.
  const CameraInfo* empty = s.m_mapStored.Lookup(L"");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(std::wstring(empty->GUID), L"");
  EXPECT_EQ(std::wstring(empty->CameraName), L"cam2");
  EXPECT_EQ(std::wstring(s.m_mapStored.Lookup(L"keyB")->GUID), std::wstring(64, L'g'));
  EXPECT_EQ(s.m_mapStored.Lookup(L"keyB")->NOTIPS, 0);
}

TEST(Settings, CountBelowLastInlineIsUnreadAndZeroCountKeepsTheMap) {
  FakeSettingsStore f;
  f.Set(L"MAIN", L"CameraCount", L"1");
  f.Set(L"MAIN", L"LastInline", L"2");
  f.Set(L"MAIN", L"UserName", L"13800000000");
  AddSection(f, 1, L"keyA", L"kvA");
  ServiceSettings s;
  s.m_mapStored.SetAt(L"mine", CameraInfo());
  EXPECT_FALSE(ReadSettings(f, s));
  EXPECT_EQ(std::wstring(s.m_szUserName), L"13800000000");  // main values are read first
  EXPECT_EQ(s.m_mapStored.Keys(), (std::vector<std::wstring>{L"mine"}));

  f.Set(L"MAIN", L"CameraCount", L"0");
  f.Set(L"MAIN", L"LastInline", L"0");
  EXPECT_TRUE(ReadSettings(f, s));
  EXPECT_EQ(s.m_mapStored.Keys(), (std::vector<std::wstring>{L"mine"}));

  // A damaged count does not read for ever.
  f.Set(L"MAIN", L"CameraCount", L"2000000000");
  EXPECT_TRUE(ReadSettings(f, s));
  EXPECT_EQ(s.m_nCameraCount, 2000000000);
  EXPECT_EQ(s.m_mapStored.Keys(), (std::vector<std::wstring>{L"", L"keyA"}));  // "" is in bucket 0
}

TEST(Settings, UnpluggedCameraIsWrittenAfterThePresentOnes) {
  FakeSettingsStore f;
  ServiceSettings s;
  // "a" and "r" share bucket 12, "b" is in 13: walking order r, a, b.
  s.m_mapOnline.SetAt(L"a", Camera(L"a", L"kva", 131));
  s.m_mapOnline.SetAt(L"r", Camera(L"r", L"kvr", 130));
  s.m_mapStored.SetAt(L"b", Camera(L"b", L"kvb", 130, 1));
  s.m_mapStored.SetAt(L"a", Camera(L"a", L"stale", 130));
  s.m_nLastInline = 2;
  EXPECT_TRUE(WriteSettings(f, s));
  EXPECT_EQ(s.m_nCameraCount, 3);
  EXPECT_EQ(f.Value(L"CAMERA1", L"DisplayName1"), L"r");
  EXPECT_EQ(f.Value(L"CAMERA2", L"DisplayName2"), L"a");
  EXPECT_EQ(f.Value(L"CAMERA2", L"GUID2"), L"kva");  // the present camera's record wins
  EXPECT_EQ(f.Value(L"CAMERA3", L"DisplayName3"), L"b");
  EXPECT_EQ(f.Value(L"CAMERA3", L"NOTIPS3"), L"1");
  EXPECT_EQ(f.Value(L"MAIN", L"CameraCount"), L"3");

  // Read back: the three cameras, and sections above the count are ignored.
  f.Set(L"CAMERA4", L"DisplayName4", L"ghost");
  ServiceSettings r;
  EXPECT_TRUE(ReadSettings(f, r));
  EXPECT_EQ(r.m_mapStored.GetCount(), 3u);
  EXPECT_EQ(r.m_mapStored.Lookup(L"ghost"), nullptr);
  EXPECT_EQ(std::wstring(r.m_mapStored.Lookup(L"r")->CameraName), L"Cam - [r]");
  EXPECT_EQ(r.m_mapStored.Lookup(L"a")->CMDID, 131);
}

TEST(Settings, FailedWritesAreReported) {
  FakeSettingsStore f;
  f.canCreate = false;
  ServiceSettings s;
  EXPECT_FALSE(WriteSettings(f, s));
  EXPECT_TRUE(f.writeLog.empty());

  FakeSettingsStore g;
  g.Set(L"MAIN", L"CameraCount", L"0");
  g.failWritesAfter = 3;
  EXPECT_FALSE(WriteSettings(g, s));
  // Every write is still tried.
  EXPECT_EQ(g.writeLog.back(), L"MAIN/CameraCount=0");
}

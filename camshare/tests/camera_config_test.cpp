// "DoderadIrava.ini": id list, key table with defaults, the two load modes and saving.
#include "camera_config.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

#include "fake_codec.h"
#include "fake_profile_store.h"

using namespace camshare;
using camshare::test::FakeCodec;
using camshare::test::FakeProfileStore;

namespace {

// Collects what a load hands on; owns the records it inserts.
class RecordingSink : public ConfigSink {
 public:
  explicit RecordingSink(const TextCodec& codec) : codec_(codec) {}
  void Insert(const NewCamera& camera) override {
    InsertResult r = InsertOrRefresh(list, camera, 5, codec_);
    if (r.inserted) owned.emplace_back(r.record);
  }
  CAMLIST_ITEM* Find(const std::wstring& cameraString) override {
    return FindByCameraString(list, cameraString.c_str(), codec_);
  }
  void AddToUsing(const std::wstring& cameraString) override { added.push_back(cameraString); }

  CameraList list;
  std::vector<std::unique_ptr<CAMLIST_ITEM>> owned;
  std::vector<std::wstring> added;

 private:
  const TextCodec& codec_;
};

void PutCamera(FakeProfileStore& s, int id, const std::wstring& name, const std::wstring& url,
               const std::wstring& type = L"quil") {
  std::wstring section = L"Camera" + std::to_wstring(id);
  s.Set(section, L"sername", name);
  s.Set(section, L"url", url);
  s.Set(section, L"cameratype", type);
}

CAMLIST_ITEM MakeRecord(const char* name, const char* ip, const char* type = "quil") {
  CAMLIST_ITEM r{};
  std::strcpy(r.name, name);
  std::strcpy(r.ip, ip);
  std::strcpy(r.cameratype, type);
  std::strcpy(r.submask, "255.255.255.0");
  std::strcpy(r.gateway, "0.0.0.0");
  std::memcpy(r.mac, "A1B2C3", 6);
  std::strcpy(r.username, "admin");
  std::strcpy(r.userpassword, "secret");
  r.webport = 81;
  r.localport = 81;
  r.channel = 1;
  return r;
}

}  // namespace

TEST(IdList, ReadsTheListedIdsOnly) {
  EXPECT_EQ(ParseIdList(L"0003#0007#", 2), (std::vector<int>{3, 7}));
  EXPECT_EQ(ParseIdList(L"0003#0007#", 1), (std::vector<int>{3}));
  EXPECT_EQ(ParseIdList(L"0003#0007#", 5), (std::vector<int>{3, 7}));
  EXPECT_EQ(ParseIdList(L"0000#0001#0002#", 3), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(ParseIdList(L"0003#0007", 2), (std::vector<int>{3}));
  EXPECT_TRUE(ParseIdList(L"", 2).empty());
  EXPECT_TRUE(ParseIdList(L"0003", 2).empty());
}

TEST(IdList, ShortIdsNeverReachBeforeTheListOrThePreviousHash) {
  EXPECT_EQ(ParseIdList(L"3#7#", 2), (std::vector<int>{3, 7}));
  EXPECT_EQ(ParseIdList(L"#12#", 2), (std::vector<int>{0, 12}));
  EXPECT_EQ(ParseIdList(L"##", 2), (std::vector<int>{0, 0}));
}

TEST(IdList, RandomListsStayInBounds) {
  std::mt19937 rng(11);
  const wchar_t alphabet[] = L"0123456789#x -";
  for (int round = 0; round < 5000; ++round) {
    std::wstring s(rng() % 40, L'0');
    for (wchar_t& c : s) c = alphabet[rng() % 14];
    int count = static_cast<int>(rng() % 12) - 1;
    std::vector<int> ids = ParseIdList(s, count);
    EXPECT_LE(static_cast<int>(ids.size()), count < 0 ? 0 : count);
    for (int id : ids) EXPECT_LE(id, 9999);
  }
}

TEST(ConfigLoad, CountTwoWithIdsThreeAndSevenReadsCamera3AndCamera7) {
  FakeCodec codec;
  FakeProfileStore s;
  s.Set(L"system", L"CameraNumber", L"2");
  s.Set(L"System", L"CameraIDList", L"0003#0007#");
  PutCamera(s, 3, L"three", L"10.0.0.3");
  PutCamera(s, 5, L"five", L"10.0.0.5");
  PutCamera(s, 7, L"seven", L"10.0.0.7");
  std::vector<ConfigCamera> cams = ReadCameraSections(s);
  ASSERT_EQ(cams.size(), 2u);
  EXPECT_EQ(cams[0].id, 3);
  EXPECT_EQ(cams[0].sername, L"three");
  EXPECT_EQ(cams[1].id, 7);
  EXPECT_EQ(cams[1].sername, L"seven");

  s.Set(L"SYSTEM", L"cameranumber", L"1");  // names compare without regard to case
  cams = ReadCameraSections(s);
  ASSERT_EQ(cams.size(), 1u);
  EXPECT_EQ(cams[0].sername, L"three");
}

TEST(ConfigLoad, ZeroCountOrMissingListLoadsNothing) {
  FakeProfileStore s;
  PutCamera(s, 0, L"zero", L"10.0.0.1");
  s.Set(L"System", L"CameraIDList", L"0000#");
  EXPECT_TRUE(ReadCameraSections(s).empty());  // no count
  s.Set(L"system", L"CameraNumber", L"0");
  EXPECT_TRUE(ReadCameraSections(s).empty());
  FakeProfileStore t;
  t.Set(L"system", L"CameraNumber", L"3");
  EXPECT_TRUE(ReadCameraSections(t).empty());  // no id list
}

TEST(ConfigLoad, EmptySectionGivesTheDefaultsOfTheKeyTable) {
  FakeCodec codec;
  FakeProfileStore s;
  s.Set(L"system", L"CameraNumber", L"1");
  s.Set(L"System", L"CameraIDList", L"0004#");
  RecordingSink sink(codec);
  ApplyConfig(ReadCameraSections(s), L"", sink, codec);
  ASSERT_EQ(sink.list.size(), 1u);
  const CAMLIST_ITEM& c = *sink.list.front();
  EXPECT_STREQ(c.name, "0.0.0.0");
  EXPECT_STREQ(c.ip, "0.0.0.0");
  EXPECT_STREQ(c.submask, "0.0.0.0");
  EXPECT_STREQ(c.gateway, "0.0.0.0");
  EXPECT_STREQ(c.multiip, "0.0.0.0");
  EXPECT_STREQ(c.dns, "0.0.0.0");
  EXPECT_STREQ(c.cameratype, "orvel");
  EXPECT_STREQ(c.username, "admin");
  EXPECT_STREQ(c.userpassword, "");
  EXPECT_EQ(c.webport, 80);
  EXPECT_EQ(c.localport, 3000);
  EXPECT_EQ(c.multiport, 6500);
  EXPECT_EQ(c.channel, 1);
  // "0.0.0.0" read with room for five characters: "0.0.0" and a zero sixth byte.
  EXPECT_EQ(0, std::memcmp(c.mac, "0.0.0\0", 6));
  EXPECT_TRUE(sink.added.empty());
}

TEST(ConfigLoad, IntegersAreCutToSixteenBits) {
  FakeCodec codec;
  FakeProfileStore s;
  s.Set(L"system", L"CameraNumber", L"1");
  s.Set(L"System", L"CameraIDList", L"0000#");
  s.Set(L"Camera0", L"webport", L"65617");  // 0x10051
  s.Set(L"Camera0", L"channel", L"-1");
  auto cams = ReadCameraSections(s);
  ASSERT_EQ(cams.size(), 1u);
  EXPECT_EQ(cams[0].webport, 0x51);
  EXPECT_EQ(cams[0].channel, 0xFFFF);
}

TEST(ConfigLoad, OverlongUrlIsCutToTheAddressField) {
  FakeCodec codec;
  FakeProfileStore s;
  s.Set(L"system", L"CameraNumber", L"1");
  s.Set(L"System", L"CameraIDList", L"0000#");
  s.Set(L"Camera0", L"url", std::wstring(80, L'9'));
  s.Set(L"Camera0", L"sername", std::wstring(80, L'n'));
  RecordingSink sink(codec);
  auto cams = ReadCameraSections(s);
  EXPECT_EQ(cams[0].url.size(), 59u);
  EXPECT_EQ(cams[0].sername.size(), 39u);
  ApplyConfig(cams, L"", sink, codec);
  ASSERT_EQ(sink.list.size(), 1u);
  EXPECT_EQ(std::string(sink.list.front()->ip), std::string(19, '9'));
  EXPECT_EQ(std::string(sink.list.front()->name), std::string(39, 'n'));
}

TEST(ConfigLoad, QuilModeRestoresCredentialsAndTheInUseSet) {
  FakeCodec codec;
  FakeProfileStore s;
  s.Set(L"system", L"CameraNumber", L"2");
  s.Set(L"System", L"CameraIDList", L"0000#0001#");
  PutCamera(s, 0, L"cam1", L"10.0.0.1");
  s.Set(L"Camera0", L"username", L"root");
  s.Set(L"Camera0", L"userpassword", L"0123456789012345678");
  PutCamera(s, 1, L"gone", L"10.0.0.9");  // not found by the search: passed over
  RecordingSink sink(codec);
  CAMLIST_ITEM found = MakeRecord("cam1", "10.0.0.1");
  sink.list.push_back(&found);
  ApplyConfig(ReadCameraSections(s), L"quil", sink, codec);
  EXPECT_STREQ(found.username, "root");
  EXPECT_STREQ(found.userpassword, "0123456789012345678");
  ASSERT_EQ(sink.added.size(), 1u);
  EXPECT_EQ(sink.added[0], L"Devicequil@10.0.0.1@cam1");
  EXPECT_EQ(sink.list.size(), 1u);
}

TEST(ConfigLoad, OtherModesPassEverythingOver) {
  FakeCodec codec;
  FakeProfileStore s;
  s.Set(L"system", L"CameraNumber", L"1");
  s.Set(L"System", L"CameraIDList", L"0000#");
  PutCamera(s, 0, L"cam1", L"10.0.0.1");
  RecordingSink sink(codec);
  ApplyConfig(ReadCameraSections(s), L"orvel", sink, codec);
  EXPECT_TRUE(sink.list.empty());
  EXPECT_TRUE(sink.added.empty());
}

TEST(Mac, TextOfIdentityBytes) {
  const unsigned char mac[6] = {'A', 0x81, 'z', 0, 'q', 'r'};
  EXPECT_EQ(MacToText(mac), std::wstring(L"A\x81z"));
  unsigned char back[6];
  MacFromText(L"A\x81z", back);
  EXPECT_EQ(0, std::memcmp(back, "A\x81z\0\0\0", 6));
  MacFromText(std::wstring(L"\x1234\x00FF"), back);
  EXPECT_EQ(back[0], 0x34);  // low byte of each character
  EXPECT_EQ(back[1], 0xFF);
  const unsigned char broken[6] = {'a', 'b', '\n', 'c', 'd', 'e'};
  EXPECT_EQ(MacToText(broken), L"ab");  // a profile value is one line
}

TEST(ConfigSave, WritesTheInUseSetInOrder) {
  FakeCodec codec;
  FakeProfileStore s;
  CAMLIST_ITEM a = MakeRecord("cam1", "10.0.0.1"), b = MakeRecord("cam2", "10.0.0.2", "orvel");
  b.multiport = 6500;
  SaveUsing(s, {&a, &b}, codec);
  EXPECT_EQ(s.Value(L"system", L"CameraNumber"), L"2");
  EXPECT_EQ(s.Value(L"System", L"CameraIDList"), L"0000#0001#");
  EXPECT_EQ(s.Value(L"Camera0", L"sername"), L"cam1");
  EXPECT_EQ(s.Value(L"Camera0", L"url"), L"10.0.0.1");
  EXPECT_EQ(s.Value(L"Camera0", L"mac"), L"A1B2C3");
  EXPECT_EQ(s.Value(L"Camera0", L"submask"), L"255.255.255.0");
  EXPECT_EQ(s.Value(L"Camera0", L"gateway"), L"0.0.0.0");
  EXPECT_EQ(s.Value(L"Camera0", L"cameratype"), L"quil");
  EXPECT_EQ(s.Value(L"Camera0", L"username"), L"admin");
  EXPECT_EQ(s.Value(L"Camera0", L"userpassword"), L"secret");
  EXPECT_EQ(s.Value(L"Camera0", L"webport"), L"81");
  EXPECT_EQ(s.Value(L"Camera0", L"localport"), L"81");
  EXPECT_EQ(s.Value(L"Camera0", L"multiport"), L"0");
  EXPECT_EQ(s.Value(L"Camera0", L"channel"), L"1");
  EXPECT_EQ(s.Value(L"Camera1", L"cameratype"), L"orvel");
  EXPECT_EQ(s.Value(L"Camera1", L"multiport"), L"6500");
  // multiip and dns are not written.
  EXPECT_EQ(s.Value(L"Camera0", L"multiip"), L"<missing>");
  EXPECT_EQ(s.Value(L"Camera0", L"dns"), L"<missing>");
  // Key order within a section, then the id list last.
  ASSERT_EQ(s.writes.size(), 1u + 2 * 12 + 1);
  const wchar_t* order[] = {L"gateway", L"url", L"mac", L"submask", L"sername", L"cameratype",
                            L"username", L"userpassword", L"webport", L"localport", L"multiport",
                            L"channel"};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(std::get<1>(s.writes[1 + i]), order[i]);
  EXPECT_EQ(std::get<1>(s.writes.back()), L"CameraIDList");
}

TEST(ConfigSave, NothingInUseWritesZeroAndAnEmptyList) {
  FakeCodec codec;
  FakeProfileStore s;
  CAMLIST_ITEM a = MakeRecord("cam1", "10.0.0.1");
  SaveUsing(s, {&a}, codec);
  SaveUsing(s, {}, codec);
  EXPECT_EQ(s.Value(L"system", L"CameraNumber"), L"0");
  EXPECT_EQ(s.Value(L"System", L"CameraIDList"), L"");
  EXPECT_TRUE(s.HasSection(L"Camera0"));  // left from the earlier save; harmless
  EXPECT_TRUE(ReadCameraSections(s).empty());
}

TEST(ConfigSave, SavedSetLoadsBackTheSameRecords) {
  FakeCodec codec;
  FakeProfileStore s;
  CAMLIST_ITEM a = MakeRecord("cam1", "10.0.0.1"), b = MakeRecord("cam2", "10.0.0.2", "orvel");
  SaveUsing(s, {&a, &b, &a}, codec);
  RecordingSink sink(codec);
  ApplyConfig(ReadCameraSections(s), L"", sink, codec);
  ASSERT_EQ(sink.list.size(), 2u);  // the duplicate refreshes the first record
  const CAMLIST_ITEM& c = *sink.list.front();
  EXPECT_STREQ(c.name, "cam1");
  EXPECT_STREQ(c.ip, "10.0.0.1");
  EXPECT_STREQ(c.userpassword, "secret");
  EXPECT_EQ(c.webport, 81);
  // The mac text has five characters' room on reading.
  EXPECT_EQ(0, std::memcmp(c.mac, "A1B2C\0", 6));
}

TEST(ConfigSave, LineBreaksInTextDoNotReachTheFile) {
  FakeCodec codec;
  FakeProfileStore s;
  CAMLIST_ITEM a = MakeRecord("cam\r\n[system]", "10.0.0.1");
  SaveUsing(s, {&a}, codec);
  EXPECT_EQ(s.Value(L"Camera0", L"sername"), L"cam");
}

TEST(ConfigSave, NoMoreIdsThanTheListCanHoldOnReading) {
  FakeCodec codec;
  FakeProfileStore s;
  std::vector<CAMLIST_ITEM> records(450, MakeRecord("c", "10.0.0.1"));
  std::vector<const CAMLIST_ITEM*> set;
  for (const auto& r : records) set.push_back(&r);
  SaveUsing(s, set, codec);
  EXPECT_EQ(s.Value(L"system", L"CameraNumber"), L"399");
  EXPECT_EQ(s.Value(L"System", L"CameraIDList").size(), 399u * 5);
  EXPECT_EQ(ReadCameraSections(s).size(), 399u);
}

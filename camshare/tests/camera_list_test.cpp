// The camera list's rules and "DoderadIrava.ini": insertion and refresh, ageing, camera
// strings and lookups, the in-use set, the id list, the key table, loading and saving.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

#include "camera_config.h"
#include "camera_record.h"
#include "fake_codec.h"
#include "fake_profile_store.h"

using namespace camshare;
using camshare::test::FakeCodec;
using camshare::test::FakeProfileStore;

namespace {

const unsigned char kMacA[6] = {'A', '1', 'B', '2', 'C', '3'};
const unsigned char kMacB[6] = {'A', '1', 'B', '2', 'C', '4'};

NewCamera Quil(const char* name, const char* ip, const unsigned char* mac = kMacA) {
  NewCamera n;
  n.name = name;
  n.ip = ip;
  n.mac = mac;
  n.webport = n.localport = 81;
  n.submask = "255.255.255.0";
  n.channel = 1;
  n.cameratype = "quil";
  return n;
}

// The list never frees its records; the tests do. Also the sink a load hands its cameras to.
class OwningList : public ConfigSink {
 public:
  explicit OwningList(const TextCodec& codec) : codec_(codec) {}
  InsertResult Add(const NewCamera& n, uint32_t now) {
    InsertResult r = InsertOrRefresh(list, n, now, codec_);
    if (r.inserted) owned_.emplace_back(r.record);
    return r;
  }
  void Insert(const NewCamera& camera) override { Add(camera, 5); }
  CAMLIST_ITEM* Find(const std::wstring& s) override { return FindByCameraString(list, s.c_str(), codec_); }
  void AddToUsing(const std::wstring& s) override { added.push_back(s); }

  CameraList list;
  std::vector<std::wstring> added;

 private:
  const TextCodec& codec_;
  std::vector<std::unique_ptr<CAMLIST_ITEM>> owned_;
};

CAMLIST_ITEM Record(const char* name, const char* ip, const char* type = "quil") {
  CAMLIST_ITEM r{};
  std::strcpy(r.name, name);
  std::strcpy(r.ip, ip);
  std::strcpy(r.cameratype, type);
  std::strcpy(r.submask, "255.255.255.0");
  std::strcpy(r.gateway, "0.0.0.0");
  std::memcpy(r.mac, "A1B2C3", 6);
  std::strcpy(r.username, "admin");
  std::strcpy(r.userpassword, "secret");
  r.webport = r.localport = 81;
  r.channel = 1;
  return r;
}

FakeProfileStore Listed(const std::wstring& count, const std::wstring& ids) {
  FakeProfileStore s;
  s.Set(L"system", L"CameraNumber", count);
  s.Set(L"System", L"CameraIDList", ids);
  return s;
}

}  // namespace

TEST(CameraList, InsertRefreshAndIdentity) {
  FakeCodec codec;
  OwningList l(codec);
  NewCamera n = Quil("cam1", "192.168.1.20");
  n.cameratype = n.username = n.userpassword = nullptr;  // null leaves the field empty
  InsertResult a = l.Add(n, 100);
  ASSERT_TRUE(a.inserted);
  EXPECT_STREQ(a.record->cameratype, "");
  EXPECT_EQ(a.record->lastSeen, 100u);
  InsertResult b = l.Add(n, 900);  // same name, address and identity bytes
  EXPECT_FALSE(b.inserted);
  EXPECT_EQ(b.record, a.record);
  EXPECT_EQ(a.record->lastSeen, 900u);
  EXPECT_TRUE(l.Add(Quil("cam1", "192.168.1.20", kMacB), 1).inserted);
  EXPECT_TRUE(l.Add(Quil("cam1", "192.168.1.21"), 1).inserted);
  EXPECT_EQ(l.list.size(), 3u);
}

TEST(CameraList, OverlongTextIsCutOnACharacterBoundaryAndStillFindsItsRecord) {
  FakeCodec codec, dbcs(true);
  OwningList l(codec);
  std::string name(60, 'n'), ip = "192.168.100.200:65535:extra";
  NewCamera n = Quil(name.c_str(), ip.c_str());
  n.username = "0123456789012345678901234";
  CAMLIST_ITEM* c = l.Add(n, 1).record;
  EXPECT_EQ(std::string(c->name), std::string(39, 'n'));
  EXPECT_EQ(std::string(c->ip), ip.substr(0, 19));
  EXPECT_EQ(std::string(c->username), "0123456789012345678");
  EXPECT_STREQ(c->submask, "255.255.255.0");  // the next field is untouched
  EXPECT_FALSE(l.Add(n, 2).inserted);
  OwningList d(dbcs);
  std::string wide = std::string(38, 'x') + "\xD6\xD0";  // the pair would end at byte 40
  EXPECT_EQ(std::string(d.Add(Quil(wide.c_str(), "1.1.1.1"), 1).record->name), std::string(38, 'x'));
}

TEST(CameraList, AgeingAfterSixtySecondsAcrossTheWrap) {
  FakeCodec codec;
  OwningList l(codec);
  l.Add(Quil("old", "1.1.1.1"), 1000);
  l.Add(Quil("new", "1.1.1.2"), 30000);
  EXPECT_TRUE(AgeOut(l.list, 61000).empty());  // exactly 60000 ms: stays
  std::vector<CAMLIST_ITEM*> gone = AgeOut(l.list, 61001);
  ASSERT_EQ(gone.size(), 1u);
  EXPECT_STREQ(gone[0]->name, "old");
  EXPECT_EQ(l.list.size(), 1u);
  OwningList w(codec);
  w.Add(Quil("a", "1.1.1.1"), 0xFFFFFF00u);
  EXPECT_TRUE(AgeOut(w.list, 0x00001000u).empty());
  EXPECT_EQ(AgeOut(w.list, 0xFFFFFF00u + 60001u).size(), 1u);
}

TEST(CameraList, CameraStringsAndLookups) {
  FakeCodec codec;
  OwningList l(codec);
  CAMLIST_ITEM* a = l.Add(Quil("cam1", "192.168.1.20"), 1).record;
  CAMLIST_ITEM* b = l.Add(Quil("cam2", "192.168.1.21"), 1).record;
  CAMLIST_ITEM* c = l.Add(Quil("cam2", "192.168.1.21", kMacB), 1).record;
  EXPECT_EQ(CameraString(*a, codec), L"Devicequil@192.168.1.20@cam1");
  EXPECT_EQ(FindByCameraString(l.list, L"Devicequil@192.168.1.21@cam2", codec), b);
  EXPECT_EQ(FindByCameraString(l.list, L"devicequil@192.168.1.20@cam1", codec), nullptr);
  EXPECT_EQ(FindByCameraString(l.list, L"Devicequil@192.168.1.20@cam", codec), nullptr);
  EXPECT_EQ(FindByCameraString(l.list, nullptr, codec), nullptr);
  // One '@' finds nothing, even where a record's string would match.
  l.Add(Quil("", "10.0.0.1"), 1);
  EXPECT_NE(FindByCameraString(l.list, L"Devicequil@10.0.0.1@", codec), nullptr);
  EXPECT_EQ(FindByCameraString(l.list, L"Devicequil@10.0.0.1", codec), nullptr);
  std::wstring late(300, L'x');
  late[270] = late[280] = L'@';  // the '@' signs must lie in the first 259 characters
  EXPECT_EQ(FindByCameraString(l.list, late.c_str(), codec), nullptr);
  EXPECT_EQ(RecordAt(l.list, 2), c);
  EXPECT_EQ(RecordAt(l.list, 4), nullptr);
  EXPECT_EQ(IndexOf(l.list, c), 1u);  // the first with the same address and name
  EXPECT_EQ(IndexOf(l.list, nullptr), static_cast<unsigned>(-1));
  CAMLIST_ITEM full;
  std::memset(&full, 'z', sizeof full);  // no terminators anywhere
  EXPECT_EQ(CameraString(full, codec).size(), 6u + 20 + 1 + 20 + 1 + 40);
}

TEST(CameraList, InUseSetKeepsDuplicatesInOrder) {
  CAMLIST_ITEM a{}, b{};
  CameraList set;
  AddUsing(set, &a);
  AddUsing(set, &b);
  AddUsing(set, &a);
  EXPECT_TRUE(RemoveFirstUsing(set, &a));
  EXPECT_TRUE(ContainsUsing(set, &a));
  EXPECT_EQ(set.front(), &b);
  EXPECT_TRUE(RemoveFirstUsing(set, &a));
  EXPECT_FALSE(RemoveFirstUsing(set, &a));
}

TEST(Config, IdListReadsOnlyListedIdsAndStaysInBounds) {
  EXPECT_EQ(ParseIdList(L"0003#0007#", 2), (std::vector<int>{3, 7}));
  EXPECT_EQ(ParseIdList(L"0003#0007#", 1), (std::vector<int>{3}));
  EXPECT_EQ(ParseIdList(L"0003#0007", 2), (std::vector<int>{3}));
  EXPECT_EQ(ParseIdList(L"3#7#", 2), (std::vector<int>{3, 7}));  // never before the last '#'
  EXPECT_EQ(ParseIdList(L"#12#", 2), (std::vector<int>{0, 12}));
  EXPECT_TRUE(ParseIdList(L"0003", 2).empty());
  std::mt19937 rng(11);
  for (int round = 0; round < 5000; ++round) {
    std::wstring s(rng() % 40, L'0');
    for (wchar_t& c : s) c = L"0123456789#x -"[rng() % 14];
    int count = static_cast<int>(rng() % 12) - 1;
    std::vector<int> ids = ParseIdList(s, count);
    EXPECT_LE(static_cast<int>(ids.size()), count < 0 ? 0 : count);
    for (int id : ids) EXPECT_LE(id, 9999);
  }
}

TEST(Config, CountTwoWithIdsThreeAndSevenReadsCamera3AndCamera7) {
  FakeProfileStore s = Listed(L"2", L"0003#0007#");
  for (int id : {3, 5, 7}) s.Set(L"Camera" + std::to_wstring(id), L"sername", L"cam" + std::to_wstring(id));
  std::vector<ConfigCamera> cams = ReadCameraSections(s);
  ASSERT_EQ(cams.size(), 2u);
  EXPECT_EQ(cams[0].sername, L"cam3");
  EXPECT_EQ(cams[1].sername, L"cam7");
  s.Set(L"SYSTEM", L"cameranumber", L"1");
  EXPECT_EQ(ReadCameraSections(s).size(), 1u);
  s.Set(L"system", L"CameraNumber", L"0");
  EXPECT_TRUE(ReadCameraSections(s).empty());
  FakeProfileStore noList;
  noList.Set(L"system", L"CameraNumber", L"3");
  EXPECT_TRUE(ReadCameraSections(noList).empty());
}

TEST(Config, EmptySectionGivesTheKeyTableDefaults) {
  FakeCodec codec;
  FakeProfileStore s = Listed(L"1", L"0004#");
  OwningList l(codec);
  ApplyConfig(ReadCameraSections(s), L"", l, codec);
  ASSERT_EQ(l.list.size(), 1u);
  const CAMLIST_ITEM& c = *l.list.front();
  for (const char* dotted : {c.name, c.ip, c.submask, c.gateway, c.multiip, c.dns}) {
    EXPECT_STREQ(dotted, "0.0.0.0");
  }
  EXPECT_STREQ(c.cameratype, "orvel");
  EXPECT_STREQ(c.username, "admin");
  EXPECT_STREQ(c.userpassword, "");
  EXPECT_EQ(c.webport, 80);
  EXPECT_EQ(c.localport, 3000);
  EXPECT_EQ(c.multiport, 6500);
  EXPECT_EQ(c.channel, 1);
  EXPECT_EQ(0, std::memcmp(c.mac, "0.0.0\0", 6));  // five characters' room
  EXPECT_TRUE(l.added.empty());
}

TEST(Config, ValuesAreCutToTheirFieldsAndIntegersToSixteenBits) {
  FakeCodec codec;
  FakeProfileStore s = Listed(L"1", L"0000#");
  s.Set(L"Camera0", L"url", std::wstring(80, L'9'));
  s.Set(L"Camera0", L"webport", L"65617");
  s.Set(L"Camera0", L"channel", L"-1");
  OwningList l(codec);
  std::vector<ConfigCamera> cams = ReadCameraSections(s);
  EXPECT_EQ(cams[0].url.size(), 59u);
  EXPECT_EQ(cams[0].webport, 0x51);
  EXPECT_EQ(cams[0].channel, 0xFFFF);
  ApplyConfig(cams, L"", l, codec);
  EXPECT_EQ(std::string(l.list.front()->ip), std::string(19, '9'));
}

TEST(Config, QuilModeRestoresCredentialsOfFoundCamerasOnly) {
  FakeCodec codec;
  FakeProfileStore s = Listed(L"2", L"0000#0001#");
  for (const wchar_t* section : {L"Camera0", L"Camera1"}) s.Set(section, L"cameratype", L"quil");
  s.Set(L"Camera0", L"url", L"10.0.0.1");
  s.Set(L"Camera0", L"sername", L"cam1");
  s.Set(L"Camera0", L"username", L"root");
  s.Set(L"Camera0", L"userpassword", L"0123456789012345678");
  s.Set(L"Camera1", L"sername", L"gone");
  OwningList l(codec);
  l.Add(Quil("cam1", "10.0.0.1"), 1);
  ApplyConfig(ReadCameraSections(s), L"quil", l, codec);
  EXPECT_STREQ(l.list.front()->username, "root");
  EXPECT_STREQ(l.list.front()->userpassword, "0123456789012345678");
  EXPECT_EQ(l.added, std::vector<std::wstring>{L"Devicequil@10.0.0.1@cam1"});
  EXPECT_EQ(l.list.size(), 1u);
  OwningList other(codec);
  ApplyConfig(ReadCameraSections(s), L"orvel", other, codec);  // any other mode: nothing
  EXPECT_TRUE(other.list.empty());
}

TEST(Config, SaveWritesTheInUseSetAndLoadsBack) {
  FakeCodec codec;
  FakeProfileStore s;
  CAMLIST_ITEM a = Record("cam1", "10.0.0.1"), b = Record("cam2", "10.0.0.2", "orvel");
  SaveUsing(s, {&a, &b, &a}, codec);
  EXPECT_EQ(s.Value(L"system", L"CameraNumber"), L"3");
  EXPECT_EQ(s.Value(L"System", L"CameraIDList"), L"0000#0001#0002#");
  EXPECT_EQ(s.Value(L"Camera2", L"sername"), L"cam1");
  EXPECT_EQ(s.Value(L"Camera0", L"mac"), L"A1B2C3");
  EXPECT_EQ(s.Value(L"Camera1", L"cameratype"), L"orvel");
  EXPECT_EQ(s.Value(L"Camera0", L"userpassword"), L"secret");
  EXPECT_EQ(s.Value(L"Camera0", L"webport"), L"81");
  EXPECT_EQ(s.Value(L"Camera0", L"multiip"), L"<missing>");  // multiip and dns: not written
  const wchar_t* order[] = {L"gateway", L"url", L"mac", L"submask", L"sername", L"cameratype",
                            L"username", L"userpassword", L"webport", L"localport", L"multiport",
                            L"channel"};
  ASSERT_EQ(s.writes.size(), 1u + 3 * 12 + 1);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(std::get<1>(s.writes[1 + i]), order[i]);
  OwningList l(codec);
  ApplyConfig(ReadCameraSections(s), L"", l, codec);
  ASSERT_EQ(l.list.size(), 2u);  // the duplicate refreshes the first record
  EXPECT_STREQ(l.list.front()->userpassword, "secret");
  EXPECT_EQ(0, std::memcmp(l.list.front()->mac, "A1B2C\0", 6));
  SaveUsing(s, {}, codec);
  EXPECT_EQ(s.Value(L"system", L"CameraNumber"), L"0");
  EXPECT_EQ(s.Value(L"System", L"CameraIDList"), L"");
}

TEST(Config, SavedTextNeverBreaksTheFile) {
  FakeCodec codec;
  FakeProfileStore s;
  CAMLIST_ITEM a = Record("cam\r\n[system]", "10.0.0.1");
  std::memcpy(a.mac, "ab\ncde", 6);
  SaveUsing(s, {&a}, codec);
  EXPECT_EQ(s.Value(L"Camera0", L"sername"), L"cam");
  EXPECT_EQ(s.Value(L"Camera0", L"mac"), L"ab");
  // No more ids than a later load can read back from the 2000-character list.
  std::vector<CAMLIST_ITEM> many(450, Record("c", "10.0.0.1"));
  std::vector<const CAMLIST_ITEM*> set;
  for (const auto& r : many) set.push_back(&r);
  SaveUsing(s, set, codec);
  EXPECT_EQ(s.Value(L"system", L"CameraNumber"), L"399");
  EXPECT_EQ(ReadCameraSections(s).size(), 399u);
}

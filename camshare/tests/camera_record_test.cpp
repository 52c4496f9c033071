// The camera list's rules: insertion and refresh, ageing, camera strings, lookups, in-use set.
#include "camera_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "fake_codec.h"

using namespace camshare;
using camshare::test::FakeCodec;

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
  n.gateway = n.multiip = n.dns = "0.0.0.0";
  n.channel = 1;
  n.cameratype = "quil";
  n.username = n.userpassword = "";
  return n;
}

// Records are never freed by the list; tests free them.
struct OwnedList {
  CameraList list;
  std::vector<std::unique_ptr<CAMLIST_ITEM>> owned;
  InsertResult Insert(const NewCamera& n, uint32_t now, const TextCodec& codec) {
    InsertResult r = InsertOrRefresh(list, n, now, codec);
    if (r.inserted) owned.emplace_back(r.record);
    return r;
  }
};

}  // namespace

TEST(CameraList, InsertFillsEveryField) {
  FakeCodec codec;
  OwnedList l;
  NewCamera n = Quil("cam1", "192.168.1.20");
  n.webport = 80;
  n.localport = 3000;
  n.multiport = 6500;
  n.channel = 2;
  n.gateway = "192.168.1.1";
  n.multiip = "224.0.0.1";
  n.dns = "8.8.8.8";
  n.username = "admin";
  n.userpassword = "pw";
  InsertResult r = l.Insert(n, 1234, codec);
  ASSERT_TRUE(r.inserted);
  const CAMLIST_ITEM& c = *r.record;
  EXPECT_EQ(0, std::memcmp(c.mac, kMacA, 6));
  EXPECT_STREQ(c.name, "cam1");
  EXPECT_STREQ(c.ip, "192.168.1.20");
  EXPECT_STREQ(c.submask, "255.255.255.0");
  EXPECT_STREQ(c.gateway, "192.168.1.1");
  EXPECT_STREQ(c.multiip, "224.0.0.1");
  EXPECT_STREQ(c.dns, "8.8.8.8");
  EXPECT_EQ(c.webport, 80);
  EXPECT_EQ(c.localport, 3000);
  EXPECT_EQ(c.multiport, 6500);
  EXPECT_EQ(c.channel, 2);
  EXPECT_STREQ(c.cameratype, "quil");
  EXPECT_STREQ(c.username, "admin");
  EXPECT_STREQ(c.userpassword, "pw");
  EXPECT_EQ(c.lastSeen, 1234u);
}

TEST(CameraList, NullTypeAndCredentialsLeaveFieldsEmpty) {
  FakeCodec codec;
  OwnedList l;
  NewCamera n = Quil("cam1", "1.2.3.4");
  n.cameratype = n.username = n.userpassword = nullptr;
  CAMLIST_ITEM* c = l.Insert(n, 1, codec).record;
  EXPECT_STREQ(c->cameratype, "");
  EXPECT_STREQ(c->username, "");
  EXPECT_STREQ(c->userpassword, "");
}

TEST(CameraList, SameCameraTwiceRefreshesOneRecord) {
  FakeCodec codec;
  OwnedList l;
  InsertResult a = l.Insert(Quil("cam1", "192.168.1.20"), 100, codec);
  InsertResult b = l.Insert(Quil("cam1", "192.168.1.20"), 900, codec);
  EXPECT_TRUE(a.inserted);
  EXPECT_FALSE(b.inserted);
  EXPECT_EQ(a.record, b.record);
  EXPECT_EQ(l.list.size(), 1u);
  EXPECT_EQ(a.record->lastSeen, 900u);
}

TEST(CameraList, OtherIdentityBytesMakeASecondRecord) {
  FakeCodec codec;
  OwnedList l;
  l.Insert(Quil("cam1", "192.168.1.20", kMacA), 1, codec);
  EXPECT_TRUE(l.Insert(Quil("cam1", "192.168.1.20", kMacB), 1, codec).inserted);
  EXPECT_TRUE(l.Insert(Quil("cam2", "192.168.1.20", kMacA), 1, codec).inserted);
  EXPECT_TRUE(l.Insert(Quil("cam1", "192.168.1.21", kMacA), 1, codec).inserted);
  EXPECT_EQ(l.list.size(), 4u);
}

TEST(CameraList, OverlongTextIsCutAndStillFindsItsRecord) {
  FakeCodec codec;
  OwnedList l;
  std::string name(60, 'n');
  std::string ip = "192.168.100.200:65535:extra";
  NewCamera n = Quil(name.c_str(), ip.c_str());
  n.username = "0123456789012345678901234";
  CAMLIST_ITEM* c = l.Insert(n, 1, codec).record;
  EXPECT_EQ(std::string(c->name), std::string(39, 'n'));
  EXPECT_EQ(std::string(c->ip), ip.substr(0, 19));
  EXPECT_EQ(std::string(c->username), "0123456789012345678");
  EXPECT_EQ(c->ip[19], '\0');
  EXPECT_EQ(c->submask[0], '2');  // the next field is untouched
  EXPECT_FALSE(l.Insert(n, 2, codec).inserted);
}

TEST(CameraList, CutNeverSplitsATwoByteCharacter) {
  FakeCodec dbcs(true);
  OwnedList l;
  std::string name = std::string(38, 'x') + "\xD6\xD0";  // 40 bytes; the pair would end at 40
  CAMLIST_ITEM* c = l.Insert(Quil(name.c_str(), "1.1.1.1"), 1, dbcs).record;
  EXPECT_EQ(std::string(c->name), std::string(38, 'x'));
}

TEST(CameraList, AgeingKeepsExactlySixtySecondsAndRemovesAfter) {
  FakeCodec codec;
  OwnedList l;
  l.Insert(Quil("old", "1.1.1.1"), 1000, codec);
  l.Insert(Quil("new", "1.1.1.2"), 30000, codec);
  EXPECT_TRUE(AgeOut(l.list, 61000).empty());  // exactly 60000 ms: stays
  std::vector<CAMLIST_ITEM*> gone = AgeOut(l.list, 61001);
  ASSERT_EQ(gone.size(), 1u);
  EXPECT_STREQ(gone[0]->name, "old");
  ASSERT_EQ(l.list.size(), 1u);
  EXPECT_STREQ(l.list.front()->name, "new");
}

TEST(CameraList, AgeingAcrossTheWrapOfTheTickCounter) {
  FakeCodec codec;
  OwnedList l;
  l.Insert(Quil("a", "1.1.1.1"), 0xFFFFFF00u, codec);
  EXPECT_TRUE(AgeOut(l.list, 0x00001000u).empty());  // 4352 ms later
  EXPECT_EQ(AgeOut(l.list, 0xFFFFFF00u + 60001u).size(), 1u);
}

TEST(CameraList, RefreshedCameraIsNotAged) {
  FakeCodec codec;
  OwnedList l;
  l.Insert(Quil("a", "1.1.1.1"), 0, codec);
  l.Insert(Quil("a", "1.1.1.1"), 50000, codec);
  EXPECT_TRUE(AgeOut(l.list, 100000).empty());
  EXPECT_EQ(AgeOut(l.list, 110001).size(), 1u);
}

TEST(CameraString, FormatAndLookup) {
  FakeCodec codec;
  OwnedList l;
  l.Insert(Quil("cam1", "192.168.1.20"), 1, codec);
  CAMLIST_ITEM* second = l.Insert(Quil("cam2", "192.168.1.21"), 1, codec).record;
  EXPECT_EQ(CameraString(*l.list.front(), codec), L"Devicequil@192.168.1.20@cam1");
  EXPECT_EQ(FindByCameraString(l.list, L"Devicequil@192.168.1.21@cam2", codec), second);
  EXPECT_EQ(FindByCameraString(l.list, L"Devicequil@192.168.1.21@cam", codec), nullptr);
  EXPECT_EQ(FindByCameraString(l.list, nullptr, codec), nullptr);
  EXPECT_EQ(FindByCameraString(l.list, L"", codec), nullptr);
}

TEST(CameraString, LookupIsCaseSensitive) {
  FakeCodec codec;
  OwnedList l;
  l.Insert(Quil("cam1", "192.168.1.20"), 1, codec);
  EXPECT_EQ(FindByCameraString(l.list, L"devicequil@192.168.1.20@cam1", codec), nullptr);
  EXPECT_EQ(FindByCameraString(l.list, L"DeviceQUIL@192.168.1.20@cam1", codec), nullptr);
  EXPECT_NE(FindByCameraString(l.list, L"Devicequil@192.168.1.20@cam1", codec), nullptr);
}

TEST(CameraString, OneAtSignFindsNothing) {
  FakeCodec codec;
  OwnedList l;
  // A record whose camera string has only one '@' (empty name is not enough: two '@').
  NewCamera n = Quil("", "192.168.1.20");
  l.Insert(n, 1, codec);
  EXPECT_EQ(CameraString(*l.list.front(), codec), L"Devicequil@192.168.1.20@");
  EXPECT_NE(FindByCameraString(l.list, L"Devicequil@192.168.1.20@", codec), nullptr);
  EXPECT_EQ(FindByCameraString(l.list, L"Devicequil@192.168.1.20", codec), nullptr);
  // A record with '@' in its type would match "Device@x" only through two '@'.
  NewCamera odd = Quil("", "");
  odd.cameratype = "";
  l.Insert(odd, 1, codec);
  EXPECT_EQ(CameraString(*l.list.back(), codec), L"Device@@");
  EXPECT_EQ(FindByCameraString(l.list, L"Device@", codec), nullptr);
}

TEST(CameraString, TheTwoAtSignsMustLieInTheFirst259Characters) {
  FakeCodec codec;
  OwnedList l;
  std::wstring s(300, L'x');
  s[270] = L'@';
  s[280] = L'@';
  EXPECT_EQ(FindByCameraString(l.list, s.c_str(), codec), nullptr);
}

TEST(CameraList, IndexAndPosition) {
  FakeCodec codec;
  OwnedList l;
  CAMLIST_ITEM* a = l.Insert(Quil("cam1", "10.0.0.1"), 1, codec).record;
  CAMLIST_ITEM* b = l.Insert(Quil("cam2", "10.0.0.2"), 1, codec).record;
  CAMLIST_ITEM* c = l.Insert(Quil("cam2", "10.0.0.2", kMacB), 1, codec).record;
  EXPECT_EQ(RecordAt(l.list, 0), a);
  EXPECT_EQ(RecordAt(l.list, 2), c);
  EXPECT_EQ(RecordAt(l.list, 3), nullptr);
  EXPECT_EQ(IndexOf(l.list, b), 1u);
  EXPECT_EQ(IndexOf(l.list, c), 1u);  // first with the same ip and name
  EXPECT_EQ(IndexOf(l.list, nullptr), static_cast<unsigned>(-1));
  CAMLIST_ITEM stranger{};
  std::strcpy(stranger.name, "cam1");
  std::strcpy(stranger.ip, "10.0.0.9");
  EXPECT_EQ(IndexOf(l.list, &stranger), static_cast<unsigned>(-1));
}

TEST(InUseSet, DuplicatesAndFirstRemoval) {
  CAMLIST_ITEM a{}, b{};
  CameraList usingList;
  AddUsing(usingList, &a);
  AddUsing(usingList, &b);
  AddUsing(usingList, &a);
  EXPECT_EQ(usingList.size(), 3u);
  EXPECT_TRUE(RemoveFirstUsing(usingList, &a));
  EXPECT_TRUE(ContainsUsing(usingList, &a));
  EXPECT_EQ(usingList.front(), &b);
  EXPECT_TRUE(RemoveFirstUsing(usingList, &a));
  EXPECT_FALSE(ContainsUsing(usingList, &a));
  EXPECT_FALSE(RemoveFirstUsing(usingList, &a));
}

TEST(CameraList, FieldTextNeverReadsPastAFullField) {
  CAMLIST_ITEM c;
  std::memset(&c, 'z', sizeof c);
  EXPECT_EQ(FieldText(c.ip, sizeof c.ip), std::string(20, 'z'));
  FakeCodec codec;
  EXPECT_EQ(CameraString(c, codec).size(), 6u + 20 + 1 + 20 + 1 + 40);
}

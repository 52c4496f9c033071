#include "protocol.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using namespace lantern::wire;

TEST(Protocol, RegisterReqIsByteExact) {
  RegisterReq req{"0123456789abcdef0123456789ABCDEFGH", "192.168.1.20", 0x1234};
  Datagram d = EncodeRegisterReq(req);
  ASSERT_EQ(d.size(), 71u);
  EXPECT_EQ(0, std::memcmp(d.data(), "MOP\0\x64", 5));
  // Only the first 30 characters of the name fit; no terminator then.
  EXPECT_EQ(0, std::memcmp(&d[5], "0123456789abcdef0123456789ABCD", 30));
  EXPECT_EQ(0, std::memcmp(&d[35], "192.168.1.20\0\0", 14));
  EXPECT_EQ(d[67], 0x34);
  EXPECT_EQ(d[68], 0x12);
  EXPECT_EQ(d[69], 0);
  RegisterReq back;
  ASSERT_TRUE(DecodeRegisterReq(d.data(), d.size(), &back));
  EXPECT_EQ(back.name, "0123456789abcdef0123456789ABCD");
  EXPECT_EQ(back.address, "192.168.1.20");
  EXPECT_EQ(back.port, 0x1234u);
}

TEST(Protocol, FixedLayoutsRoundTrip) {
  Datagram hb = EncodeHeartbeatReq({0x01020304, 0xA0B0C0D0});
  ASSERT_EQ(hb.size(), 13u);
  EXPECT_EQ(0, std::memcmp(hb.data(), "MOP\0\x7C\x04\x03\x02\x01\xD0\xC0\xB0\xA0", 13));

  Datagram cmd = EncodeCommand(kKeepAlive);
  EXPECT_EQ(cmd, (Datagram{'M', 'O', '_', 'P', 0xFF}));

  Datagram a = EncodeAlarmNotify(1);
  ASSERT_EQ(a.size(), 14u);
  EXPECT_EQ(0, std::memcmp(a.data(), "MO_P\x1A\x01\0\0\0\0\0\0\0\0", 14));

}

TEST(Protocol, ConnectReqIsByteExact) {
  Datagram expected(35, 0);
  std::memcpy(expected.data(), "MOP\0\x00" "cam", 8);
  EXPECT_EQ(EncodeConnectReq("cam"), expected);
  // A name of 30 characters or more fills the field without a terminator.
  Datagram full = EncodeConnectReq("{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}");
  ASSERT_EQ(full.size(), 35u);
  EXPECT_EQ(0, std::memcmp(full.data(), "MOP\0\x00{0F1E2D3C-4B5A-6978-8796-A5B4C", 35));
}

TEST(Protocol, VideoAckAndRegisterRespAreReadFromTheirOffsets) {
  // Peer to camera: frame 0x04030201, fragment 0x0605; the magic is not tested.
  const uint8_t ack[] = {'X', 'Y', 'Z', 'W', 0x1C, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
  VideoAck va;
  ASSERT_TRUE(DecodeVideoAck(ack, sizeof ack, &va));
  EXPECT_EQ(va.frameSeq, 0x04030201u);
  EXPECT_EQ(va.fragmentIndex, 0x0605);
  EXPECT_EQ(EncodeVideoAck({0x04030201, 0x0605}),
            (Datagram{'M', 'O', '_', 'P', 0x1C, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06}));

  // Server to camera, with bytes beyond the two identifiers.
  const uint8_t resp[] = {'M', 'O', 'P', 0, 0x7A, 0x11, 0x22, 0x33, 0x44,
                          0xA1, 0xB2, 0xC3, 0xD4, 0xEE, 0xFF};
  ServerIds ids;
  ASSERT_TRUE(DecodeRegisterResp(resp, sizeof resp, &ids));
  EXPECT_EQ(ids.first, 0x44332211u);
  EXPECT_EQ(ids.second, 0xD4C3B2A1u);
  ASSERT_TRUE(DecodeRegisterResp(resp, 13, &ids));
  EXPECT_EQ(ids.second, 0xD4C3B2A1u);
}

TEST(Protocol, VideoDataLayoutAndFragmentCount) {
  EXPECT_EQ(FragmentCount(1), 1);
  EXPECT_EQ(FragmentCount(512), 1);
  EXPECT_EQ(FragmentCount(513), 2);
  uint8_t payload[3] = {9, 8, 7};
  VideoHeader h{0x11111111, 0x22222222, 5, 2, 1};
  Datagram d = EncodeVideoData(h, payload, 3);
  ASSERT_EQ(d.size(), 25u);
  EXPECT_EQ(0, std::memcmp(d.data(), "MOP\0\x0E\x11\x11\x11\x11\x22\x22\x22\x22" "\0\x05\0\0\0\x02\0\x01\0", 22));
  VideoHeader back;
  const uint8_t* p = nullptr;
  size_t n = 0;
  ASSERT_TRUE(DecodeVideoData(d.data(), d.size(), &back, &p, &n));
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(p[2], 7);
  EXPECT_EQ(back.sendTimeEarly, 0x22222222u);
  // A fragment index beyond the count is not a fragment of that frame.
  d[20] = 2;
  EXPECT_FALSE(DecodeVideoData(d.data(), d.size(), &back, &p, &n));
}

TEST(Protocol, SessionNotifyHostNeverTakesPortBytes) {
  Datagram d(41, 0);
  std::memcpy(d.data(), "MOP\0\x72", 5);
  std::memset(&d[5], 'a', 32);  // no terminator in the host field
  d[37] = 0x50;
  d[38] = 0xC3;
  SessionNotify n;
  ASSERT_TRUE(DecodeSessionNotify(d.data(), d.size(), &n));
  EXPECT_EQ(n.host, std::string(32, 'a'));
  EXPECT_EQ(n.port, 50000u);
  EXPECT_FALSE(DecodeSessionNotify(d.data(), 40, &n));
}

TEST(Protocol, ShortDatagramsAreRejected) {
  uint8_t buf[400] = {'M', 'O', 'P', 0};
  uint8_t record[kAlarmParamRecordSize];
  struct Case { uint8_t type; size_t min; };
  const Case cases[] = {{kRegisterReq, 71}, {kRegisterResp, 13}, {kHeartbeatReq, 13},
                        {kSessionNotify, 41}, {kConnectReq, 35}, {kVideoData, 23},
                        {kVideoAck, 11}, {kAlarmNotify, 14}, {kSetAlarmParamReq, 315}};
  for (const Case& c : cases) {
    buf[4] = c.type;
    buf[18] = 1;  // one fragment, index 0, for the video case
    for (size_t len = 0; len < c.min; ++len) {
      RegisterReq rq; ServerIds ids; SessionNotify sn; std::string s; VideoHeader vh;
      const uint8_t* p; size_t n; VideoAck va; uint8_t st;
      bool any = DecodeRegisterReq(buf, len, &rq) || DecodeRegisterResp(buf, len, &ids) ||
                 DecodeHeartbeatReq(buf, len, &ids) || DecodeSessionNotify(buf, len, &sn) ||
                 DecodeConnectReqName(buf, len, &s) || DecodeVideoData(buf, len, &vh, &p, &n) ||
                 DecodeVideoAck(buf, len, &va) || DecodeAlarmNotify(buf, len, &st) ||
                 DecodeSetAlarmParamReq(buf, len, record);
      EXPECT_FALSE(any) << "type " << int(c.type) << " length " << len;
    }
  }
  uint8_t t;
  EXPECT_FALSE(PeekType(buf, 4, &t));
  EXPECT_FALSE(PeekType(nullptr, 10, &t));
}

TEST(Protocol, AlarmParamImages) {
  uint8_t record[kAlarmParamRecordSize];
  for (size_t i = 0; i < sizeof record; ++i) record[i] = static_cast<uint8_t>(i);
  Datagram resp = EncodeAlarmParamResp(record);
  ASSERT_EQ(resp.size(), 315u);
  EXPECT_EQ(resp[4], 0x29);
  EXPECT_EQ(resp[0], 0);
  EXPECT_EQ(resp[314], static_cast<uint8_t>(314));
  resp[4] = kSetAlarmParamReq;
  uint8_t back[kAlarmParamRecordSize];
  ASSERT_TRUE(DecodeSetAlarmParamReq(resp.data(), resp.size(), back));
  EXPECT_EQ(back[100], 100);
}

// Random and truncated inputs: no decoder may read outside the buffer (ASan watches).
TEST(Protocol, GarbageNeverCrashes) {
  std::mt19937 rng(1234);
  uint8_t record[kAlarmParamRecordSize];
  for (int iter = 0; iter < 20000; ++iter) {
    size_t len = rng() % 600;
    std::vector<uint8_t> v(len);
    for (auto& b : v) b = static_cast<uint8_t>(rng());
    if (len > 4 && (iter & 1)) v[4] = static_cast<uint8_t>(rng() % 0x80);
    const uint8_t* data = v.empty() ? nullptr : v.data();
    RegisterReq rq; ServerIds ids; SessionNotify sn; std::string s; VideoHeader vh;
    const uint8_t* p; size_t n; VideoAck va; uint8_t st;
    DecodeRegisterReq(data, len, &rq);
    DecodeRegisterResp(data, len, &ids);
    DecodeSessionNotify(data, len, &sn);
    DecodeConnectReqName(data, len, &s);
    if (DecodeVideoData(data, len, &vh, &p, &n)) {
      EXPECT_GE(n, 1u);
      EXPECT_LE(n, kFragmentPayload);
    }
    DecodeVideoAck(data, len, &va);
    DecodeAlarmNotify(data, len, &st);
    DecodeSetAlarmParamReq(data, len, record);
    EXPECT_LE(sn.host.size(), kSessionHostWidth);
  }
}

// The operation connection: frames split from a byte stream, the login, keep-alive and
// silence rules on a driven tick count, alarms, and pan/tilt codes. Bytes are written out
// by hand.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "operation_session.h"
#include "operation_stream.h"
#include "ptz_state.h"

using namespace quilgate;

namespace {

using Bytes = std::vector<uint8_t>;

// "MO_O", the code, no scrambling, both lengths, then the payload.
Bytes Frame(uint16_t code, const Bytes& payload = {}) {
  Bytes f = {'M', 'O', '_', 'O', static_cast<uint8_t>(code), static_cast<uint8_t>(code >> 8), 0, 0, 0, 0, 0, 0, 0, 0, 0};
  uint32_t n = static_cast<uint32_t>(payload.size());
  for (int copy = 0; copy < 2; ++copy) {
    for (int i = 0; i < 4; ++i) f.push_back(static_cast<uint8_t>(n >> (8 * i)));
  }
  f.insert(f.end(), payload.begin(), payload.end());
  return f;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// Login answer: result, 13-byte identifier, three values.
Bytes LoginAnswer(uint16_t result, uint32_t first) {
  Bytes p = {static_cast<uint8_t>(result), static_cast<uint8_t>(result >> 8)};
  const char id[13] = "QC0000000001";
  p.insert(p.end(), id, id + 13);
  for (uint32_t v : {first, 2u, 3u}) {
    for (int i = 0; i < 4; ++i) p.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  return Frame(1, p);
}
Bytes LoginResult(uint16_t result) { return Frame(3, {static_cast<uint8_t>(result), static_cast<uint8_t>(result >> 8), 0}); }
Bytes Alarm(uint8_t type) { return Frame(25, {type, 1, 0, 2, 0, 3, 0, 4, 0}); }

std::vector<OperationFrame> Split(OperationStream& s, const Bytes& data) {
  s.Append(data.data(), data.size());
  std::vector<OperationFrame> out;
  OperationFrame f;
  while (s.Next(&f)) out.push_back(f);
  return out;
}

std::string Codes(const std::vector<OperationFrame>& frames) {
  std::string s;
  for (const OperationFrame& f : frames) s += std::to_string(f.op) + "/" + std::to_string(f.payload.size()) + " ";
  return s;
}

std::string Sent(const SessionActions& a) {
  std::string s;
  for (const Bytes& f : a.send) s += std::to_string(f.size() >= 6 ? f[4] | (f[5] << 8) : -1) + " ";
  return s;
}

const Bytes kStream = Cat({{'x', 'M', 'O', '_'}, Frame(1, {1, 2, 3}), Frame(25, {9}), {'M', 'O'}, Frame(255),
                           Frame(3, Bytes(300, 7))});

}  // namespace

TEST(OperationStream, StreamCutAtEveryByteGivesTheSameFrames) {
  const std::string whole = "1/3 25/1 255/0 3/300 ";
  OperationStream once;
  EXPECT_EQ(Codes(Split(once, kStream)), whole);
  EXPECT_EQ(once.buffered(), 0u);
  for (size_t cut = 0; cut <= kStream.size(); ++cut) {
    OperationStream s;
    std::vector<OperationFrame> a = Split(s, Bytes(kStream.begin(), kStream.begin() + cut));
    std::vector<OperationFrame> b = Split(s, Bytes(kStream.begin() + cut, kStream.end()));
    a.insert(a.end(), b.begin(), b.end());
    ASSERT_EQ(Codes(a), whole) << "cut at " << cut;
    EXPECT_EQ(a[0].payload, Bytes({1, 2, 3}));
  }
  OperationStream bytewise;
  std::vector<OperationFrame> all;
  for (uint8_t b : kStream) {
    std::vector<OperationFrame> got = Split(bytewise, {b});
    all.insert(all.end(), got.begin(), got.end());
  }
  EXPECT_EQ(Codes(all), whole);
}

TEST(OperationStream, OverlongLengthIsNoiseAndNoiseIsNotKept) {
  Bytes claim = Frame(1);
  claim[15] = 0xFF;  // 4 GiB claimed
  claim[16] = 0xFF;
  claim[17] = 0xFF;
  claim[18] = 0xFF;
  OperationStream s;
  EXPECT_EQ(Codes(Split(s, Cat({claim, Frame(17, {5})}))), "17/1 ");
  // Just above the limit is dropped too; the limit itself is a frame that waits for bytes.
  Bytes big = Frame(5);
  big[17] = 0x01;  // 65536
  EXPECT_EQ(Codes(Split(s, big)), "");
  EXPECT_EQ(s.buffered(), 23u);
  Bytes rest(65536, 0);
  EXPECT_EQ(Codes(Split(s, rest)), "5/65536 ");
  big[15] = 0x01;  // 65537
  EXPECT_EQ(Codes(Split(s, Cat({big, Frame(18)}))), "18/0 ");
  // Without a magic only a possible start of one is kept.
  EXPECT_EQ(Codes(Split(s, Bytes(5000, 'M'))), "");
  EXPECT_LE(s.buffered(), 3u);
}

TEST(OperationStream, RandomFlippedAndTruncatedStreams) {
  std::mt19937 rng(1234);
  for (int round = 0; round < 3000; ++round) {
    Bytes data = kStream;
    int flips = static_cast<int>(rng() % 8);
    for (int i = 0; i < flips; ++i) data[rng() % data.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
    data.resize(rng() % (data.size() + 1));
    if (round % 3 == 0) {
      for (uint8_t& b : data) b = static_cast<uint8_t>(rng());
    }
    OperationStream s;
    size_t at = 0;
    while (at < data.size()) {
      size_t n = std::min<size_t>(1 + rng() % 40, data.size() - at);
      for (const OperationFrame& f : Split(s, Bytes(data.begin() + at, data.begin() + at + n))) {
        ASSERT_LE(f.payload.size(), OperationStream::kMaxPayload);
      }
      at += n;
    }
    ASSERT_LE(s.buffered(), data.size());
  }
}

TEST(OperationSession, LoginBytesThenSessionStart) {
  OperationSession s("admin", "secret12345678");  // password longer than 13: cut
  SessionActions a;
  s.Start(5000, &a);
  ASSERT_EQ(a.send.size(), 1u);
  EXPECT_EQ(a.send[0], Bytes({'M', 'O', '_', 'O', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  a = {};
  s.Received(LoginAnswer(0, 16777216).data(), LoginAnswer(0, 16777216).size(), 5001, &a);
  ASSERT_EQ(a.send.size(), 1u);
  Bytes expected = {'M', 'O', '_', 'O', 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 26, 0, 0, 0, 26, 0, 0, 0,
                    'a', 'd', 'm', 'i', 'n', 0, 0, 0, 0, 0, 0, 0, 0,
                    's', 'e', 'c', 'r', 'e', 't', '1', '2', '3', '4', '5', '6', '7'};
  EXPECT_EQ(a.send[0], expected);
  EXPECT_FALSE(s.loggedIn());
  a = {};
  Bytes both = Cat({LoginResult(0), Frame(17, {1, 2}), Frame(28)});
  s.Received(both.data(), both.size(), 5002, &a);
  EXPECT_TRUE(s.loggedIn());
  ASSERT_EQ(a.send.size(), 1u);
  EXPECT_EQ(a.send[0], Bytes({'M', 'O', '_', 'O', 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_FALSE(a.end);
}

TEST(OperationSession, RefusalsOversizedValueAndShortFramesEndQuietly) {
  for (const Bytes& answer : {LoginAnswer(1, 5), LoginAnswer(0, 16777217)}) {
    OperationSession s("u", "p");
    SessionActions a;
    s.Start(0, &a);
    a = {};
    s.Received(answer.data(), answer.size(), 1, &a);
    EXPECT_TRUE(a.end);
    EXPECT_TRUE(a.send.empty());
    EXPECT_TRUE(s.ended());
  }
  OperationSession s("u", "p");
  SessionActions a;
  s.Start(0, &a);
  a = {};
  // Too short for their layouts: no effect.
  Bytes shorts = Cat({Frame(1, Bytes(26, 0)), Frame(3, {0, 0}), Frame(25, {1, 0, 0})});
  s.Received(shorts.data(), shorts.size(), 1, &a);
  EXPECT_TRUE(a.send.empty());
  EXPECT_EQ(a.alarms, 0);
  EXPECT_FALSE(a.end);
  Bytes login = Cat({LoginAnswer(0, 1), LoginResult(2)});
  s.Received(login.data(), login.size(), 2, &a);
  EXPECT_EQ(Sent(a), "2 ");
  EXPECT_TRUE(a.end);
  EXPECT_FALSE(s.loggedIn());
}

TEST(OperationSession, KeepAliveSilenceAndTheTickWrap) {
  OperationSession s("u", "p");
  SessionActions a;
  s.Start(1000, &a);
  s.Tick(1000 + 120000, &a);  // exactly the limit: still on
  EXPECT_FALSE(a.end);
  Bytes login = Cat({LoginAnswer(0, 1), LoginResult(0)});
  a = {};
  s.Received(login.data(), login.size(), 100000, &a);
  a = {};
  s.Tick(100000 + 59999, &a);
  s.Move(4, &a);
  EXPECT_EQ(Sent(a), "14 ");
  EXPECT_EQ(a.send[0].back(), 4);
  a = {};
  s.Tick(160000, &a);
  s.Tick(160001, &a);
  EXPECT_EQ(Sent(a), "255 ");  // once per 60 s
  a = {};
  s.Tick(220000, &a);
  EXPECT_EQ(Sent(a), "255 ");
  a = {};
  s.Tick(220001, &a);  // 120001 ms since the last data
  EXPECT_TRUE(a.end);
  EXPECT_TRUE(a.send.empty());
  s.Tick(500000, &a);
  s.Move(4, &a);
  EXPECT_TRUE(a.send.empty());

  // Across the wrap the count starts again from zero.
  OperationSession w("u", "p");
  a = {};
  w.Start(0xFFFFF000u, &a);
  w.Tick(0x10, &a);
  w.Tick(120000, &a);
  EXPECT_FALSE(a.end);
  w.Tick(120001, &a);
  EXPECT_TRUE(a.end);
  EXPECT_EQ(TicksSince(5, 0xFFFFFFF0u), 5u);
  EXPECT_EQ(TicksSince(0xFFFFFFF0u, 5), 0xFFFFFFEBu);
}

TEST(OperationSession, AlarmsOfTypeOneOnlyAndMovesOnlyWhenLoggedIn) {
  OperationSession s("u", "p");
  SessionActions a;
  s.Start(0, &a);
  a = {};
  s.Move(6, &a);
  EXPECT_TRUE(a.send.empty());
  Bytes alarms = Cat({Alarm(1), Alarm(2), Alarm(1)});
  s.Received(alarms.data(), alarms.size(), 1, &a);
  EXPECT_EQ(a.alarms, 2);
}

TEST(PtzState, DirectionsStopAndUnknownCommands) {
  PtzState p;
  uint8_t code = 99;
  EXPECT_FALSE(p.Command(13, &code));  // no move in progress
  EXPECT_EQ(code, 99);
  EXPECT_FALSE(p.Command(5, &code));
  EXPECT_TRUE(p.Command(2, &code));
  EXPECT_EQ(code, 0);
  EXPECT_EQ(p.state(), 0);
  EXPECT_TRUE(p.Command(3, &code));  // a second command: its code, and the move is over
  EXPECT_EQ(code, 2);
  EXPECT_EQ(p.state(), kNoMove);
  const int commands[] = {0, 1, 8, 9};
  const uint8_t codes[] = {4, 6, 12, 14};
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(p.Command(commands[i], &code));
    EXPECT_EQ(code, codes[i]);
    ASSERT_TRUE(p.Command(13, &code));
    EXPECT_EQ(code, codes[i] + 1);
    EXPECT_EQ(p.state(), kNoMove);
  }
}

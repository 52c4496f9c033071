#include "frame_assembler.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "protocol.h"

namespace {

namespace wire = lantern::wire;
using standins::AssembledFrame;
using standins::FrameAssembler;
using Result = FrameAssembler::Result;

std::vector<uint8_t> MakeJpeg(size_t length, uint8_t salt) {
  std::vector<uint8_t> j(length);
  for (size_t i = 0; i < length; ++i) j[i] = static_cast<uint8_t>(i * 31 + salt);
  return j;
}

// The datagrams a camera sends for one frame, in fragment order.
std::vector<wire::Datagram> Fragments(uint32_t seq, const std::vector<uint8_t>& jpeg) {
  const uint16_t count = wire::FragmentCount(jpeg.size());
  std::vector<wire::Datagram> out;
  for (uint16_t i = 0; i < count; ++i) {
    const size_t from = static_cast<size_t>(i) * wire::kFragmentPayload;
    const size_t n = std::min(wire::kFragmentPayload, jpeg.size() - from);
    out.push_back(wire::EncodeVideoData({100, 99, seq, count, i}, jpeg.data() + from, n));
  }
  return out;
}

Result Feed(FrameAssembler& a, const wire::Datagram& d, AssembledFrame* f = nullptr) {
  AssembledFrame ignored;
  return a.AddDatagram(d.data(), d.size(), f ? f : &ignored);
}

TEST(FrameAssembler, InOrderFragmentsGiveTheFrame) {
  FrameAssembler a;
  const auto jpeg = MakeJpeg(1200, 1);
  const auto frags = Fragments(7, jpeg);
  ASSERT_EQ(frags.size(), 3u);
  AssembledFrame f;
  EXPECT_EQ(Feed(a, frags[0], &f), Result::kAccepted);
  EXPECT_EQ(Feed(a, frags[1], &f), Result::kAccepted);
  EXPECT_EQ(Feed(a, frags[2], &f), Result::kCompleted);
  EXPECT_EQ(f.seq, 7u);
  EXPECT_EQ(f.jpeg, jpeg);
  EXPECT_EQ(a.Stats().completed, 1u);
  EXPECT_EQ(a.Stats().bytes, 1200u);
  EXPECT_EQ(a.Stats().fragments, 3u);
  EXPECT_EQ(a.Stats().lost, 0u);
  EXPECT_EQ(a.OpenFrames(), 0u);
}

TEST(FrameAssembler, BoundarySizes) {
  FrameAssembler a;
  AssembledFrame f;
  const auto exact = MakeJpeg(512, 2);
  auto one = Fragments(1, exact);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(Feed(a, one[0], &f), Result::kCompleted);
  EXPECT_EQ(f.jpeg, exact);

  const auto over = MakeJpeg(513, 3);
  auto two = Fragments(2, over);
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[1].size(), wire::kVideoHeaderSize + 1);
  EXPECT_EQ(Feed(a, two[1], &f), Result::kAccepted);
  EXPECT_EQ(Feed(a, two[0], &f), Result::kCompleted);
  EXPECT_EQ(f.jpeg, over);
}

TEST(FrameAssembler, OutOfOrderAndInterleavedFrames) {
  FrameAssembler a;
  const auto j1 = MakeJpeg(2000, 4), j2 = MakeJpeg(1500, 5);
  auto f1 = Fragments(1, j1), f2 = Fragments(2, j2);
  std::vector<AssembledFrame> done;
  auto feed = [&](const wire::Datagram& d) {
    AssembledFrame f;
    if (Feed(a, d, &f) == Result::kCompleted) done.push_back(f);
  };
  feed(f1[3]);
  feed(f2[2]);
  feed(f1[1]);
  feed(f2[0]);
  feed(f1[0]);
  feed(f2[1]);  // frame 2 completes while 1 misses fragment 2
  feed(f1[2]);  // too late: frame 1 was given up
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].seq, 2u);
  EXPECT_EQ(done[0].jpeg, j2);
  EXPECT_EQ(a.Stats().lost, 1u);
  EXPECT_EQ(a.Stats().stale, 1u);
  EXPECT_EQ(a.OpenFrames(), 0u);
}

TEST(FrameAssembler, DuplicatesAreCountedNotReassembled) {
  FrameAssembler a;
  const auto jpeg = MakeJpeg(1100, 6);
  auto frags = Fragments(3, jpeg);
  EXPECT_EQ(Feed(a, frags[0]), Result::kAccepted);
  EXPECT_EQ(Feed(a, frags[0]), Result::kDuplicate);
  EXPECT_EQ(Feed(a, frags[1]), Result::kAccepted);
  AssembledFrame f;
  EXPECT_EQ(Feed(a, frags[2], &f), Result::kCompleted);
  EXPECT_EQ(f.jpeg, jpeg);
  // A retransmission arriving after completion (the ack was late) is a duplicate too.
  EXPECT_EQ(Feed(a, frags[1]), Result::kDuplicate);
  EXPECT_EQ(Feed(a, frags[2]), Result::kDuplicate);
  EXPECT_EQ(a.Stats().duplicates, 3u);
  EXPECT_EQ(a.Stats().completed, 1u);
  EXPECT_EQ(a.OpenFrames(), 0u);
}

TEST(FrameAssembler, RejectsInconsistentFragments) {
  FrameAssembler a;
  const uint8_t full[512] = {1};
  const uint8_t big[600] = {2};
  // Index beyond the count.
  EXPECT_EQ(a.Add({0, 0, 1, 2, 2}, full, 512, nullptr), Result::kRejected);
  // Zero fragments.
  EXPECT_EQ(a.Add({0, 0, 1, 0, 0}, full, 10, nullptr), Result::kRejected);
  // Payload over 512.
  EXPECT_EQ(a.Add({0, 0, 1, 2, 1}, big, 600, nullptr), Result::kRejected);
  // Empty payload.
  EXPECT_EQ(a.Add({0, 0, 1, 2, 1}, full, 0, nullptr), Result::kRejected);
  // A fragment that is not the last must be full.
  EXPECT_EQ(a.Add({0, 0, 1, 3, 1}, full, 511, nullptr), Result::kRejected);
  // The count may not change within a frame.
  EXPECT_EQ(a.Add({0, 0, 5, 3, 0}, full, 512, nullptr), Result::kAccepted);
  EXPECT_EQ(a.Add({0, 0, 5, 4, 1}, full, 512, nullptr), Result::kRejected);
  EXPECT_EQ(a.Add({0, 0, 5, 2, 1}, full, 10, nullptr), Result::kRejected);
  EXPECT_EQ(a.Stats().rejected, 7u);
  EXPECT_EQ(a.Stats().fragments, 1u);
  EXPECT_EQ(a.Stats().completed, 0u);
  // The frame still completes with consistent fragments.
  EXPECT_EQ(a.Add({0, 0, 5, 3, 1}, full, 512, nullptr), Result::kAccepted);
  AssembledFrame f;
  EXPECT_EQ(a.Add({0, 0, 5, 3, 2}, full, 7, &f), Result::kCompleted);
  EXPECT_EQ(f.jpeg.size(), 512u * 2 + 7);
}

TEST(FrameAssembler, TooManyFragmentsPerFrameIsRejected) {
  FrameAssembler a(64, 8);
  const uint8_t full[512] = {};
  EXPECT_EQ(a.Add({0, 0, 1, 9, 0}, full, 512, nullptr), Result::kRejected);
  EXPECT_EQ(a.Add({0, 0, 1, 8, 0}, full, 512, nullptr), Result::kAccepted);
}

TEST(FrameAssembler, NonVideoAndTruncatedDatagramsAreRejected) {
  FrameAssembler a;
  auto good = Fragments(1, MakeJpeg(700, 7));
  wire::Datagram shortHeader(good[0].begin(), good[0].begin() + wire::kVideoHeaderSize);
  EXPECT_EQ(Feed(a, shortHeader), Result::kRejected);
  EXPECT_EQ(Feed(a, wire::EncodeCommand(wire::kKeepAlive)), Result::kRejected);
  wire::Datagram tooLong = good[0];
  tooLong.push_back(0);
  EXPECT_EQ(Feed(a, tooLong), Result::kRejected);
  EXPECT_EQ(a.AddDatagram(nullptr, 0, nullptr), Result::kRejected);
  EXPECT_EQ(a.Stats().rejected, 4u);
  EXPECT_EQ(a.OpenFrames(), 0u);
}

TEST(FrameAssembler, SequenceGapsCountAsLost) {
  FrameAssembler a;
  for (uint32_t seq : {10u, 11u, 15u, 16u}) {
    auto frags = Fragments(seq, MakeJpeg(300, static_cast<uint8_t>(seq)));
    EXPECT_EQ(Feed(a, frags[0]), Result::kCompleted);
  }
  EXPECT_EQ(a.Stats().completed, 4u);
  EXPECT_EQ(a.Stats().lost, 3u);  // 12, 13, 14
  // A frame that was skipped over never opens again.
  auto late = Fragments(13, MakeJpeg(300, 13));
  EXPECT_EQ(Feed(a, late[0]), Result::kStale);
  EXPECT_EQ(a.Stats().completed, 4u);
}

TEST(FrameAssembler, FirstFrameNeedNotBeOne) {
  FrameAssembler a;
  auto frags = Fragments(5000, MakeJpeg(100, 1));
  EXPECT_EQ(Feed(a, frags[0]), Result::kCompleted);
  EXPECT_EQ(a.Stats().lost, 0u);
}

TEST(FrameAssembler, OpenFramesAreCappedOldestLost) {
  FrameAssembler a(4);
  const uint8_t full[512] = {};
  for (uint32_t seq = 1; seq <= 10; ++seq) {
    EXPECT_EQ(a.Add({0, 0, seq, 2, 0}, full, 512, nullptr), Result::kAccepted);
    EXPECT_LE(a.OpenFrames(), 4u);
  }
  EXPECT_EQ(a.Stats().lost, 6u);  // 1..6 evicted, 7..10 still open
  // Evicted frames stay closed.
  EXPECT_EQ(a.Add({0, 0, 3, 2, 1}, full, 1, nullptr), Result::kStale);
  AssembledFrame f;
  EXPECT_EQ(a.Add({0, 0, 10, 2, 1}, full, 1, &f), Result::kCompleted);
  EXPECT_EQ(f.seq, 10u);
  EXPECT_EQ(a.Stats().lost, 9u);  // 7, 8, 9 given up when 10 completed
  EXPECT_EQ(a.OpenFrames(), 0u);
}

TEST(FrameAssembler, GarbageNeverGrowsOrCrashes) {
  FrameAssembler a(16, 64);
  std::mt19937 rng(12345);
  std::vector<uint8_t> buf;
  for (int i = 0; i < 20000; ++i) {
    buf.resize(rng() % 700);
    for (auto& b : buf) b = static_cast<uint8_t>(rng());
    if (buf.size() > wire::kVideoHeaderSize && (i % 2) == 0) {
      // Half of them look like video so they get past the decoder.
      buf[4] = wire::kVideoData;
      buf[18] = static_cast<uint8_t>(rng() % 80);
      buf[19] = 0;
      buf[20] = static_cast<uint8_t>(rng() % 80);
      buf[21] = 0;
      buf[15] = buf[16] = buf[17] = 0;
    }
    AssembledFrame f;
    Result r = a.AddDatagram(buf.data(), buf.size(), &f);
    if (r == Result::kCompleted) {
      EXPECT_FALSE(f.jpeg.empty());
    }
    ASSERT_LE(a.OpenFrames(), 16u);
  }
  const auto& s = a.Stats();
  EXPECT_EQ(s.fragments + s.duplicates + s.rejected + s.stale, 20000u);
  EXPECT_GT(s.rejected, 0u);
}

}  // namespace

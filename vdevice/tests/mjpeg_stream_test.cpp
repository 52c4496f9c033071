// The MJPEG stream parser: the states on hand-written answers, receives split anywhere,
// the caps on part and line lengths, and fuzzing (under ASan/UBSan natively).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "mjpeg_stream.h"

using mirage::MjpegStreamParser;

namespace {

using Bytes = std::vector<uint8_t>;


std::string Part(const std::string& image, bool withLength = true) {
  std::string p = "--ipcamera\r\nContent-Type: image/jpeg\r\n";
  if (withLength) p += "Content-Length: " + std::to_string(image.size()) + "\r\n";
  return p + "\r\n" + image + "\r\n";
}

const std::string kHead =
    "HTTP/1.0 200 OK\r\nServer: camera\r\n"
    "Content-Type: multipart/x-mixed-replace;boundary=ipcamera\r\n\r\n";

// Feeds `stream` in pieces of `chunk` bytes (an exact-size copy each, so reads past the
// end show under ASan); the images, and whether the stream went on to the end.
struct Outcome {
  std::vector<std::string> images;
  bool alive = true;
};
Outcome Feed(MjpegStreamParser& p, const std::string& stream, size_t chunk) {
  Outcome o;
  auto sink = [&o](std::vector<uint8_t>&& image) {
    o.images.emplace_back(image.begin(), image.end());
  };
  for (size_t at = 0; at < stream.size() && o.alive; at += chunk) {
    size_t n = std::min(chunk, stream.size() - at);
    std::unique_ptr<uint8_t[]> piece(new uint8_t[n]);
    std::copy(stream.begin() + static_cast<long>(at), stream.begin() + static_cast<long>(at + n),
              piece.get());
    o.alive = p.Feed(piece.get(), n, sink);
  }
  return o;
}

}  // namespace

TEST(MjpegStream, ImagesAreTakenByLengthWhateverBytesTheyHold) {
  // CR LF and a boundary-like line inside the picture bytes do not split it.
  const std::string a = std::string("\xFF\xD8\r\n\r\n--ipcamera\r\n") + std::string(1, '\0') + "\xFF\xD9";
  const std::string b(3000, 'x');
  MjpegStreamParser p;
  Outcome o = Feed(p, kHead + Part(a) + Part(b), 100000);
  EXPECT_TRUE(o.alive);
  ASSERT_EQ(2u, o.images.size());
  EXPECT_EQ(a, o.images[0]);
  EXPECT_EQ(b, o.images[1]);
  EXPECT_EQ(200, p.status());
  EXPECT_EQ(MjpegStreamParser::kPartHeaders, p.state());
  EXPECT_EQ(3000u, p.partLength());
  EXPECT_EQ(0u, p.buffered());
}

TEST(MjpegStream, ReceivesSplitAnywhereGiveTheSameImages) {
  std::string stream = kHead;
  std::vector<std::string> sent;
  for (int i = 0; i < 5; ++i) {
    std::string image(700 + 900 * i, static_cast<char>('a' + i));
    image[5] = '\r';
    image[6] = '\n';
    sent.push_back(image);
    stream += Part(image);
  }
  for (size_t chunk : {size_t{1}, size_t{2}, size_t{7}, size_t{1024}, stream.size()}) {
    MjpegStreamParser p;
    Outcome o = Feed(p, stream, chunk);
    EXPECT_TRUE(o.alive) << chunk;
    EXPECT_EQ(sent, o.images) << chunk;
  }
  // A stream cut inside an image waits in the image state with the bytes so far.
  MjpegStreamParser p;
  Outcome o = Feed(p, kHead + Part(sent[0]) + Part(sent[1]).substr(0, 80), 1024);
  EXPECT_EQ(1u, o.images.size());
  EXPECT_EQ(MjpegStreamParser::kImage, p.state());
  EXPECT_GT(p.buffered(), 0u);
}

TEST(MjpegStream, StatusCodeIsTheNumberAfterNineCharacters) {
  {
    MjpegStreamParser p;  // version 1.0 is as good as 1.1
    EXPECT_TRUE(Feed(p, "HTTP/1.0 200 OK\r\n\r\n", 1024).alive);
    EXPECT_EQ(MjpegStreamParser::kPartHeaders, p.state());
  }
  {
    MjpegStreamParser p;
    Outcome o = Feed(p, "HTTP/1.1 401 Unauthorized\r\n\r\n" + Part("abc"), 1024);
    EXPECT_FALSE(o.alive);
    EXPECT_TRUE(o.images.empty());
    EXPECT_EQ(401, p.status());
    EXPECT_EQ(MjpegStreamParser::End::kStatus, p.end());
    uint8_t more[] = "HTTP/1.0 200 OK\r\n";
    EXPECT_FALSE(p.Feed(more, sizeof more - 1, [](std::vector<uint8_t>&&) { FAIL(); }));
  }
  for (const char* line : {"HTTP/1.0\r\n", "200 OK\r\n", "HTTP/1.0 2000 OK\r\n", "HTTP/1.0 -200\r\n"}) {
    MjpegStreamParser p;
    EXPECT_FALSE(Feed(p, line, 1024).alive) << line;
  }
}

TEST(MjpegStream, APartWithoutContentLengthKeepsThePreviousLength) {
  MjpegStreamParser p;
  Outcome o = Feed(p, kHead + Part("12345") + Part("abcde", false) + Part("xy"), 1024);
  EXPECT_TRUE(o.alive);
  EXPECT_EQ((std::vector<std::string>{"12345", "abcde", "xy"}), o.images);
  // With no length ever given there is no image, and the parser still moves on.
  MjpegStreamParser q;
  o = Feed(q, kHead + "--b\r\n\r\n\r\n" + Part("zz"), 1024);
  EXPECT_TRUE(o.alive);
  EXPECT_EQ((std::vector<std::string>{"zz"}), o.images);
}

TEST(MjpegStream, LengthsBeyondTheCapOrUnreadableEndTheStream) {
  {
    MjpegStreamParser p(1000);
    Outcome o = Feed(p, kHead + Part(std::string(1000, 'k')) + Part(std::string(1001, 'k')), 1024);
    EXPECT_FALSE(o.alive);
    EXPECT_EQ(1u, o.images.size());
    EXPECT_EQ(MjpegStreamParser::End::kTooLong, p.end());
    EXPECT_EQ(0u, p.buffered());
  }
  for (const char* length : {"Content-Length: 99999999999999999999\r\n", "Content-Length: -5\r\n",
                             "Content-Length: x\r\n", "Content-Length: \r\n"}) {
    MjpegStreamParser p;
    EXPECT_FALSE(Feed(p, kHead + "--b\r\n" + length + "\r\nabc", 1024).alive) << length;
    EXPECT_NE(MjpegStreamParser::End::kNone, p.end());
  }
  // Header bytes without a line end cannot pile up.
  MjpegStreamParser p;
  std::string endless = kHead + "--b\r\nX-Filler: " + std::string(20000, 'f');
  EXPECT_FALSE(Feed(p, endless, 1024).alive);
  EXPECT_EQ(MjpegStreamParser::End::kLineTooLong, p.end());
  EXPECT_LE(p.buffered(), MjpegStreamParser::kMaxLineLength + 1024);
}

TEST(MjpegStreamFuzz, RandomCutAndFlippedStreams) {
  std::mt19937 rng(615);
  std::string good = kHead;
  for (int i = 0; i < 6; ++i) {
    std::string image(static_cast<size_t>(rng() % 3000), '\0');
    for (char& c : image) c = static_cast<char>(rng());
    good += Part(image, i % 3 != 1);
  }
  const size_t cap = 4096;
  auto check = [&](const std::string& stream) {
    MjpegStreamParser p(cap);
    size_t chunk = 1 + rng() % 1500;
    size_t most = 0;
    Outcome o;
    auto sink = [&](std::vector<uint8_t>&& image) {
      EXPECT_LE(image.size(), cap);
      EXPECT_GT(image.size(), 0u);
      o.images.emplace_back(image.begin(), image.end());
    };
    for (size_t at = 0; at < stream.size(); at += chunk) {
      size_t n = std::min(chunk, stream.size() - at);
      Bytes piece(stream.begin() + static_cast<long>(at), stream.begin() + static_cast<long>(at + n));
      if (!p.Feed(piece.data(), n, sink)) break;
      most = std::max(most, p.buffered());
    }
    // Held bytes stay within about two parts or lines and a receive.
    EXPECT_LE(most, 2 * (cap + MjpegStreamParser::kMaxLineLength) + chunk);
  };
  for (int round = 0; round < 1500; ++round) {
    std::string s = good;
    int flips = static_cast<int>(rng() % 6);
    for (int f = 0; f < flips; ++f) s[rng() % s.size()] ^= static_cast<char>(1u << (rng() % 8));
    if (rng() % 2) s.resize(rng() % s.size());
    check(s);
  }
  for (int round = 0; round < 1000; ++round) {
    std::string s = round % 2 ? kHead : std::string();
    size_t n = rng() % 6000;
    for (size_t i = 0; i < n; ++i) {
      // Mostly header-ish text so that the deeper states are reached.
      static const char kAlphabet[] = "\r\n0123456789 Content-Length: HTTP/1.0 200";
      s += rng() % 4 ? kAlphabet[rng() % (sizeof kAlphabet - 1)] : static_cast<char>(rng());
    }
    check(s);
  }
}

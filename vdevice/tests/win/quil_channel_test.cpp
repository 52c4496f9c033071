// The quil channel against a scripted camera on loopback: the request, the stream's
// states, pieces split across receives, CR LF inside a picture, a part without a length,
// status 401, larger pictures drawn scaled, the last picture kept after the stream ends,
// and destruction while the camera is silent. Each runs in its own scenario, whose list
// names the scripted camera's port.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "mirage_test_support.h"
#include "picture_file.h"
#include "quil_video_channel.h"
#include "quilcam_picture.h"
#include "script_server.h"

using namespace mirage;
using namespace mirage_test;

namespace {

const std::string kHead =
    "HTTP/1.0 200 OK\r\nServer: quil\r\nContent-Type: multipart/x-mixed-replace;boundary=ipcamera\r\n\r\n";

std::string Jpeg(int width, int height, uint32_t frame) {
  std::vector<uint8_t> bytes = quilcam::Picture(width, height, frame);
  return std::string(bytes.begin(), bytes.end());
}

// The same picture with a comment segment holding CR LF and a boundary-like line right
// after its start marker; decoders skip comments.
std::string WithLineBreaks(const std::string& jpeg) {
  const std::string text = "\r\n--ipcamera\r\n\r\n";
  std::string comment = "\xFF\xFE";
  comment += static_cast<char>(0);
  comment += static_cast<char>(text.size() + 2);
  return jpeg.substr(0, 2) + comment + text + jpeg.substr(2);
}

std::string Part(const std::string& jpeg, bool withLength = true) {
  std::string p = "--ipcamera\r\nContent-Type: image/jpeg\r\n";
  if (withLength) p += "Content-Length: " + std::to_string(jpeg.size()) + "\r\n";
  return p + "\r\n" + jpeg + "\r\n";
}

IniCamera Camera(uint16_t port) {
  IniCamera c;
  c.name = "scripted";
  c.password = "pw";
  c.webport = port;
  return c;
}

// A channel opened on the camera the list names.
std::unique_ptr<CQuilVideoChannel> OpenChannel(uint16_t port) {
  WriteIni(Ini({Camera(port)}));
  auto channel = std::make_unique<CQuilVideoChannel>();
  EXPECT_EQ(1, channel->Open(CameraString(Camera(port)).c_str()));
  return channel;
}

// The picture's colours at points away from the pattern's edges: red top band, blue bottom
// band, green left strip, grey middle.
void ExpectPattern(const std::vector<uint8_t>& frame, int w, int h) {
  struct Point {
    int x, y, r, g, b;
  };
  const Point points[] = {{w / 2, h / 16, 255, 0, 0},
                          {w / 2, h - h / 16, 0, 0, 255},
                          {w / 16, h / 2, 0, 255, 0},
                          {w * 3 / 4, h / 2, 128, 128, 128}};
  for (const Point& p : points) {
    webcam::Rgb c = webcam::SamplePixel(frame.data(), webcam::SampleFormat::kRgb32, w, h, p.x, p.y);
    EXPECT_NEAR(p.r, c.r, 24) << p.x << "," << p.y;
    EXPECT_NEAR(p.g, c.g, 24) << p.x << "," << p.y;
    EXPECT_NEAR(p.b, c.b, 24) << p.x << "," << p.y;
  }
}

}  // namespace

TEST(QuilChannel, StreamedPicturesAreDecodedUprightAndKeptAfterTheEnd) {
  RunScenario("StreamedPicturesAreDecodedUprightAndKeptAfterTheEnd", "");
}
TEST(InScenario, StreamedPicturesAreDecodedUprightAndKeptAfterTheEnd) {
  IN_SCENARIO();
  const std::string a = Jpeg(320, 240, 1), b = WithLineBreaks(Jpeg(320, 240, 2));
  // Pieces of 97 bytes split the heads and the pictures across receives; the third part
  // has no length and reuses the second's.
  ScriptServer camera(kHead + Part(a) + Part(b) + Part(b, false), 97, true);
  auto channel = OpenChannel(camera.port());
  EXPECT_EQ(320, channel->GetWidth());
  EXPECT_EQ(240, channel->GetHeight());
  EXPECT_EQ(0u, channel->GetCompression());
  std::vector<uint8_t> frame(320 * 240 * 4, 0xEE);
  EXPECT_EQ(0, channel->GetFrame(frame.data(), static_cast<long>(frame.size()), 0));  // nothing yet

  EXPECT_EQ(1, channel->Start(nullptr));
  EXPECT_EQ(1, channel->Start(nullptr));  // once
  ASSERT_TRUE(WaitUntil([&] { return channel->ReceiveEnded(); }));
  EXPECT_EQ(3, channel->Pictures());
  EXPECT_EQ(0, channel->FailedPictures());
  EXPECT_EQ(0, channel->ScaledPictures());
  EXPECT_EQ(MjpegStreamParser::End::kNone, channel->StreamEnd());  // the camera closed
  EXPECT_EQ(
      "GET /videostream.cgi?user=admin&pwd=pw&resolution=8 HTTP/1.0\r\nHost: 127.0.0.1\r\n"
      "User-Agent: myclient/1.0 (mirage@localhost)\r\n\r\n",
      camera.Request());

  // The last picture stays after the stream ended.
  ASSERT_EQ(1, channel->GetFrame(frame.data(), static_cast<long>(frame.size()), 0));
  ExpectPattern(frame, 320, 240);
  EXPECT_EQ(0, channel->GetFrame(frame.data(), static_cast<long>(frame.size()) - 4, 0));
}

TEST(QuilChannel, StatusOtherThan200EndsTheThread) {
  RunScenario("StatusOtherThan200EndsTheThread", "");
}
TEST(InScenario, StatusOtherThan200EndsTheThread) {
  IN_SCENARIO();
  // The camera keeps the connection open: only the status can end the thread.
  ScriptServer camera("HTTP/1.1 401 Unauthorized\r\n\r\n" + Part(Jpeg(320, 240, 0)), 1024, false);
  auto channel = OpenChannel(camera.port());
  channel->Start(nullptr);
  ASSERT_TRUE(WaitUntil([&] { return channel->ReceiveEnded(); }));
  EXPECT_EQ(MjpegStreamParser::End::kStatus, channel->StreamEnd());
  EXPECT_FALSE(camera.Request().empty());
  EXPECT_EQ(0, channel->Pictures());
  std::vector<uint8_t> frame(320 * 240 * 4);
  EXPECT_EQ(0, channel->GetFrame(frame.data(), static_cast<long>(frame.size()), 0));
}

TEST(QuilChannel, LargerPicturesAreDrawnScaledIntoTheConnectedSize) {
  RunScenario("LargerPicturesAreDrawnScaledIntoTheConnectedSize", "");
}
TEST(InScenario, LargerPicturesAreDrawnScaledIntoTheConnectedSize) {
  IN_SCENARIO();
  const std::string big = Jpeg(640, 480, 3);
  ScriptServer camera(kHead + Part(big) + Part(big), 1024, false);
  auto channel = OpenChannel(camera.port());
  channel->Start(nullptr);
  ASSERT_TRUE(WaitUntil([&] { return channel->Pictures() == 2; }));
  EXPECT_EQ(2, channel->ScaledPictures());
  EXPECT_FALSE(channel->ReceiveEnded());
  std::vector<uint8_t> frame(320 * 240 * 4);
  ASSERT_EQ(1, channel->GetFrame(frame.data(), static_cast<long>(frame.size()), 0));
  ExpectPattern(frame, 320, 240);
}

TEST(QuilChannel, UnreachableOrSilentCameras) {
  RunScenario("UnreachableOrSilentCameras", "");
}
TEST(InScenario, UnreachableOrSilentCameras) {
  IN_SCENARIO();
  {
    // Destroyed while the camera has answered nothing: the thread is told through its queue.
    ScriptServer camera("", 1, false);
    auto channel = OpenChannel(camera.port());
    channel->Start(nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !camera.Request().empty(); }));
    EXPECT_FALSE(channel->ReceiveEnded());
    channel.reset();
  }
  // The list (read once) still names that port, where nothing listens any more: the
  // connection fails and the thread ends.
  CQuilVideoChannel channel;
  EXPECT_EQ(1, channel.Open(L"Devicequil@127.0.0.1@scripted"));
  channel.Start(nullptr);
  ASSERT_TRUE(WaitUntil([&] { return channel.ReceiveEnded(); }));
  EXPECT_EQ(0, channel.Pictures());
  // A name the list does not hold opens nothing.
  CQuilVideoChannel other;
  EXPECT_EQ(0, other.Open(L"Devicequil@127.0.0.9@none"));
}

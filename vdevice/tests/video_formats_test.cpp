// The format table, the stream request bytes and the frame-interval rules.
#include <gtest/gtest.h>

#include "stream_request.h"
#include "video_formats.h"

using namespace mirage;

TEST(VideoFormats, MediaTypeListIsCompressionBySize) {
  VideoFormat f;
  ASSERT_TRUE(MediaTypeFormat(0, &f));
  EXPECT_EQ(0x32595559u, f.compression);  // "YUY2"
  EXPECT_EQ(16, f.bitCount);
  EXPECT_EQ(352, f.width);
  EXPECT_EQ(288, f.height);
  EXPECT_EQ(202752u, f.imageSize);
  ASSERT_TRUE(MediaTypeFormat(1, &f));
  EXPECT_EQ(704, f.width);
  EXPECT_EQ(811008u, f.imageSize);
  ASSERT_TRUE(MediaTypeFormat(5, &f));
  EXPECT_EQ(0x56555949u, f.compression);  // "IYUV"
  EXPECT_EQ(12, f.bitCount);
  EXPECT_EQ(608256u, f.imageSize);
  ASSERT_TRUE(MediaTypeFormat(11, &f));
  EXPECT_EQ(0x32315659u, f.compression);  // "YV12"
  EXPECT_EQ(640, f.width);
  EXPECT_EQ(460800u, f.imageSize);
  ASSERT_TRUE(MediaTypeFormat(14, &f));
  EXPECT_EQ(0u, f.compression);
  EXPECT_EQ(32, f.bitCount);
  EXPECT_EQ(320, f.width);
  EXPECT_EQ(240, f.height);
  EXPECT_EQ(307200u, f.imageSize);
  ASSERT_TRUE(MediaTypeFormat(13, &f));
  EXPECT_EQ(704u * 576 * 4, f.imageSize);
  EXPECT_FALSE(MediaTypeFormat(16, &f));
  EXPECT_FALSE(MediaTypeFormat(-1, &f));

  ASSERT_TRUE(StreamCapsFormat(3, &f));
  EXPECT_EQ(0x32595559u, f.compression);
  EXPECT_EQ(640, f.width);
  EXPECT_FALSE(StreamCapsFormat(4, &f));
  // Rows are padded to 4 bytes: 3 pixels of 24 bits take 12 bytes.
  EXPECT_EQ(24u, BitmapImageSize(3, -2, 24));
  EXPECT_EQ(24, BitCountOf(kCompressionRgb, 24));
}

TEST(VideoFormats, QualityMessagesScaleTheIntervalWithinItsBounds) {
  EXPECT_EQ(1000, IntervalAfterQuality(40, 0));
  EXPECT_EQ(1000, IntervalAfterQuality(40, -5));
  EXPECT_EQ(20, IntervalAfterQuality(40, 2000));
  EXPECT_EQ(400, IntervalAfterQuality(40, 100));
  EXPECT_EQ(10, IntervalAfterQuality(40, 100000));
  EXPECT_EQ(1000, IntervalAfterQuality(900, 500));
  EXPECT_EQ(1000, IntervalAfterQuality(1000, 1));

  EXPECT_EQ(40, IntervalOfFrameTime(400000));
  EXPECT_EQ(33, IntervalOfFrameTime(333333));
  EXPECT_EQ(10, IntervalOfFrameTime(0));
  EXPECT_EQ(10, IntervalOfFrameTime(-400000));
  EXPECT_EQ(1000, IntervalOfFrameTime(int64_t{1} << 40));
  EXPECT_EQ(37u, PaceSleepMs(40));
  EXPECT_EQ(7u, PaceSleepMs(10));
  EXPECT_EQ(0u, PaceSleepMs(2));
}

TEST(StreamRequest, RequestBytesAndPictureSizes) {
  EXPECT_EQ(
      "GET /videostream.cgi?user=admin&pwd=123456&resolution=8 HTTP/1.0\r\n"
      "Host: 127.0.0.1\r\nUser-Agent: myclient/1.0 (mirage@localhost)\r\n\r\n",
      StreamRequest("admin", "123456", 8, "127.0.0.1"));
  EXPECT_EQ(
      "GET /videostream.cgi?user=&pwd=&resolution=32 HTTP/1.0\r\n"
      "Host: \r\nUser-Agent: myclient/1.0 (mirage@localhost)\r\n\r\n",
      StreamRequest(nullptr, "", 32, nullptr));
  int w = 0, h = 0;
  QuilPictureSize(2, &w, &h);
  EXPECT_EQ(160, w);
  EXPECT_EQ(120, h);
  QuilPictureSize(32, &w, &h);
  EXPECT_EQ(640, w);
  QuilPictureSize(kQuilResolutionCode, &w, &h);
  EXPECT_EQ(320, w);
  EXPECT_EQ(240, h);
}

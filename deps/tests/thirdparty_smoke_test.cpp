// Proves each cross-built third-party library links statically and works under Wine.
// windows.h comes first on purpose: jpeglib.h must coexist with it in our code.
#include <windows.h>

#include <cstdio>  // jpeglib.h needs FILE and size_t declared before it
#include <jpeglib.h>
#include <png.h>
#include <pugixml.hpp>
#include <zlib.h>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

std::vector<std::uint8_t> Gradient() {
  std::vector<std::uint8_t> rgb(kWidth * kHeight * 3);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      std::uint8_t* p = &rgb[(y * kWidth + x) * 3];
      p[0] = static_cast<std::uint8_t>(x * 4);
      p[1] = static_cast<std::uint8_t>(y * 5);
      p[2] = static_cast<std::uint8_t>(128);
    }
  }
  return rgb;
}

TEST(ThirdParty, LibjpegCompressesToMemory) {
  std::vector<std::uint8_t> rgb = Gradient();
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long out_size = 0;
  jpeg_mem_dest(&cinfo, &out, &out_size);
  cinfo.image_width = kWidth;
  cinfo.image_height = kHeight;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 85, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = &rgb[cinfo.next_scanline * kWidth * 3];
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);

  ASSERT_NE(out, nullptr);
  ASSERT_GT(out_size, 4u);
  EXPECT_EQ(out[0], 0xFF);  // SOI
  EXPECT_EQ(out[1], 0xD8);
  EXPECT_EQ(out[out_size - 2], 0xFF);  // EOI
  EXPECT_EQ(out[out_size - 1], 0xD9);

  jpeg_decompress_struct dinfo;
  dinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&dinfo);
  jpeg_mem_src(&dinfo, out, out_size);
  ASSERT_EQ(jpeg_read_header(&dinfo, TRUE), JPEG_HEADER_OK);
  EXPECT_EQ(dinfo.image_width, static_cast<JDIMENSION>(kWidth));
  EXPECT_EQ(dinfo.image_height, static_cast<JDIMENSION>(kHeight));
  jpeg_destroy_decompress(&dinfo);
  std::free(out);
}

TEST(ThirdParty, LibpngRoundTripsThroughMemory) {
  std::vector<std::uint8_t> rgb = Gradient();
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = kWidth;
  image.height = kHeight;
  image.format = PNG_FORMAT_RGB;

  png_alloc_size_t size = 0;
  ASSERT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr));
  std::vector<std::uint8_t> encoded(size);
  ASSERT_TRUE(png_image_write_to_memory(&image, encoded.data(), &size, 0, rgb.data(), 0, nullptr))
      << image.message;
  ASSERT_GT(size, 8u);
  EXPECT_EQ(0, std::memcmp(encoded.data(), "\x89PNG\r\n\x1a\n", 8));

  png_image back;
  std::memset(&back, 0, sizeof back);
  back.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_memory(&back, encoded.data(), size)) << back.message;
  back.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> decoded(PNG_IMAGE_SIZE(back));
  ASSERT_TRUE(png_image_finish_read(&back, nullptr, decoded.data(), 0, nullptr)) << back.message;
  EXPECT_EQ(back.width, static_cast<png_uint_32>(kWidth));
  EXPECT_EQ(decoded, rgb);
  EXPECT_STREQ(zlibVersion(), ZLIB_VERSION);
}

TEST(ThirdParty, OpencvFiltersAndCodesBmp) {
  cv::Mat bgr(kHeight, kWidth, CV_8UC3, cv::Scalar(10, 20, 30));
  bgr(cv::Rect(16, 12, 32, 24)).setTo(cv::Scalar(200, 150, 100));

  cv::Mat gray;
  cv::cvtColor(bgr, gray, cv::COLOR_BGR2GRAY);
  ASSERT_EQ(gray.type(), CV_8UC1);
  // 0.114 B + 0.587 G + 0.299 R
  EXPECT_NEAR(gray.at<std::uint8_t>(0, 0), 22, 1);
  EXPECT_NEAR(gray.at<std::uint8_t>(24, 32), 141, 1);

  cv::Mat blurred;
  cv::GaussianBlur(gray, blurred, cv::Size(5, 5), 1.5);
  EXPECT_EQ(blurred.at<std::uint8_t>(0, 0), gray.at<std::uint8_t>(0, 0));  // flat area
  EXPECT_EQ(blurred.at<std::uint8_t>(24, 32), gray.at<std::uint8_t>(24, 32));
  std::uint8_t edge = blurred.at<std::uint8_t>(12, 32);  // softened step
  EXPECT_GT(edge, 22);
  EXPECT_LT(edge, 141);

  std::vector<std::uint8_t> bmp;
  ASSERT_TRUE(cv::imencode(".bmp", bgr, bmp));
  ASSERT_GT(bmp.size(), 54u);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  cv::Mat decoded = cv::imdecode(bmp, cv::IMREAD_COLOR);
  ASSERT_EQ(decoded.size(), bgr.size());
  ASSERT_EQ(decoded.type(), CV_8UC3);
  EXPECT_EQ(cv::norm(decoded, bgr, cv::NORM_INF), 0.0);
}

TEST(ThirdParty, PugixmlParsesAttributes) {
  const char xml[] =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
      "<skin name=\"default\"><button id=\"ok\" x=\"10\" y=\"-4\"/><button id=\"cancel\"/></skin>";
  pugi::xml_document doc;
  pugi::xml_parse_result result = doc.load_buffer(xml, sizeof xml - 1);
  ASSERT_TRUE(result) << result.description();
  pugi::xml_node skin = doc.child("skin");
  EXPECT_STREQ(skin.attribute("name").value(), "default");
  pugi::xml_node ok = skin.find_child_by_attribute("button", "id", "ok");
  ASSERT_TRUE(ok);
  EXPECT_EQ(ok.attribute("x").as_int(), 10);
  EXPECT_EQ(ok.attribute("y").as_int(), -4);
  int buttons = 0;
  for (pugi::xml_node b : skin.children("button")) {
    (void)b;
    ++buttons;
  }
  EXPECT_EQ(buttons, 2);
}

}  // namespace

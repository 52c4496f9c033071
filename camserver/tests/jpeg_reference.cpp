#include "jpeg_reference.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <jpeglib.h>
}

namespace lantern::testing {

std::vector<uint8_t> ReferenceJpeg(const uint8_t* bottomUpBgr, int width, int height, int quality) {
  const size_t stride = static_cast<size_t>(width) * 3;
  std::vector<uint8_t> rgb(stride * height);
  for (int r = 0; r < height; ++r) {
    const uint8_t* from = bottomUpBgr + stride * (height - 1 - r);
    uint8_t* to = &rgb[stride * r];
    for (int x = 0; x < width; ++x) {
      to[3 * x] = from[3 * x + 2];
      to[3 * x + 1] = from[3 * x + 1];
      to[3 * x + 2] = from[3 * x];
    }
  }
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* data = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &data, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = &rgb[stride * cinfo.next_scanline];
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> jpeg(data, data + size);
  std::free(data);
  return jpeg;
}

}  // namespace lantern::testing

#include "jpeg_decode.h"

#include <csetjmp>
#include <cstdio>

extern "C" {
#include <jpeglib.h>
}

namespace lantern::testing {

namespace {
struct Err {
  jpeg_error_mgr pub;
  std::jmp_buf back;
};
void Exit(j_common_ptr c) { std::longjmp(reinterpret_cast<Err*>(c->err)->back, 1); }
}  // namespace

bool DecodeJpeg(const uint8_t* data, size_t size, DecodedImage* out) {
  jpeg_decompress_struct cinfo;
  Err err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = Exit;
  if (setjmp(err.back)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  out->width = static_cast<int>(cinfo.output_width);
  out->height = static_cast<int>(cinfo.output_height);
  out->rgb.resize(static_cast<size_t>(out->width) * out->height * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = &out->rgb[static_cast<size_t>(cinfo.output_scanline) * out->width * 3];
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace lantern::testing

// Pictures as the detector takes them, and the BMP files the camera writes for it: read
// whole into a buffer kept between pictures, their pixel rows used where they lie.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <opencv2/core.hpp>

namespace tremor {

// 8-bit BGR rows, top-down, or bottom-up as a BMP file stores them.
struct Picture {
  cv::Mat rows;
  bool bottomUp = false;
};

// What a channel keeps between pictures for loading them.
struct PictureBuffers {
  std::vector<uint8_t> file;  // the picture file's bytes; only grows
  cv::Mat decoded;            // a picture that had to be decoded
};

// Larger files are not pictures the detector takes (a 4096 x 4096 BMP is 48 MiB).
constexpr size_t kPictureFileLimit = 64u << 20;

// Reads the whole file into `buffer` (grown when too small, never shrunk); false when it
// cannot be opened or read, or is larger than `limit`.
bool ReadWholeFile(const char* path, std::vector<uint8_t>& buffer, size_t limit, size_t* size);

// Takes the pixel rows of an uncompressed 24-bit BMP file image in place (rows padded to 4
// bytes, as the format has them). False for any other kind of file and for headers that do
// not fit the file.
bool TakeBmp24Rows(const uint8_t* data, size_t size, Picture* picture);

// ReadWholeFile + TakeBmp24Rows: the picture points into buffers.file.
bool LoadBmp24(const char* path, PictureBuffers& buffers, Picture* picture);

}  // namespace tremor

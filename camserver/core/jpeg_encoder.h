// Frame preparation and baseline JPEG compression into a growing memory block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "jpeg_out_buffer.h"

namespace lantern {

constexpr int kJpegQuality = 75;
constexpr size_t kJpegWorkBuffer = 4096;
constexpr size_t kJpegInitialBlock = 102400;

// Appends n bytes to the buffer; when it lacks room it grows by twice the shortfall's size
// (capacity + 2n) and never shrinks.
void AppendJpegBytes(JpegOutBuffer& out, const uint8_t* data, size_t n);

// Compresses rows of BGR pixels (width x 3 bytes each, unpadded) stored bottom-up, as a
// capture device delivers them: the library reads them in place, the last row first, so
// the picture is neither copied nor changed. The library's compressor is kept in `out`
// from the first call on. On a library error `onError` gets its message and the result is
// false with the buffer's length 0; the next frame encodes as if none had failed.
bool CompressJpeg(const uint8_t* bottomUpBgr, int width, int height, int quality,
                  JpegOutBuffer& out,
                  const std::function<void(const std::string&)>& onError = nullptr);

// Compresses a captured frame at the camera's quality: true when a non-empty JPEG was
// produced. False without compressing when `size` does not hold width x height pixels.
bool EncodeFrame(const uint8_t* pixels, size_t size, int width, int height, JpegOutBuffer& out,
                 const std::function<void(const std::string&)>& onError = nullptr);

}  // namespace lantern

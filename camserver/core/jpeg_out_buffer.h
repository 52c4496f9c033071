// Receives one compressed frame; allocated once and reused for every later frame, together
// with the compressor that wrote it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace lantern {

// The library's compressor object (jpeg_encoder.cpp), made at the first frame and kept, so
// that a frame does not set up and tear down the library's memory pools again.
struct JpegCompressorState;
struct JpegCompressorRelease {
  void operator()(JpegCompressorState* state) const;
};

struct JpegOutBuffer {
  std::vector<uint8_t> data;  // capacity = data.size()
  size_t length = 0;          // bytes of the current frame
  std::unique_ptr<JpegCompressorState, JpegCompressorRelease> compressor;
};

}  // namespace lantern

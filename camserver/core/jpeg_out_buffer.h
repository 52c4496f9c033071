// Receives one compressed frame; allocated once and reused for every later frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lantern {

struct JpegOutBuffer {
  std::vector<uint8_t> data;  // capacity = data.size()
  size_t length = 0;          // bytes of the current frame
};

}  // namespace lantern

#include "watch_request.h"

#include <cstring>

#include "common/byte_io.h"

namespace standins {

const uint8_t kWatchMagic[4] = {'M', 'O', '_', 'V'};

std::vector<uint8_t> EncodeWatchRequest(const std::string& cameraName) {
  std::vector<uint8_t> d(kWatchRequestSize, 0);
  std::memcpy(d.data(), kWatchMagic, 4);
  d[4] = kWatchType;
  common::PutFixedText(&d[5], kWatchNameWidth, cameraName.c_str());
  return d;
}

bool DecodeWatchRequest(const uint8_t* data, size_t length, std::string* cameraName) {
  if (data == nullptr || length < kWatchRequestSize) return false;
  if (std::memcmp(data, kWatchMagic, 4) != 0 || data[4] != kWatchType) return false;
  *cameraName = common::GetFixedText(data + 5, kWatchNameWidth);
  return true;
}

}  // namespace standins

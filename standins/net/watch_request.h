// The stand-ins' own request from a viewer to the rendezvous stand-in: "pair me with this
// camera". Layout: magic "MO_V", type 0xA0, camera name as a zero-padded 30-byte field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace standins {

extern const uint8_t kWatchMagic[4];
constexpr uint8_t kWatchType = 0xA0;
constexpr size_t kWatchNameWidth = 30;
constexpr size_t kWatchRequestSize = 5 + kWatchNameWidth;

std::vector<uint8_t> EncodeWatchRequest(const std::string& cameraName);
// Checks magic, type and length; the name is cut at its first zero byte.
bool DecodeWatchRequest(const uint8_t* data, size_t length, std::string* cameraName);

}  // namespace standins

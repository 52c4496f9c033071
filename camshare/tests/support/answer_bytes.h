// Search answers written byte by byte, for tests of the receiving side.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace camshare::test {

struct AnswerSpec {
  std::string id = "A1B2C3D4E5F60";
  std::string name = "cam1";  // up to 21 bytes, more are cut
  uint8_t ip[4] = {192, 168, 1, 20};
  uint8_t mask[4] = {255, 255, 255, 0};
  uint8_t gateway[4] = {192, 168, 1, 1};
  uint8_t dns[4] = {8, 8, 8, 8};
  uint16_t port = 81;
  uint16_t op = 1;
  bool scrambled = false;
  uint8_t key[8] = {0x13, 0x57, 0x9B, 0xDF, 0x24, 0x68, 0xAC, 0xE0};
  size_t extra = 0;  // payload bytes past the 64-byte layout
};

inline std::vector<uint8_t> AnswerPayload(const AnswerSpec& s) {
  std::vector<uint8_t> p(64 + s.extra, 0);
  std::memcpy(&p[0], s.id.data(), s.id.size() < 13 ? s.id.size() : 13);
  std::memcpy(&p[13], s.name.data(), s.name.size() < 21 ? s.name.size() : 21);
  std::memcpy(&p[34], s.ip, 4);
  std::memcpy(&p[38], s.mask, 4);
  std::memcpy(&p[42], s.gateway, 4);
  std::memcpy(&p[46], s.dns, 4);
  for (int i = 0; i < 12; ++i) p[50 + i] = static_cast<uint8_t>(0xC0 + i);
  p[62] = static_cast<uint8_t>(s.port >> 8);
  p[63] = static_cast<uint8_t>(s.port);
  for (size_t i = 64; i < p.size(); ++i) p[i] = static_cast<uint8_t>(i);
  return p;
}

inline std::vector<uint8_t> Datagram(const AnswerSpec& s, std::vector<uint8_t> payload) {
  std::vector<uint8_t> d(23, 0);
  std::memcpy(&d[0], "MO_I", 4);
  d[4] = static_cast<uint8_t>(s.op);
  d[5] = static_cast<uint8_t>(s.op >> 8);
  d[6] = s.scrambled ? 1 : 0;
  std::memcpy(&d[7], s.key, 8);
  uint32_t n = static_cast<uint32_t>(payload.size());
  for (int i = 0; i < 4; ++i) d[15 + i] = d[19 + i] = static_cast<uint8_t>(n >> (8 * i));
  if (s.scrambled) {
    for (size_t i = 0; i < payload.size(); ++i) payload[i] ^= s.key[i % 8];
  }
  d.insert(d.end(), payload.begin(), payload.end());
  return d;
}

inline std::vector<uint8_t> AnswerDatagram(const AnswerSpec& s) { return Datagram(s, AnswerPayload(s)); }

}  // namespace camshare::test

// Small command-line helpers shared by the two stand-in programs.
#pragma once

#include <cstdlib>
#include <string>

#include "net_address.h"
#include "udp_endpoint.h"

namespace standins {

// Decimal number within [low, high]; false for anything else.
inline bool ParseBounded(const std::string& text, long low, long high, long* out) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  long v = std::strtol(text.c_str(), nullptr, 10);
  if (v < low || v > high) return false;
  *out = v;
  return true;
}

// "a.b.c.d:port" inside 127.0.0.0/8 with a non-zero port.
inline bool ParseLoopbackAddress(const std::string& text, lantern::NetAddress* out) {
  const size_t colon = text.rfind(':');
  if (colon == std::string::npos) return false;
  uint32_t ip = 0;
  long port = 0;
  if (!lantern::ParseDottedIp(text.substr(0, colon), &ip)) return false;
  if (!ParseBounded(text.substr(colon + 1), 1, 65535, &port)) return false;
  if (!IsLoopback(ip)) return false;
  out->ip = ip;
  out->port = static_cast<uint16_t>(port);
  return true;
}

}  // namespace standins

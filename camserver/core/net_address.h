// IPv4 endpoint as the camera server keys and logs it: "a.b.c.d:port".
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace lantern {

struct NetAddress {
  uint32_t ip = 0;  // host order: 127.0.0.1 is 0x7F000001
  uint16_t port = 0;

  std::string IpText() const {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%u.%u.%u.%u", (ip >> 24) & 255u, (ip >> 16) & 255u,
                  (ip >> 8) & 255u, ip & 255u);
    return buf;
  }
  // The key of the session map and the form the server is recognised by.
  std::string Text() const { return IpText() + ":" + std::to_string(port); }

  bool operator==(const NetAddress& o) const { return ip == o.ip && port == o.port; }
  bool operator!=(const NetAddress& o) const { return !(*this == o); }
};

// Parses a dotted IPv4 text ("10.0.0.1"); false for anything else.
bool ParseDottedIp(const std::string& text, uint32_t* ip);

}  // namespace lantern

#include "fake_ports.h"

#include <cstdio>

namespace lantern::testing {

int FakeSender::SendTo(const uint8_t* data, size_t length, const NetAddress& to) {
  if (closed || to == failFor) return -1;
  Sent sent{to, wire::Datagram(data, data + length)};
  {
    std::lock_guard<std::mutex> guard(mutex_);
    sent_.push_back(sent);
  }
  if (onSend) onSend(sent);
  return static_cast<int>(length);
}

int FakeSender::SendToServer(const uint8_t* data, size_t length) {
  return SendTo(data, length, kServer);
}

std::vector<Sent> FakeSender::TakeAll() {
  std::lock_guard<std::mutex> guard(mutex_);
  std::vector<Sent> out;
  out.swap(sent_);
  return out;
}

size_t FakeSender::CountTo(const NetAddress& to, uint8_t type) const {
  std::lock_guard<std::mutex> guard(mutex_);
  size_t n = 0;
  for (const Sent& s : sent_)
    if (s.to == to && s.type() == type) ++n;
  return n;
}

bool FakeResolver::Resolve(const std::string& host, uint32_t* ip) {
  if (host == "viewer.example") {
    *ip = 0x0A00004D;
    return true;
  }
  return ParseDottedIp(host, ip);
}

void CapturingLogger::WriteV(const char* format, va_list args) {
  char buf[1024];
  std::vsnprintf(buf, sizeof buf, format, args);
  lines.push_back(buf);
}

bool CapturingLogger::Contains(const std::string& text) const {
  for (const std::string& line : lines)
    if (line.find(text) != std::string::npos) return true;
  return false;
}

}  // namespace lantern::testing

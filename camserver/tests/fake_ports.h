// In-memory stand-ins for the camera's sockets, resolver, address source and log.
#pragma once

#include <cstdarg>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "camera_core.h"
#include "camera_ports.h"
#include "common/clock.h"
#include "logger.h"
#include "protocol.h"

namespace lantern::testing {

constexpr NetAddress kServer{0x0A000001, 9000};  // 10.0.0.1:9000

struct Sent {
  NetAddress to;
  wire::Datagram bytes;
  uint8_t type() const { return bytes.size() > 4 ? bytes[4] : 0xEE; }
};

class FakeSender : public DatagramSender {
 public:
  int SendTo(const uint8_t* data, size_t length, const NetAddress& to) override;
  int SendToServer(const uint8_t* data, size_t length) override;

  std::vector<Sent> TakeAll();
  size_t CountTo(const NetAddress& to, uint8_t type) const;
  bool closed = false;
  NetAddress failFor{0, 0};  // sends to this address fail
  // Called on the sending thread after each successful send, outside the sender's lock.
  std::function<void(const Sent&)> onSend;

 private:
  mutable std::mutex mutex_;
  std::vector<Sent> sent_;
};

// Dotted addresses only, plus "viewer.example" -> 10.0.0.77.
class FakeResolver : public HostResolver {
 public:
  bool Resolve(const std::string& host, uint32_t* ip) override;
};

class FakeAddressSource : public RegistrationAddressSource {
 public:
  bool Get(std::string* address, uint32_t* port) override {
    if (!haveReference) return false;
    *address = "192.168.1.20";
    *port = 4321;
    return true;
  }
  bool haveReference = true;
};

class CapturingLogger : public Logger {
 public:
  void WriteV(const char* format, va_list args) override;
  bool Contains(const std::string& text) const;
  std::vector<std::string> lines;
};

// Everything a camera needs from outside, as fakes, and the environment made of them.
struct FakeCameraWorld {
  CameraEnvironment Environment() {
    CameraEnvironment env;
    env.clock = &clock;
    env.sender = &sender;
    env.resolver = &resolver;
    env.localAddress = &addresses;
    env.log = &log;
    return env;
  }
  common::ManualClock clock{1000};
  FakeSender sender;
  FakeResolver resolver;
  FakeAddressSource addresses;
  CapturingLogger log;
};

}  // namespace lantern::testing

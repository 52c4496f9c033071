// What the platform-free camera logic needs from the outside world: a way to send, to
// resolve a host, and to learn the address it registers with. The Windows layer supplies
// real sockets; tests supply fakes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "net_address.h"

namespace lantern {

class DatagramSender {
 public:
  virtual ~DatagramSender() = default;
  // Bytes sent, or -1 when the socket is closed or the send failed.
  virtual int SendTo(const uint8_t* data, size_t length, const NetAddress& to) = 0;
  virtual int SendToServer(const uint8_t* data, size_t length) = 0;
};

class HostResolver {
 public:
  virtual ~HostResolver() = default;
  // Dotted address first, else a host-name look-up (first address).
  virtual bool Resolve(const std::string& host, uint32_t* ip) = 0;
};

class RegistrationAddressSource {
 public:
  virtual ~RegistrationAddressSource() = default;
  // False when there is no reference address (no hint, no adapter with a gateway): no
  // registration is sent this time. Otherwise the address text (may be empty) and port.
  virtual bool Get(std::string* address, uint32_t* port) = 0;
};

// The camera's stored alarm parameters (its ".apd" file).
class AlarmParamStore {
 public:
  enum class SaveResult { kSaved, kOpenFailed, kShortWrite };
  virtual ~AlarmParamStore() = default;
  // Bytes read into `record` (at most `size`); 0 when there is no file.
  virtual size_t Load(uint8_t* record, size_t size) = 0;
  virtual SaveResult Save(const uint8_t* record, size_t size) = 0;
};

// The motion detector as the camera drives it.
class MotionDetectorPort {
 public:
  virtual ~MotionDetectorPort() = default;
  virtual void SetThreshold(int threshold) = 0;
};

struct LocalTime;
class LocalTimeSource {
 public:
  virtual ~LocalTimeSource() = default;
  virtual LocalTime Now() = 0;
};

}  // namespace lantern

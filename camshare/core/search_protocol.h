// The LAN camera search on UDP port 10000: the request, the validation of received
// datagrams, the answer layout, the camera-name conversion and the subnet filter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "camera_record.h"
#include "text_codec.h"

// One parsed search answer on its way from the search thread to the camera list.
// Addresses and the port keep the bytes of the wire (network order).
struct tag_Search_Camera {
  char identifier[13];
  char user[13];
  char password[13];
  char name[21];  // converted camera name, at most 20 bytes
  uint32_t ip;
  uint32_t mask;
  uint32_t gateway;
  uint32_t dns;
  uint16_t port;
  uint32_t unused1;
  uint32_t unused2;
  uint8_t onLocalSubnet;
  uint8_t valid;
};

namespace camshare::search {

constexpr uint16_t kSearchPort = 10000;
constexpr uint16_t kOpRequest = 0;
constexpr uint16_t kOpAnswer = 1;
constexpr size_t kRequestSize = 27;
constexpr uint32_t kRequestPayload = 0x01000000;  // only bit 24 set
constexpr size_t kReceiveBufferSize = 102400;

// Answer payload layout.
constexpr size_t kIdOffset = 0;
constexpr size_t kIdSize = 13;
constexpr size_t kNameOffset = 13;
constexpr size_t kNameSize = 21;
constexpr size_t kIpOffset = 34;
constexpr size_t kMaskOffset = 38;
constexpr size_t kGatewayOffset = 42;
constexpr size_t kDnsOffset = 46;
constexpr size_t kValuesOffset = 50;
constexpr size_t kPortOffset = 62;
constexpr size_t kAnswerLayoutSize = 64;
constexpr size_t kMaxNameBytes = 20;

std::vector<uint8_t> BuildSearchRequest();

// A datagram that passed validation: its operation and its payload, unscrambled.
struct ReceivedFrame {
  uint16_t op = 0;
  std::vector<uint8_t> payload;
};

// Checks size, magic and length; unscrambles a scrambled payload. False drops it.
bool ValidateDatagram(const uint8_t* data, size_t size, ReceivedFrame* out);

// Reads the 64-byte answer layout into `out` (zeroed first); the name is left empty for
// ConvertCameraName. False when the payload is too short.
bool ParseAnswer(const uint8_t* payload, size_t size, tag_Search_Camera* out);

// The raw name field of an answer, up to its terminator, never past 21 bytes.
std::string RawName(const uint8_t* payload, size_t size);

// Well-formedness test over text without its terminator; a sequence cut short by the end
// of the text passes.
bool IsWellFormedUtf8(const std::string& text);

// Empty stays empty; UTF-8 goes to the ANSI code page; anything else is kept. At most
// 20 bytes, cut on a character boundary.
std::string ConvertCameraName(const std::string& raw, const TextCodec& codec);

// A four-byte network-order value (as kept in tag_Search_Camera) as a host number.
uint32_t HostFromNetwork(uint32_t raw);
uint16_t HostFromNetwork16(uint16_t raw);
// Dotted text of an address given as a host number.
std::string DottedText(uint32_t address);

struct LocalAddress {
  uint32_t address;  // host numbers
  uint32_t mask;
};

// The camera passes when a local row has its mask and the same network. A table that
// could not be read (null) lets every camera pass.
bool OnLocalSubnet(const std::vector<LocalAddress>* table, uint32_t ip, uint32_t mask);

// The search thread's handling of one received datagram: validation, the answer layout,
// the name conversion and the subnet filter. True when `out` goes to the camera list.
bool AcceptAnswer(const uint8_t* data, size_t size, const TextCodec& codec,
                  const std::vector<LocalAddress>* table, tag_Search_Camera* out);

// The insertion arguments for one accepted answer, with the text they point to.
struct AnswerCamera {
  std::string name, ip, submask;
  unsigned char mac[6] = {0, 0, 0, 0, 0, 0};
  uint16_t port = 0;
  NewCamera View() const;
};
AnswerCamera CameraFromAnswer(const tag_Search_Camera& answer);

constexpr uint32_t kSendIntervalMs = 3000;
constexpr uint32_t kAgeIntervalMs = 5000;

// When to send the next request and run the next ageing pass. Both are due at once at the
// start; comparisons survive the wrap of the tick counter.
class SearchSchedule {
 public:
  explicit SearchSchedule(uint32_t now) : nextSend_(now), nextAge_(now) {}
  // True (and the next pass planned) when an ageing pass is due.
  bool TakeAgeing(uint32_t now);
  bool SendDue(uint32_t now) const;
  void Sent(uint32_t now) { nextSend_ = now + kSendIntervalMs; }

 private:
  uint32_t nextSend_;
  uint32_t nextAge_;
};

}  // namespace camshare::search

#include "search_protocol.h"

#include <cstring>

#include "common/byte_io.h"
#include "frame_header.h"

namespace camshare::search {

std::vector<uint8_t> BuildSearchRequest() {
  frame::FrameBuilder builder(frame::kMagicSearch, kOpRequest);
  builder.AppendU32(kRequestPayload);
  return builder.Finish();
}

bool ValidateDatagram(const uint8_t* data, size_t size, ReceivedFrame* out) {
  frame::FrameHeader header;
  if (!frame::DecodeHeader(data, size, &header)) return false;
  if (!frame::HasMagic(data, size, frame::kMagicSearch)) return false;
  // Compared in 64 bits so that a huge length field cannot wrap onto the real size.
  if (static_cast<uint64_t>(header.length) + frame::kHeaderSize != static_cast<uint64_t>(size)) {
    return false;
  }
  out->op = header.op;
  out->payload.assign(data + frame::kHeaderSize, data + size);
  if (header.scramble == 1 && header.length != 0) {
    frame::Scramble(out->payload.data(), out->payload.size(), header.key);
  }
  return true;
}

bool ParseAnswer(const uint8_t* payload, size_t size, tag_Search_Camera* out) {
  std::memset(out, 0, sizeof *out);
  common::ByteReader r(payload, size);
  if (!r.Has(kIdOffset, kIdSize) || !r.Has(kNameOffset, kNameSize) || !r.Has(kIpOffset, 16) ||
      !r.Has(kValuesOffset, 12) || !r.Has(kPortOffset, 2)) {
    return false;
  }
  std::memcpy(out->identifier, payload + kIdOffset, kIdSize);
  std::memcpy(&out->ip, payload + kIpOffset, 4);
  std::memcpy(&out->mask, payload + kMaskOffset, 4);
  std::memcpy(&out->gateway, payload + kGatewayOffset, 4);
  std::memcpy(&out->dns, payload + kDnsOffset, 4);
  std::memcpy(&out->unused1, payload + kValuesOffset, 4);
  std::memcpy(&out->unused1, payload + kValuesOffset + 4, 4);
  std::memcpy(&out->unused2, payload + kValuesOffset + 8, 4);
  std::memcpy(&out->port, payload + kPortOffset, 2);
  out->valid = 1;
  return true;
}

std::string RawName(const uint8_t* payload, size_t size) {
  common::ByteReader r(payload, size);
  std::string name;
  if (!r.Text(kNameOffset, kNameSize, &name)) return std::string();
  return name;
}

bool IsWellFormedUtf8(const std::string& text) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t follow;
    if (c < 0x80) {
      follow = 0;
    } else if (c < 0xC0) {
      return false;
    } else if (c < 0xE0) {
      follow = 1;
    } else if (c < 0xF0) {
      follow = 2;
    } else {
      follow = 3;
    }
    ++i;
    for (size_t k = 0; k < follow; ++k, ++i) {
      if (i >= n) return true;
      unsigned char f = static_cast<unsigned char>(text[i]);
      if (f < 0x80 || f > 0xBF) return false;
    }
  }
  return true;
}

std::string ConvertCameraName(const std::string& raw, const TextCodec& codec) {
  if (raw.empty()) return std::string();
  if (IsWellFormedUtf8(raw)) {
    return CutAnsi(codec.WideToAnsi(codec.Utf8ToWide(raw)), kMaxNameBytes, codec);
  }
  return CutAnsi(raw, kMaxNameBytes, codec);
}

uint32_t HostFromNetwork(uint32_t raw) {
  uint8_t b[4];
  std::memcpy(b, &raw, 4);
  return (static_cast<uint32_t>(b[0]) << 24) | (static_cast<uint32_t>(b[1]) << 16) |
         (static_cast<uint32_t>(b[2]) << 8) | b[3];
}

uint16_t HostFromNetwork16(uint16_t raw) {
  uint8_t b[2];
  std::memcpy(b, &raw, 2);
  return static_cast<uint16_t>((b[0] << 8) | b[1]);
}

std::string DottedText(uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
         std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

bool OnLocalSubnet(const std::vector<LocalAddress>* table, uint32_t ip, uint32_t mask) {
  if (table == nullptr) return true;
  for (const LocalAddress& row : *table) {
    if (row.mask == mask && (row.address & row.mask) == (ip & mask)) return true;
  }
  return false;
}

bool AcceptAnswer(const uint8_t* data, size_t size, const TextCodec& codec,
                  const std::vector<LocalAddress>* table, tag_Search_Camera* out) {
  ReceivedFrame frame;
  if (!ValidateDatagram(data, size, &frame) || frame.op != kOpAnswer) return false;
  if (!ParseAnswer(frame.payload.data(), frame.payload.size(), out)) return false;
  const std::string name =
      ConvertCameraName(RawName(frame.payload.data(), frame.payload.size()), codec);
  PutField(out->name, sizeof out->name, name.c_str(), codec);
  out->onLocalSubnet =
      OnLocalSubnet(table, HostFromNetwork(out->ip), HostFromNetwork(out->mask)) ? 1 : 0;
  return out->onLocalSubnet == 1;
}

NewCamera AnswerCamera::View() const {
  NewCamera n;
  n.name = name.c_str();
  n.ip = ip.c_str();
  n.mac = mac;
  n.webport = port;
  n.localport = port;
  n.submask = submask.c_str();
  n.gateway = "0.0.0.0";
  n.multiip = "0.0.0.0";
  n.dns = "0.0.0.0";
  n.multiport = 0;
  n.channel = 1;
  n.cameratype = "quil";
  n.username = "";
  n.userpassword = "";
  return n;
}

AnswerCamera CameraFromAnswer(const tag_Search_Camera& answer) {
  AnswerCamera c;
  c.name = FieldText(answer.name, sizeof answer.name);
  c.ip = DottedText(HostFromNetwork(answer.ip));
  c.submask = DottedText(HostFromNetwork(answer.mask));
  std::memcpy(c.mac, answer.identifier, sizeof c.mac);
  c.port = HostFromNetwork16(answer.port);
  return c;
}

namespace {
// now is at or past `due`, counted on the wrapping tick counter.
bool Reached(uint32_t now, uint32_t due) { return static_cast<int32_t>(now - due) >= 0; }
}  // namespace

bool SearchSchedule::TakeAgeing(uint32_t now) {
  if (!Reached(now, nextAge_)) return false;
  nextAge_ = now + kAgeIntervalMs;
  return true;
}

bool SearchSchedule::SendDue(uint32_t now) const { return Reached(now, nextSend_); }

}  // namespace camshare::search

#include "protocol.h"

#include <cstring>

#include "common/byte_io.h"

namespace lantern::wire {

using common::GetFixedText;
using common::GetU16LE;
using common::GetU32LE;
using common::PutFixedText;
using common::PutU16LE;
using common::PutU32LE;

const uint8_t kMagicMOP[4] = {'M', 'O', 'P', 0};
const uint8_t kMagicMO_P[4] = {'M', 'O', '_', 'P'};
const char kProbeText[] = "test for get local port";

namespace {

Datagram WithHeader(const uint8_t magic[4], uint8_t type, size_t size) {
  Datagram d(size, 0);
  std::memcpy(d.data(), magic, 4);
  d[kTypeOffset] = type;
  return d;
}

bool IsType(const uint8_t* data, size_t length, uint8_t type, size_t minSize) {
  return data != nullptr && length >= minSize && length >= kHeaderSize &&
         data[kTypeOffset] == type;
}

}  // namespace

bool PeekType(const uint8_t* data, size_t length, uint8_t* type) {
  if (data == nullptr || length < kHeaderSize) return false;
  *type = data[kTypeOffset];
  return true;
}

Datagram EncodeCommand(uint8_t type) { return EncodeCommandWithMagic(kMagicMO_P, type); }

Datagram EncodeCommandWithMagic(const uint8_t magic[4], uint8_t type) {
  return WithHeader(magic, type, kCommandSize);
}

Datagram EncodeRegisterReq(const RegisterReq& req) {
  Datagram d = WithHeader(kMagicMOP, kRegisterReq, kRegisterReqSize);
  PutFixedText(&d[5], kRegisterNameWidth, req.name.c_str());
  PutFixedText(&d[35], kRegisterAddressWidth, req.address.c_str());
  PutU32LE(&d[67], req.port);
  return d;
}

bool DecodeRegisterReq(const uint8_t* data, size_t length, RegisterReq* out) {
  if (!IsType(data, length, kRegisterReq, kRegisterReqSize)) return false;
  out->name = GetFixedText(data + 5, kRegisterNameWidth);
  out->address = GetFixedText(data + 35, kRegisterAddressWidth);
  out->port = GetU32LE(data + 67);
  return true;
}

static Datagram EncodeIds(uint8_t type, const ServerIds& ids) {
  Datagram d = WithHeader(kMagicMOP, type, 13);
  PutU32LE(&d[5], ids.first);
  PutU32LE(&d[9], ids.second);
  return d;
}

static bool DecodeIds(const uint8_t* data, size_t length, uint8_t type, ServerIds* out) {
  if (!IsType(data, length, type, 13)) return false;
  out->first = GetU32LE(data + 5);
  out->second = GetU32LE(data + 9);
  return true;
}

Datagram EncodeRegisterResp(const ServerIds& ids) { return EncodeIds(kRegisterResp, ids); }
bool DecodeRegisterResp(const uint8_t* data, size_t length, ServerIds* out) {
  return DecodeIds(data, length, kRegisterResp, out);
}
Datagram EncodeHeartbeatReq(const ServerIds& ids) { return EncodeIds(kHeartbeatReq, ids); }
bool DecodeHeartbeatReq(const uint8_t* data, size_t length, ServerIds* out) {
  return DecodeIds(data, length, kHeartbeatReq, out);
}

Datagram EncodeSessionNotify(const SessionNotify& notify) {
  Datagram d = WithHeader(kMagicMOP, kSessionNotify, kSessionNotifyMinSize);
  PutFixedText(&d[5], kSessionHostWidth, notify.host.c_str());
  PutU32LE(&d[37], notify.port);
  return d;
}

bool DecodeSessionNotify(const uint8_t* data, size_t length, SessionNotify* out) {
  if (!IsType(data, length, kSessionNotify, kSessionNotifyMinSize)) return false;
  out->host = GetFixedText(data + 5, kSessionHostWidth);
  out->port = GetU32LE(data + 37);
  return true;
}

Datagram EncodeConnectReq(const std::string& cameraName) {
  Datagram d = WithHeader(kMagicMOP, kConnectReq, kConnectReqSize);
  PutFixedText(&d[5], kConnectNameWidth, cameraName.c_str());
  return d;
}

bool DecodeConnectReqName(const uint8_t* data, size_t length, std::string* name) {
  if (!IsType(data, length, kConnectReq, kConnectReqSize)) return false;
  *name = GetFixedText(data + 5, kConnectNameWidth);
  return true;
}

uint16_t FragmentCount(size_t frameLength) {
  return static_cast<uint16_t>((frameLength + kFragmentPayload - 1) / kFragmentPayload);
}

Datagram EncodeVideoData(const VideoHeader& header, const uint8_t* payload, size_t payloadLength) {
  if (payloadLength > kFragmentPayload) payloadLength = kFragmentPayload;
  Datagram d = WithHeader(kMagicMOP, kVideoData, kVideoHeaderSize + payloadLength);
  PutU32LE(&d[5], header.sendTimeLate);
  PutU32LE(&d[9], header.sendTimeEarly);
  PutU32LE(&d[14], header.frameSeq);
  PutU16LE(&d[18], header.fragmentCount);
  PutU16LE(&d[20], header.fragmentIndex);
  if (payloadLength > 0) std::memcpy(&d[kVideoHeaderSize], payload, payloadLength);
  return d;
}

bool DecodeVideoData(const uint8_t* data, size_t length, VideoHeader* header,
                     const uint8_t** payload, size_t* payloadLength) {
  if (!IsType(data, length, kVideoData, kVideoHeaderSize + 1)) return false;
  if (length > kVideoHeaderSize + kFragmentPayload) return false;
  header->sendTimeLate = GetU32LE(data + 5);
  header->sendTimeEarly = GetU32LE(data + 9);
  header->frameSeq = GetU32LE(data + 14);
  header->fragmentCount = GetU16LE(data + 18);
  header->fragmentIndex = GetU16LE(data + 20);
  if (header->fragmentCount == 0 || header->fragmentIndex >= header->fragmentCount) return false;
  *payload = data + kVideoHeaderSize;
  *payloadLength = length - kVideoHeaderSize;
  return true;
}

Datagram EncodeVideoAck(const VideoAck& ack) {
  Datagram d = WithHeader(kMagicMO_P, kVideoAck, kVideoAckMinSize);
  PutU32LE(&d[5], ack.frameSeq);
  PutU16LE(&d[9], ack.fragmentIndex);
  return d;
}

bool DecodeVideoAck(const uint8_t* data, size_t length, VideoAck* out) {
  if (!IsType(data, length, kVideoAck, kVideoAckMinSize)) return false;
  out->frameSeq = GetU32LE(data + 5);
  out->fragmentIndex = GetU16LE(data + 9);
  return true;
}

Datagram EncodeAlarmNotify(uint8_t state) {
  Datagram d = WithHeader(kMagicMO_P, kAlarmNotify, kAlarmNotifySize);
  d[5] = state;
  return d;
}

bool DecodeAlarmNotify(const uint8_t* data, size_t length, uint8_t* state) {
  if (!IsType(data, length, kAlarmNotify, kAlarmNotifySize)) return false;
  *state = data[5];
  return true;
}

Datagram EncodeAlarmParamResp(const uint8_t record[kAlarmParamRecordSize]) {
  Datagram d(record, record + kAlarmParamRecordSize);
  d[kTypeOffset] = kAlarmParamResp;
  return d;
}

bool DecodeSetAlarmParamReq(const uint8_t* data, size_t length,
                            uint8_t record[kAlarmParamRecordSize]) {
  if (!IsType(data, length, kSetAlarmParamReq, kAlarmParamRecordSize)) return false;
  std::memcpy(record, data, kAlarmParamRecordSize);
  return true;
}

}  // namespace lantern::wire

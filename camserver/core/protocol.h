// Datagram layouts between a virtual camera, the rendezvous server and remote peers.
// All integers little-endian; text fields fixed-width and zero-padded. Decoders check the
// length first and reject a datagram shorter than its layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lantern::wire {

using Datagram = std::vector<uint8_t>;

enum MsgType : uint8_t {
  kConnectReq = 0x00,
  kConnectResp = 0x01,
  kStartVideoReq = 0x02,
  kStartVideoResp = 0x03,
  kStopVideoReq = 0x04,
  kStopVideoResp = 0x05,
  kVideoData = 0x0E,
  kAlarmNotify = 0x1A,
  kVideoAck = 0x1C,
  kGetAlarmParamReq = 0x28,
  kAlarmParamResp = 0x29,
  kSetAlarmParamReq = 0x2A,
  kRegisterReq = 0x64,
  kSessionNotify = 0x72,
  kRegisterResp = 0x7A,
  kHeartbeatReq = 0x7C,
  kDisConnectReq = 0xFD,
  kDisConnectResp = 0xFE,
  kKeepAlive = 0xFF,
};

extern const uint8_t kMagicMOP[4];   // "MOP\0": registration, heart-beat, connect, video
extern const uint8_t kMagicMO_P[4];  // "MO_P": commands, alarms

constexpr size_t kHeaderSize = 5;
constexpr size_t kTypeOffset = 4;
constexpr size_t kMaxDatagram = 4096;

constexpr size_t kRegisterReqSize = 71;
constexpr size_t kRegisterNameWidth = 30;
constexpr size_t kRegisterAddressWidth = 32;
constexpr size_t kRegisterRespMinSize = 13;
constexpr size_t kHeartbeatReqSize = 13;
constexpr size_t kSessionNotifyMinSize = 41;
constexpr size_t kSessionHostWidth = 32;
constexpr size_t kConnectReqSize = 35;
constexpr size_t kConnectNameWidth = 30;
constexpr size_t kCommandSize = 5;
constexpr size_t kVideoHeaderSize = 22;
constexpr size_t kFragmentPayload = 512;
constexpr size_t kVideoAckMinSize = 11;
constexpr size_t kAlarmNotifySize = 14;
constexpr size_t kAlarmParamRecordSize = 315;

// Sent once, without header, so that the socket gets its local port before registering.
extern const char kProbeText[];
constexpr size_t kProbeSize = 23;

// Type byte of a received datagram; false when it is too short to carry one.
bool PeekType(const uint8_t* data, size_t length, uint8_t* type);

// 5-byte command "MO_P" + type (Connect_Resp, Start/Stop/DisConnect replies, KeepAlive).
Datagram EncodeCommand(uint8_t type);
// Same, with the "MOP" magic a peer may use; receivers do not look at the magic.
Datagram EncodeCommandWithMagic(const uint8_t magic[4], uint8_t type);

struct RegisterReq {
  std::string name;     // at most 30 bytes
  std::string address;  // at most 32 bytes
  uint32_t port = 0;
};
Datagram EncodeRegisterReq(const RegisterReq& req);
bool DecodeRegisterReq(const uint8_t* data, size_t length, RegisterReq* out);

struct ServerIds {
  uint32_t first = 0;
  uint32_t second = 0;
};
Datagram EncodeRegisterResp(const ServerIds& ids);
bool DecodeRegisterResp(const uint8_t* data, size_t length, ServerIds* out);
Datagram EncodeHeartbeatReq(const ServerIds& ids);
bool DecodeHeartbeatReq(const uint8_t* data, size_t length, ServerIds* out);

struct SessionNotify {
  std::string host;  // at most 32 bytes, never the port bytes
  uint32_t port = 0;
};
Datagram EncodeSessionNotify(const SessionNotify& notify);
bool DecodeSessionNotify(const uint8_t* data, size_t length, SessionNotify* out);

Datagram EncodeConnectReq(const std::string& cameraName);
// The camera name of a camera's Connect_Req (a peer's Connect_Req carries none).
bool DecodeConnectReqName(const uint8_t* data, size_t length, std::string* name);

struct VideoHeader {
  uint32_t sendTimeLate = 0;   // offset 5: second tick reading
  uint32_t sendTimeEarly = 0;  // offset 9: first tick reading, drives retransmission
  uint32_t frameSeq = 0;       // offset 14
  uint16_t fragmentCount = 0;  // offset 18
  uint16_t fragmentIndex = 0;  // offset 20
};
// Number of 512-byte fragments of a frame of `frameLength` bytes.
uint16_t FragmentCount(size_t frameLength);
Datagram EncodeVideoData(const VideoHeader& header, const uint8_t* payload, size_t payloadLength);
// Payload points into `data`; 1 to 512 bytes.
bool DecodeVideoData(const uint8_t* data, size_t length, VideoHeader* header,
                     const uint8_t** payload, size_t* payloadLength);

struct VideoAck {
  uint32_t frameSeq = 0;
  uint16_t fragmentIndex = 0;
};
Datagram EncodeVideoAck(const VideoAck& ack);
bool DecodeVideoAck(const uint8_t* data, size_t length, VideoAck* out);

Datagram EncodeAlarmNotify(uint8_t state);
bool DecodeAlarmNotify(const uint8_t* data, size_t length, uint8_t* state);

// AlarmParam_Resp: the stored 315-byte record with byte 4 set to 0x29.
Datagram EncodeAlarmParamResp(const uint8_t record[kAlarmParamRecordSize]);
// Set_AlarmParam_Req: a whole record image; a shorter datagram is rejected.
bool DecodeSetAlarmParamReq(const uint8_t* data, size_t length,
                            uint8_t record[kAlarmParamRecordSize]);

}  // namespace lantern::wire

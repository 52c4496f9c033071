#include "peer_session.h"

#include "common/clock.h"
#include "protocol.h"

namespace lantern {

CPeerSession::CPeerSession(uint64_t id, const NetAddress& peer, const std::string& cameraName,
                           DatagramSender* sender, Logger* log, uint32_t now)
    : id_(id), peer_(peer), name_(cameraName), sender_(sender), log_(log),
      lastReceive_(now), videoStart_(now) {}

CPeerSession::~CPeerSession() { SendCommand(wire::kDisConnectResp); }

bool CPeerSession::SendDatagram(const uint8_t* data, size_t length) {
  return sender_->SendTo(data, length, peer_) == static_cast<int>(length);
}

bool CPeerSession::SendCommand(uint8_t type) {
  wire::Datagram d = wire::EncodeCommand(type);
  return SendDatagram(d.data(), d.size());
}

void CPeerSession::SendConnectReq() {
  if (connected_) return;
  wire::Datagram d = wire::EncodeConnectReq(name_);
  SendDatagram(d.data(), d.size());
  log_->Write("session send connect_req package,connect to %sport:%d \r\n",
              peer_.IpText().c_str(), peer_.port);
}

void CPeerSession::SendAlarm(uint8_t state) {
  if (!connected_) return;
  wire::Datagram d = wire::EncodeAlarmNotify(state);
  SendDatagram(d.data(), d.size());
}

bool CPeerSession::CheckAlive(uint32_t now) {
  if (!connected_) return true;
  SendCommand(wire::kKeepAlive);
  // The receive thread may have stamped a datagram after the worker read `now`.
  return !common::OlderThan(now, lastReceive_, kPeerSilenceMs);
}

bool CPeerSession::AcceptsFrameStartedAt(uint32_t sendStart) const {
  return video_ && static_cast<int32_t>(sendStart - videoStart_) >= 0;
}

void CPeerSession::LogCommand(const char* what) {
  log_->Write("received the peer command :%s %s:%d\r\n", what, peer_.IpText().c_str(),
              peer_.port);
}

bool CPeerSession::OnPeerCommand(uint8_t type, uint16_t senderPort, uint32_t now) {
  switch (type) {
    case wire::kConnectReq:
      connected_ = true;
      peer_.port = senderPort;
      SendCommand(wire::kConnectResp);
      LogCommand("Connect_Req from");
      return true;
    case wire::kConnectResp:
      connected_ = true;
      peer_.port = senderPort;
      LogCommand("Connect_Resp From");
      return true;
    case wire::kStartVideoReq:
      video_ = true;
      videoStart_ = now;
      SendCommand(wire::kStartVideoResp);
      LogCommand("Start_Video_req From");
      return true;
    case wire::kStopVideoReq:
      video_ = false;
      SendCommand(wire::kStopVideoResp);
      LogCommand("Stop_video_Req From");
      return true;
    case wire::kDisConnectReq:
      connected_ = false;  // video stays as it was
      SendCommand(wire::kDisConnectResp);
      LogCommand("DisConnect_Req From");
      return true;
    default:
      return false;
  }
}

}  // namespace lantern

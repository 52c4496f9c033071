// One remote peer announced by the rendezvous server.
#pragma once

#include <cstdint>
#include <string>

#include "camera_ports.h"
#include "logger.h"
#include "net_address.h"

namespace lantern {

class CPeerSession {
 public:
  CPeerSession(uint64_t id, const NetAddress& peer, const std::string& cameraName,
               DatagramSender* sender, Logger* log, uint32_t now);
  // Tells the peer the session is gone.
  ~CPeerSession();
  CPeerSession(const CPeerSession&) = delete;
  CPeerSession& operator=(const CPeerSession&) = delete;

  // Unique for the camera's life; pending fragments name their targets by it.
  uint64_t id() const { return id_; }
  const NetAddress& peer() const { return peer_; }
  bool connected() const { return connected_; }
  bool video() const { return video_; }
  uint32_t videoStart() const { return videoStart_; }
  uint32_t lastReceive() const { return lastReceive_; }

  void SendConnectReq();
  bool SendCommand(uint8_t type);
  bool SendDatagram(const uint8_t* data, size_t length);
  void SendAlarm(uint8_t state);
  // Sends a KeepAlive when connected; alive unless connected and silent for over 60 s.
  bool CheckAlive(uint32_t now);
  // Takes a frame that began sending at `sendStart` (video on, started no later).
  bool AcceptsFrameStartedAt(uint32_t sendStart) const;

  // Session-level handling of a datagram from this peer; returns true when the type was
  // one of the session commands (connect, video start/stop, disconnect).
  bool OnPeerCommand(uint8_t type, uint16_t senderPort, uint32_t now);
  void Touch(uint32_t now) { lastReceive_ = now; }

 private:
  void LogCommand(const char* what);

  uint64_t id_;
  NetAddress peer_;
  std::string name_;
  DatagramSender* sender_;
  Logger* log_;
  bool video_ = false;
  bool connected_ = false;
  uint32_t lastReceive_;
  uint32_t videoStart_;
};

constexpr uint32_t kPeerSilenceMs = 60000;

}  // namespace lantern

// Stand-in for a remote viewer as tests need it: answers a camera's Connect_Req,
// acknowledges and assembles video, and records everything it receives.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "datagram_log.h"
#include "frame_assembler.h"
#include "net_address.h"
#include "protocol.h"
#include "udp_endpoint.h"

namespace standins {

class PeerStandin {
 public:
  // Called on the receive thread for each completed frame.
  using FrameSink = std::function<void(const AssembledFrame& frame)>;
  // Decides per fragment whether to acknowledge it (when auto-ack is on); receive thread.
  using AckFilter = std::function<bool(const lantern::wire::VideoHeader& header)>;

  static constexpr size_t kKeptFrames = 64;  // completed frames kept for Frames()

  PeerStandin() = default;
  ~PeerStandin();
  PeerStandin(const PeerStandin&) = delete;
  PeerStandin& operator=(const PeerStandin&) = delete;

  // Binds 127.0.0.1:port (0: ephemeral) and starts the receive thread.
  bool Start(uint16_t port = 0);
  void Stop();
  uint16_t Port() const;
  lantern::NetAddress Address() const;

  // 5-byte command "MO_P" + type.
  bool Send(uint8_t type, const lantern::NetAddress& to);
  bool SendRaw(const std::vector<uint8_t>& bytes, const lantern::NetAddress& to);
  bool SendRaw(const void* data, size_t length, const lantern::NetAddress& to);

  // Reply Connect_Resp to every Connect_Req (default on).
  void SetAutoConnectResp(bool on);
  // Send Video_Ack for every Video_Data fragment, retransmissions included (default on).
  void SetAutoAck(bool on);
  void SetAckFilter(AckFilter filter);
  void SetFrameSink(FrameSink sink);
  void SetRecordLimit(size_t limit) { log_.SetLimit(limit); }

  // A datagram shows up here only after its reply (Connect_Resp, Video_Ack) went out, and
  // these queries wait for a datagram in progress, so after seeing a reply they include it.
  size_t Count(uint8_t type) const;
  uint64_t NextOrder() const;
  std::vector<RecordedDatagram> Received() const;
  std::optional<RecordedDatagram> WaitFor(const DatagramPredicate& match, int timeoutMs,
                                          size_t occurrence = 1) const {
    return log_.WaitFor(match, timeoutMs, occurrence);
  }
  std::optional<RecordedDatagram> WaitFor(uint8_t type, int timeoutMs,
                                          size_t occurrence = 1) const {
    return log_.WaitFor(type, timeoutMs, occurrence);
  }

  // Sender of the last Connect_Req.
  std::optional<lantern::NetAddress> CameraAddress() const;

  FrameStats Stats() const;
  // The latest completed frames (at most kKeptFrames), oldest first.
  std::vector<AssembledFrame> Frames() const;
  // Waits until at least `count` frames completed in all; false on time-out.
  bool WaitForFrames(size_t count, int timeoutMs) const;

 private:
  void Run();
  void Handle(const ReceivedDatagram& d);

  UdpEndpoint endpoint_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> autoConnectResp_{true};
  std::atomic<bool> autoAck_{true};
  DatagramLog log_;

  std::mutex callbackMu_;  // guards the two callbacks
  AckFilter ackFilter_;
  FrameSink frameSink_;

  mutable std::mutex mu_;  // guards everything below; held from state change to record
  mutable std::condition_variable framesChanged_;
  std::optional<lantern::NetAddress> camera_;
  FrameAssembler assembler_;
  std::deque<AssembledFrame> frames_;
};

}  // namespace standins

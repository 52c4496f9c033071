// A stand-in viewer behind a lossy link, for the soak run: it drops a share of the datagrams
// that reach it and of those it sends, answers Connect_Req, acknowledges and assembles video,
// and counts what the camera sent it before the loss. Memory stays bounded however long it runs.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "frame_assembler.h"
#include "net_address.h"
#include "udp_endpoint.h"

namespace soak {

struct ViewerCounts {
  uint64_t framesSent = 0;      // frames of which a fragment reached the link
  uint64_t fragments = 0;       // first sends of fragments that reached the link
  uint64_t framesCompleted = 0;
  uint64_t retransmissions = 0;  // fragments that reached the link again
  uint64_t disconnects = 0;      // DisConnect_Resp: the camera ended the session
  uint64_t keepAlives = 0;
  uint64_t dropped = 0;          // datagrams lost on the link, both directions
};

class LossyViewer {
 public:
  LossyViewer(double dropShare, uint32_t seed);
  ~LossyViewer();
  LossyViewer(const LossyViewer&) = delete;
  LossyViewer& operator=(const LossyViewer&) = delete;

  bool Start();
  void Stop();
  lantern::NetAddress Address() const { return endpoint_.Address(); }

  // A 5-byte command through the lossy link.
  void Send(uint8_t type, const lantern::NetAddress& to);
  // Whether a datagram of this type has come through the link.
  bool Seen(uint8_t type) const;
  // Whether video came through the link in the last `ms` milliseconds.
  bool VideoWithin(int ms) const;
  ViewerCounts Counts() const;

 private:
  static constexpr size_t kTrackedFrames = 64;

  void Run();
  void Handle(const standins::ReceivedDatagram& d);
  bool Lose();  // under mu_
  void SendLossy(const std::vector<uint8_t>& bytes, const lantern::NetAddress& to);  // under mu_
  void Track(uint32_t seq, uint16_t index, uint16_t count);  // under mu_

  standins::UdpEndpoint endpoint_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  const uint32_t dropBelow_;  // a random 32-bit draw below this loses the datagram

  mutable std::mutex mu_;
  std::mt19937 rng_;
  standins::FrameAssembler assembler_;
  ViewerCounts counts_;
  uint32_t newestSeq_ = 0;
  // Fragments seen of the newest frames, to tell a resend from a first send.
  std::vector<uint32_t> trackedSeq_;
  std::vector<std::vector<bool>> trackedParts_;
  bool seen_[256] = {};
  std::chrono::steady_clock::time_point lastVideo_{};
};

}  // namespace soak

// Stand-in for the rendezvous server: answers registrations, pairs viewers with cameras
// and records everything it receives, for tests and the demo.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "datagram_log.h"
#include "net_address.h"
#include "protocol.h"
#include "udp_endpoint.h"

namespace standins {

class RendezvousStandin {
 public:
  // One human-readable line per registration and per pairing; called on the receive thread.
  using EventSink = std::function<void(const std::string& line)>;

  RendezvousStandin() = default;
  ~RendezvousStandin();
  RendezvousStandin(const RendezvousStandin&) = delete;
  RendezvousStandin& operator=(const RendezvousStandin&) = delete;

  // Binds 127.0.0.1:port (0: ephemeral) and starts the receive thread.
  bool Start(uint16_t port = 0);
  void Stop();
  uint16_t Port() const;
  lantern::NetAddress Address() const;

  // Identifiers put into every Register_Resp.
  void SetServerIds(const lantern::wire::ServerIds& ids);
  // Off: Register_Req is recorded and remembered but not answered (default on).
  void SetAnswerRegistrations(bool answer);
  // On: a Heartbeat_Req is echoed back so the camera sees a live server (default on).
  void SetAnswerHeartbeats(bool answer);
  // On: nothing at all is sent in reply (still records and remembers).
  void SetSilent(bool silent);
  void SetEventSink(EventSink sink);
  void SetRecordLimit(size_t limit) { log_.SetLimit(limit); }

  bool SendSessionNotify(const lantern::NetAddress& camera, const std::string& host,
                         uint32_t port);
  bool SendRaw(const std::vector<uint8_t>& bytes, const lantern::NetAddress& to);

  // A datagram shows up here only after its reply went out, and these queries wait for a
  // datagram in progress, so after seeing a reply they include its request.
  size_t Count(uint8_t type) const;
  size_t ProbeCount() const;
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

  // Sender of the latest Register_Req with this name; only the first 30 characters count,
  // as only those travel in the datagram.
  std::optional<lantern::NetAddress> CameraAddress(const std::string& name) const;

 private:
  void Run();
  void Handle(const ReceivedDatagram& d);
  void Emit(const std::string& line);

  UdpEndpoint endpoint_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> answerRegistrations_{true};
  std::atomic<bool> answerHeartbeats_{true};
  std::atomic<bool> silent_{false};
  DatagramLog log_;

  std::mutex sinkMu_;
  EventSink sink_;

  mutable std::mutex mu_;  // guards ids_, cameras_; held from table change to record
  lantern::wire::ServerIds ids_{0x00010001, 0x00020002};
  std::map<std::string, lantern::NetAddress> cameras_;
};

}  // namespace standins

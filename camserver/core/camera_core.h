// The platform-free heart of a virtual camera: registration with the rendezvous server,
// the peer sessions, the worker's housekeeping and frame passes, fragmented video send with
// acknowledgement and retransmission. Time comes from an injected clock.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "alarm_params.h"
#include "alarm_state.h"
#include "camera_ports.h"
#include "common/clock.h"
#include "jpeg_out_buffer.h"
#include "logger.h"
#include "net_address.h"
#include "peer_session.h"
#include "pending_fragments.h"
#include "protocol.h"

namespace lantern {

constexpr size_t kMaxSessions = 16;
constexpr uint32_t kHousekeepingIntervalMs = 2500;
constexpr uint32_t kServerSilenceMs = 60000;
constexpr uint32_t kFrameRate = 6;
constexpr uint32_t kFrameIntervalMs = 1000 / kFrameRate;

struct CameraEnvironment {
  const common::Clock* clock = nullptr;
  DatagramSender* sender = nullptr;
  HostResolver* resolver = nullptr;
  RegistrationAddressSource* localAddress = nullptr;
  Logger* log = nullptr;
  AlarmParamStore* alarmStore = nullptr;   // optional: parameters then live in memory only
  MotionDetectorPort* detector = nullptr;  // optional
  LocalTimeSource* localTime = nullptr;    // optional: without it the schedule never arms
};

class CameraCore {
 public:
  CameraCore(const std::string& name, const CameraEnvironment& env);
  virtual ~CameraCore();
  CameraCore(const CameraCore&) = delete;
  CameraCore& operator=(const CameraCore&) = delete;

  const std::string& name() const { return name_; }
  // Datagrams from this address are the server's.
  void SetServerAddress(const NetAddress& server);
  bool IsRegistered() const { return registered_; }
  wire::ServerIds serverIds() const { return {idFirst_, idSecond_}; }

  // Every datagram received on the camera's socket (receive thread).
  void OnReceive(const uint8_t* data, size_t length, const NetAddress& from);
  // One pass of the worker loop (about every 5 ms).
  void WorkerPass();

  // Splits an encoded frame into fragments and sends each to every session that takes it.
  bool SendFrame(const uint8_t* frame, size_t length);

  // Produces the next frame; true when `out` holds one to send (length may be 0).
  virtual bool GrabFrame(JpegOutBuffer& out, bool anyViewer);
  // Reads the stored alarm parameters (defaults when there are none) and gives the
  // detector their sensitivity.
  void LoadAlarmParams();
  // A motion report from the detector (its thread): raises the alarm, held for 60 s.
  void OnMotion(int state);
  bool AlarmActive() const;

  // The weekly alarm schedule's answer for now; frames go to the motion check only then.
  virtual bool IsAlarmArmedNow();
  // Hands one BMP image (headers and pixels) to the motion detector.
  virtual void CheckMotion(const uint8_t* image, size_t size) {}
  // The 315-byte alarm-parameter record a peer reads and sets.
  virtual void GetAlarmParams(uint8_t record[wire::kAlarmParamRecordSize]);
  virtual void SetAlarmParams(const uint8_t* record, size_t length);

  // Inspection for tests and the manager.
  size_t SessionCount() const;
  size_t PendingFragmentCount() const;
  // Acknowledgements recorded on the pending fragments.
  size_t PendingAcknowledgements() const;
  uint32_t FrameCounter() const;
  // Worker passes run so far (any thread may read it).
  uint64_t WorkerPasses() const { return workerPasses_.load(); }
  bool SessionState(const std::string& key, bool* connected, bool* video) const;
  // Sessions dropped so far because the server went silent, and because their peer did.
  uint64_t SessionsDroppedForServerSilence() const { return droppedForServerSilence_.load(); }
  uint64_t SessionsDroppedForPeerSilence() const { return droppedForPeerSilence_.load(); }

 protected:
  uint32_t Now() const { return env_.clock->NowMs(); }
  Logger& log() const { return *env_.log; }
  // Destroys every session (each tells its peer) and the pending fragments.
  void ClearSessionsAndFragments();
  // Runs on the worker after each frame pass, outside the camera lock.
  virtual void AfterFramePass() {}

  mutable std::recursive_mutex lock_;  // the camera lock

 private:
  void OnServerDatagram(const uint8_t* data, size_t length);
  void OnSessionNotify(const wire::SessionNotify& notify);
  void OnPeerDatagram(CPeerSession& session, const uint8_t* data, size_t length,
                      const NetAddress& from);
  void Register();
  void Housekeeping(uint32_t now);
  void FramePass(uint32_t now);
  void RetransmitPending(uint32_t now);
  void AnnounceAlarm(uint8_t state);  // under the camera lock
  bool AnyViewer() const;
  CPeerSession* FindSession(uint64_t id) const;

  std::string name_;
  CameraEnvironment env_;
  NetAddress server_;
  std::string serverText_;

  // Written by the receive thread, read by the worker without the camera lock.
  std::atomic<bool> registered_{false};
  std::atomic<uint32_t> idFirst_{0};
  std::atomic<uint32_t> idSecond_{0};
  std::atomic<uint32_t> lastServerDatagram_;
  std::atomic<uint64_t> workerPasses_{0};
  std::atomic<uint64_t> droppedForServerSilence_{0};
  std::atomic<uint64_t> droppedForPeerSilence_{0};
  uint32_t lastHousekeeping_;
  uint32_t lastFramePass_;

  std::map<std::string, std::unique_ptr<CPeerSession>> sessions_;
  uint64_t nextSessionId_ = 1;
  PendingFragmentList pending_;
  uint32_t frameCounter_ = 0;
  JpegOutBuffer frame_;
  AlarmParamRecord alarmParams_;
  AlarmState alarm_;
};

}  // namespace lantern

#include "camera_core.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace lantern {

namespace {

class NullLogger : public Logger {
 public:
  void WriteV(const char*, va_list) override {}
};
NullLogger g_nullLogger;

}  // namespace

CameraCore::CameraCore(const std::string& name, const CameraEnvironment& env)
    : name_(name.substr(0, 63)), env_(env) {
  if (env_.log == nullptr) env_.log = &g_nullLogger;
  uint32_t now = Now();
  lastServerDatagram_ = now;
  lastHousekeeping_ = now;
  lastFramePass_ = now;
}

CameraCore::~CameraCore() { ClearSessionsAndFragments(); }

void CameraCore::SetServerAddress(const NetAddress& server) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  server_ = server;
  serverText_ = server.Text();
}

void CameraCore::ClearSessionsAndFragments() {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  sessions_.clear();
  pending_.Clear();
}

void CameraCore::OnReceive(const uint8_t* data, size_t length, const NetAddress& from) {
  uint8_t type;
  if (!wire::PeekType(data, length, &type)) {
    // Too short for a header; only the server's time stamp would notice it.
    if (from.Text() == serverText_) lastServerDatagram_ = Now();
    return;
  }
  std::string sender = from.Text();
  if (sender == serverText_) {
    OnServerDatagram(data, length);
    return;
  }
  std::lock_guard<std::recursive_mutex> guard(lock_);
  auto it = sessions_.find(sender);
  if (it == sessions_.end()) return;  // unknown senders are dropped, Connect_Req too
  OnPeerDatagram(*it->second, data, length, from);
}

void CameraCore::OnServerDatagram(const uint8_t* data, size_t length) {
  lastServerDatagram_ = Now();
  uint8_t type = data[wire::kTypeOffset];
  if (type == wire::kRegisterResp) {
    wire::ServerIds ids;
    if (!wire::DecodeRegisterResp(data, length, &ids)) return;
    idFirst_ = ids.first;
    idSecond_ = ids.second;
    registered_ = true;
    log().Write("received package thar the camera had register successedful\r\n");
  } else if (type == wire::kSessionNotify) {
    wire::SessionNotify notify;
    if (wire::DecodeSessionNotify(data, length, &notify)) OnSessionNotify(notify);
  }
}

void CameraCore::OnSessionNotify(const wire::SessionNotify& notify) {
  uint32_t ip = 0;
  if (!env_.resolver->Resolve(notify.host, &ip)) return;
  NetAddress peer{ip, static_cast<uint16_t>(notify.port)};
  // The key shows the announced port as a decimal number, as the peer announced it.
  std::string key = peer.IpText() + ":" + std::to_string(static_cast<int>(notify.port));
  log().Write("the server notify camera to Create a session connect to %s\r\n", key.c_str());

  std::lock_guard<std::recursive_mutex> guard(lock_);
  auto it = sessions_.find(key);
  if (it == sessions_.end() && sessions_.size() < kMaxSessions) {
    auto session = std::make_unique<CPeerSession>(nextSessionId_++, peer, name_, env_.sender,
                                                  env_.log, Now());
    CPeerSession* raw = session.get();
    sessions_.emplace(key, std::move(session));
    raw->SendConnectReq();
    return;
  }
  if (it != sessions_.end()) it->second->SendConnectReq();
  log().Write("don't create session for the camera because the session to %s had found\r\n",
              key.c_str());
}

void CameraCore::OnPeerDatagram(CPeerSession& session, const uint8_t* data, size_t length,
                                const NetAddress& from) {
  uint32_t now = Now();
  session.Touch(now);
  uint8_t type = data[wire::kTypeOffset];
  if (session.OnPeerCommand(type, from.port, now)) return;
  switch (type) {
    case wire::kVideoAck: {
      wire::VideoAck ack;
      if (wire::DecodeVideoAck(data, length, &ack))
        pending_.Acknowledge(ack.frameSeq, ack.fragmentIndex, session.id());
      break;
    }
    case wire::kGetAlarmParamReq: {
      uint8_t record[wire::kAlarmParamRecordSize];
      GetAlarmParams(record);
      wire::Datagram d = wire::EncodeAlarmParamResp(record);
      session.SendDatagram(d.data(), d.size());
      break;
    }
    case wire::kSetAlarmParamReq: {
      uint8_t record[wire::kAlarmParamRecordSize];
      if (wire::DecodeSetAlarmParamReq(data, length, record)) SetAlarmParams(record, sizeof record);
      break;
    }
    default:
      break;
  }
}

void CameraCore::WorkerPass() {
  uint32_t now = Now();
  RetransmitPending(now);
  if (now - lastHousekeeping_ > kHousekeepingIntervalMs) {
    lastHousekeeping_ = now;
    Housekeeping(now);
  }
  if (registered_ && now - lastFramePass_ > kFrameIntervalMs) {
    FramePass(now);
    AfterFramePass();
  }
  if (registered_) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (alarm_.ClearIfDue(now)) AnnounceAlarm(0);
  }
  ++workerPasses_;
}

void CameraCore::Register() {
  std::string address;
  uint32_t port = 0;
  if (!env_.localAddress->Get(&address, &port)) return;
  log().Write("register to server the camera local ip:%s,port :%d\r\n", address.c_str(),
              static_cast<int>(port));
  wire::Datagram d = wire::EncodeRegisterReq({name_, address, port});
  env_.sender->SendToServer(d.data(), d.size());
}

void CameraCore::Housekeeping(uint32_t now) {
  if (!registered_) {
    Register();
    return;
  }
  std::lock_guard<std::recursive_mutex> guard(lock_);
  wire::Datagram hb = wire::EncodeHeartbeatReq(serverIds());
  env_.sender->SendToServer(hb.data(), hb.size());
  if (common::OlderThan(now, lastServerDatagram_, kServerSilenceMs)) {
    registered_ = false;
    droppedForServerSilence_ += sessions_.size();
    sessions_.clear();  // each session tells its peer
  }
  // Every connected session gets its keep-alive; at most one dead session goes per pass.
  auto dead = sessions_.end();
  for (auto it = sessions_.begin(); it != sessions_.end(); ++it) {
    if (!it->second->CheckAlive(now) && dead == sessions_.end()) dead = it;
  }
  if (dead != sessions_.end()) {
    ++droppedForPeerSilence_;
    sessions_.erase(dead);
  }
}

bool CameraCore::AnyViewer() const {
  for (const auto& entry : sessions_)
    if (entry.second->video()) return true;
  return false;
}

void CameraCore::FramePass(uint32_t now) {
  bool send = false;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    lastFramePass_ = now;
    bool anyViewer = AnyViewer();
    send = GrabFrame(frame_, anyViewer) && anyViewer && frame_.length > 0;
  }
  // frame_ belongs to this thread; the send takes the lock only as long as it needs it.
  if (send) SendFrame(frame_.data.data(), frame_.length);
}

bool CameraCore::GrabFrame(JpegOutBuffer& out, bool) {
  out.length = 0;
  return true;
}

// The camera lock is never held across a send. Under Wine a send costs about 0.1 ms, and a
// frame or a retransmission pass is hundreds of sends: holding the lock that long kept the
// receive thread from the socket, whose buffer then overflowed with the acknowledgements
// (so every fragment went out again, and again) and with the server's heart-beat answers
// (so the camera took the server for gone and dropped every session).
bool CameraCore::SendFrame(const uint8_t* frame, size_t length) {
  if (frame == nullptr || length == 0) return false;
  wire::VideoHeader header;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    header.frameSeq = ++frameCounter_;
  }
  header.fragmentCount = wire::FragmentCount(length);
  header.sendTimeEarly = Now();
  header.sendTimeLate = Now();
  struct Target {
    uint64_t id;
    NetAddress address;
  };
  std::vector<Target> targets;
  std::vector<wire::Datagram> datagrams;
  // Every fragment is listed before the first send, so an acknowledgement that comes back
  // mid-frame finds its record; and under one taking of the lock, so that this thread and
  // the receive thread do not hand it to each other at every fragment.
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    for (const auto& entry : sessions_) {
      const CPeerSession& s = *entry.second;
      if (targets.size() >= static_cast<size_t>(kMaxFragmentTargets)) break;
      if (s.AcceptsFrameStartedAt(header.sendTimeEarly)) targets.push_back({s.id(), s.peer()});
    }
    if (targets.empty()) return false;  // nobody takes it
    for (uint16_t i = 0; i < header.fragmentCount; ++i) {
      const size_t offset = static_cast<size_t>(i) * wire::kFragmentPayload;
      header.fragmentIndex = i;
      datagrams.push_back(
          wire::EncodeVideoData(header, frame + offset, std::min(wire::kFragmentPayload, length - offset)));
      PendingFragment record;
      for (const Target& t : targets) record.slots[record.targets++] = t.id;
      record.datagram = datagrams.back();
      pending_.Add(std::move(record));
    }
  }
  for (uint16_t i = 0; i < header.fragmentCount; ++i) {
    const wire::Datagram& datagram = datagrams[i];
    size_t took = 0;
    for (const Target& t : targets) {
      if (env_.sender->SendTo(datagram.data(), datagram.size(), t.address) ==
          static_cast<int>(datagram.size())) {
        ++took;
        continue;
      }
      std::lock_guard<std::recursive_mutex> guard(lock_);
      pending_.Withdraw(header.frameSeq, i, t.id);  // a failed send makes no target
    }
    if (took == 0) {
      // Nobody took this fragment: the frame stops here, and what was not sent is not owed.
      std::lock_guard<std::recursive_mutex> guard(lock_);
      for (uint16_t rest = i + 1; rest < header.fragmentCount; ++rest)
        for (const Target& t : targets) pending_.Withdraw(header.frameSeq, rest, t.id);
      return false;
    }
  }
  return true;
}

CPeerSession* CameraCore::FindSession(uint64_t id) const {
  for (const auto& entry : sessions_)
    if (entry.second->id() == id) return entry.second.get();
  return nullptr;
}

void CameraCore::RetransmitPending(uint32_t now) {
  // Chosen under the lock, sent after it (see SendFrame): the records may be acknowledged
  // and freed meanwhile, so the due datagrams are copied.
  struct Resend {
    const PendingFragment* record;
    wire::Datagram datagram;
    std::vector<NetAddress> to;
  };
  std::vector<Resend> due;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    pending_.Retransmit(now, [this, &due](const PendingFragment& f, uint64_t sessionId) {
      CPeerSession* s = FindSession(sessionId);
      if (s == nullptr || !s->AcceptsFrameStartedAt(f.sendStart())) return;
      if (due.empty() || due.back().record != &f) due.push_back({&f, f.datagram, {}});
      due.back().to.push_back(s->peer());
    });
  }
  for (const Resend& r : due)
    for (const NetAddress& to : r.to) env_.sender->SendTo(r.datagram.data(), r.datagram.size(), to);
}

void CameraCore::LoadAlarmParams() {
  uint8_t stored[AlarmParamRecord::kSize];
  size_t n = env_.alarmStore ? env_.alarmStore->Load(stored, sizeof stored) : 0;
  AlarmParamRecord record = AlarmParamRecord::FromStored(stored, n);
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    alarmParams_ = record;
  }
  if (env_.detector) env_.detector->SetThreshold(record.sensitivity());
}

bool CameraCore::IsAlarmArmedNow() {
  if (env_.localTime == nullptr) return false;
  LocalTime now = env_.localTime->Now();
  std::lock_guard<std::recursive_mutex> guard(lock_);
  return alarmParams_.ArmedAt(now);
}

void CameraCore::GetAlarmParams(uint8_t record[wire::kAlarmParamRecordSize]) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  std::memcpy(record, alarmParams_.bytes(), AlarmParamRecord::kSize);
}

void CameraCore::SetAlarmParams(const uint8_t* record, size_t length) {
  if (record == nullptr || length < AlarmParamRecord::kSize) return;
  std::lock_guard<std::recursive_mutex> guard(lock_);
  alarmParams_.SetFromPeer(record);
  if (env_.detector) env_.detector->SetThreshold(alarmParams_.sensitivity());
  if (env_.alarmStore == nullptr) return;
  switch (env_.alarmStore->Save(alarmParams_.bytes(), AlarmParamRecord::kSize)) {
    case AlarmParamStore::SaveResult::kOpenFailed:
      log().Write("set alarm parm open file failed");
      break;
    case AlarmParamStore::SaveResult::kShortWrite:
      log().Write("set alarm parm save to file data failed");
      break;
    case AlarmParamStore::SaveResult::kSaved:
      break;
  }
}

void CameraCore::AnnounceAlarm(uint8_t state) {
  wire::Datagram d = wire::EncodeAlarmNotify(state);
  env_.sender->SendToServer(d.data(), d.size());
  for (auto& entry : sessions_) entry.second->SendAlarm(state);
}

void CameraCore::OnMotion(int state) {
  if (!registered_) return;
  std::lock_guard<std::recursive_mutex> guard(lock_);
  int announce = alarm_.OnMotion(state, Now());
  if (announce >= 0) AnnounceAlarm(static_cast<uint8_t>(announce));
}

bool CameraCore::AlarmActive() const {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  return alarm_.active();
}

size_t CameraCore::SessionCount() const {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  return sessions_.size();
}

size_t CameraCore::PendingFragmentCount() const {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  return pending_.size();
}

size_t CameraCore::PendingAcknowledgements() const {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  size_t acks = 0;
  for (const PendingFragment& f : pending_.items()) acks += static_cast<size_t>(f.acks);
  return acks;
}

uint32_t CameraCore::FrameCounter() const {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  return frameCounter_;
}

bool CameraCore::SessionState(const std::string& key, bool* connected, bool* video) const {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  auto it = sessions_.find(key);
  if (it == sessions_.end()) return false;
  *connected = it->second->connected();
  *video = it->second->video();
  return true;
}

}  // namespace lantern

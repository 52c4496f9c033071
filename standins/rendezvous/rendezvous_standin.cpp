#include "rendezvous_standin.h"

#include "watch_request.h"

namespace standins {

namespace wire = lantern::wire;

namespace {
constexpr int kPollMs = 20;  // how soon Stop() is noticed

std::string CameraKey(const std::string& name) { return name.substr(0, wire::kRegisterNameWidth); }
}  // namespace

RendezvousStandin::~RendezvousStandin() { Stop(); }

bool RendezvousStandin::Start(uint16_t port) {
  Stop();
  if (!endpoint_.Open(port)) return false;
  stop_ = false;
  thread_ = std::thread([this] { Run(); });
  return true;
}

void RendezvousStandin::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  endpoint_.Close();
}

uint16_t RendezvousStandin::Port() const { return endpoint_.Port(); }
lantern::NetAddress RendezvousStandin::Address() const { return endpoint_.Address(); }

void RendezvousStandin::SetServerIds(const wire::ServerIds& ids) {
  std::lock_guard<std::mutex> lock(mu_);
  ids_ = ids;
}
void RendezvousStandin::SetAnswerRegistrations(bool answer) { answerRegistrations_ = answer; }
void RendezvousStandin::SetAnswerHeartbeats(bool answer) { answerHeartbeats_ = answer; }
void RendezvousStandin::SetSilent(bool silent) { silent_ = silent; }
void RendezvousStandin::SetEventSink(EventSink sink) {
  std::lock_guard<std::mutex> lock(sinkMu_);
  sink_ = std::move(sink);
}

bool RendezvousStandin::SendSessionNotify(const lantern::NetAddress& camera,
                                          const std::string& host, uint32_t port) {
  return endpoint_.SendTo(wire::EncodeSessionNotify({host, port}), camera);
}

bool RendezvousStandin::SendRaw(const std::vector<uint8_t>& bytes, const lantern::NetAddress& to) {
  return endpoint_.SendTo(bytes, to);
}

size_t RendezvousStandin::Count(uint8_t type) const {
  std::lock_guard<std::mutex> lock(mu_);
  return log_.Count(type);
}

size_t RendezvousStandin::ProbeCount() const {
  std::lock_guard<std::mutex> lock(mu_);
  return log_.ProbeCount();
}

uint64_t RendezvousStandin::NextOrder() const {
  std::lock_guard<std::mutex> lock(mu_);
  return log_.NextOrder();
}

std::vector<RecordedDatagram> RendezvousStandin::Received() const {
  std::lock_guard<std::mutex> lock(mu_);
  return log_.Snapshot();
}

std::optional<lantern::NetAddress> RendezvousStandin::CameraAddress(const std::string& name) const {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = cameras_.find(CameraKey(name));
  if (it == cameras_.end()) return std::nullopt;
  return it->second;
}

void RendezvousStandin::Run() {
  while (!stop_) {
    std::optional<ReceivedDatagram> d = endpoint_.Receive(kPollMs);
    if (d) Handle(*d);
  }
}

void RendezvousStandin::Emit(const std::string& line) {
  EventSink sink;
  {
    std::lock_guard<std::mutex> lock(sinkMu_);
    sink = sink_;
  }
  if (sink) sink(line);
}

// Under one lock: camera table, then the reply, then the record. Queries take the same lock,
// so a recorded datagram has had its reply sent, and whoever saw a reply finds it recorded.
void RendezvousStandin::Handle(const ReceivedDatagram& d) {
  const uint8_t* data = d.bytes.data();
  const size_t length = d.bytes.size();
  const bool answer = !silent_;

  wire::RegisterReq reg;
  wire::ServerIds heartbeat;
  std::string watched;
  const bool isRegister = wire::DecodeRegisterReq(data, length, &reg);
  const bool isHeartbeat = !isRegister && wire::DecodeHeartbeatReq(data, length, &heartbeat);
  const bool isWatch = !isRegister && !isHeartbeat && DecodeWatchRequest(data, length, &watched);
  const bool answerRegistration = answer && answerRegistrations_;
  std::optional<lantern::NetAddress> camera;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (isRegister) {
      cameras_[CameraKey(reg.name)] = d.from;
      if (answerRegistration) endpoint_.SendTo(wire::EncodeRegisterResp(ids_), d.from);
    } else if (isHeartbeat) {
      if (answer && answerHeartbeats_) {
        endpoint_.SendTo(wire::EncodeHeartbeatReq(heartbeat), d.from);
      }
    } else if (isWatch) {
      auto it = cameras_.find(CameraKey(watched));
      if (it != cameras_.end()) camera = it->second;
      if (camera && answer) SendSessionNotify(*camera, d.from.IpText(), d.from.port);
    }
    log_.Add(d.bytes, d.from);
  }

  if (isRegister) {
    Emit("register camera=" + reg.name + " from=" + d.from.Text() + " local=" + reg.address +
         ":" + std::to_string(reg.port) + (answerRegistration ? " answered" : " unanswered"));
  } else if (isWatch && !camera) {
    Emit("watch camera=" + watched + " viewer=" + d.from.Text() + " unknown camera");
  } else if (isWatch && answer) {
    Emit("pair camera=" + watched + " at=" + camera->Text() + " viewer=" + d.from.Text());
  }
}

}  // namespace standins

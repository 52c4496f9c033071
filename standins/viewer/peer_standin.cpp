#include "peer_standin.h"

#include <chrono>

namespace standins {

namespace wire = lantern::wire;

namespace {
constexpr int kPollMs = 20;  // how soon Stop() is noticed
}  // namespace

PeerStandin::~PeerStandin() { Stop(); }

bool PeerStandin::Start(uint16_t port) {
  Stop();
  if (!endpoint_.Open(port)) return false;
  stop_ = false;
  thread_ = std::thread([this] { Run(); });
  return true;
}

void PeerStandin::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  endpoint_.Close();
}

uint16_t PeerStandin::Port() const { return endpoint_.Port(); }
lantern::NetAddress PeerStandin::Address() const { return endpoint_.Address(); }

bool PeerStandin::Send(uint8_t type, const lantern::NetAddress& to) {
  return endpoint_.SendTo(wire::EncodeCommand(type), to);
}
bool PeerStandin::SendRaw(const std::vector<uint8_t>& bytes, const lantern::NetAddress& to) {
  return endpoint_.SendTo(bytes, to);
}
bool PeerStandin::SendRaw(const void* data, size_t length, const lantern::NetAddress& to) {
  return endpoint_.SendTo(data, length, to);
}

void PeerStandin::SetAutoConnectResp(bool on) { autoConnectResp_ = on; }
void PeerStandin::SetAutoAck(bool on) { autoAck_ = on; }
void PeerStandin::SetAckFilter(AckFilter filter) {
  std::lock_guard<std::mutex> lock(callbackMu_);
  ackFilter_ = std::move(filter);
}
void PeerStandin::SetFrameSink(FrameSink sink) {
  std::lock_guard<std::mutex> lock(callbackMu_);
  frameSink_ = std::move(sink);
}

size_t PeerStandin::Count(uint8_t type) const {
  std::lock_guard<std::mutex> lock(mu_);
  return log_.Count(type);
}

uint64_t PeerStandin::NextOrder() const {
  std::lock_guard<std::mutex> lock(mu_);
  return log_.NextOrder();
}

std::vector<RecordedDatagram> PeerStandin::Received() const {
  std::lock_guard<std::mutex> lock(mu_);
  return log_.Snapshot();
}

std::optional<lantern::NetAddress> PeerStandin::CameraAddress() const {
  std::lock_guard<std::mutex> lock(mu_);
  return camera_;
}

FrameStats PeerStandin::Stats() const {
  std::lock_guard<std::mutex> lock(mu_);
  return assembler_.Stats();
}

std::vector<AssembledFrame> PeerStandin::Frames() const {
  std::lock_guard<std::mutex> lock(mu_);
  return std::vector<AssembledFrame>(frames_.begin(), frames_.end());
}

bool PeerStandin::WaitForFrames(size_t count, int timeoutMs) const {
  if (timeoutMs < 0) timeoutMs = 0;
  std::unique_lock<std::mutex> lock(mu_);
  return framesChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                 [&] { return assembler_.Stats().completed >= count; });
}

void PeerStandin::Run() {
  while (!stop_) {
    std::optional<ReceivedDatagram> d = endpoint_.Receive(kPollMs);
    if (d) Handle(*d);
  }
}

// Under one lock: state, then the reply, then the record. Queries take the same lock, so a
// recorded datagram has had its reply sent, and whoever saw a reply finds it recorded.
void PeerStandin::Handle(const ReceivedDatagram& d) {
  const uint8_t* data = d.bytes.data();
  const size_t length = d.bytes.size();
  uint8_t type = 0;
  const bool headered = wire::PeekType(data, length, &type);
  const bool connectReq = headered && type == wire::kConnectReq;
  const bool video = headered && type == wire::kVideoData;

  wire::VideoHeader header;
  const uint8_t* payload = nullptr;
  size_t n = 0;
  const bool decoded = video && wire::DecodeVideoData(data, length, &header, &payload, &n);
  AckFilter filter;
  FrameSink sink;
  {
    std::lock_guard<std::mutex> lock(callbackMu_);
    filter = ackFilter_;
    sink = frameSink_;
  }
  // Callbacks run outside mu_ so they may query the stand-in.
  const bool ack = decoded && autoAck_ && (!filter || filter(header));

  bool completed = false;
  AssembledFrame frame;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (connectReq) {
      camera_ = d.from;
      if (autoConnectResp_) endpoint_.SendTo(wire::EncodeCommand(wire::kConnectResp), d.from);
    }
    if (video) {
      completed = assembler_.AddDatagram(data, length, &frame) ==
                  FrameAssembler::Result::kCompleted;
      if (completed) {
        frames_.push_back(frame);
        if (frames_.size() > kKeptFrames) frames_.pop_front();
      }
      if (ack) {
        endpoint_.SendTo(wire::EncodeVideoAck({header.frameSeq, header.fragmentIndex}), d.from);
      }
    }
    log_.Add(d.bytes, d.from);
  }
  if (completed) {
    framesChanged_.notify_all();
    if (sink) sink(frame);
  }
}

}  // namespace standins

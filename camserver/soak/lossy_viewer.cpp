#include "lossy_viewer.h"

#include <cmath>
#include <optional>

#include "protocol.h"

namespace soak {

namespace wire = lantern::wire;

LossyViewer::LossyViewer(double dropShare, uint32_t seed)
    : dropBelow_(static_cast<uint32_t>(std::fmin(std::fmax(dropShare, 0.0), 1.0) * 4294967295.0)),
      rng_(seed),
      trackedSeq_(kTrackedFrames, 0),
      trackedParts_(kTrackedFrames) {}

LossyViewer::~LossyViewer() { Stop(); }

bool LossyViewer::Start() {
  if (!endpoint_.Open(0)) return false;
  stop_ = false;
  thread_ = std::thread([this] { Run(); });
  return true;
}

void LossyViewer::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  endpoint_.Close();
}

bool LossyViewer::Lose() {
  if (rng_() >= dropBelow_) return false;
  ++counts_.dropped;
  return true;
}

void LossyViewer::SendLossy(const std::vector<uint8_t>& bytes, const lantern::NetAddress& to) {
  if (!Lose()) endpoint_.SendTo(bytes, to);
}

void LossyViewer::Send(uint8_t type, const lantern::NetAddress& to) {
  std::lock_guard<std::mutex> lock(mu_);
  SendLossy(wire::EncodeCommand(type), to);
}

bool LossyViewer::Seen(uint8_t type) const {
  std::lock_guard<std::mutex> lock(mu_);
  return seen_[type];
}

bool LossyViewer::VideoWithin(int ms) const {
  std::lock_guard<std::mutex> lock(mu_);
  return seen_[wire::kVideoData] &&
         std::chrono::steady_clock::now() - lastVideo_ < std::chrono::milliseconds(ms);
}

ViewerCounts LossyViewer::Counts() const {
  std::lock_guard<std::mutex> lock(mu_);
  ViewerCounts c = counts_;
  c.framesCompleted = assembler_.Stats().completed;
  return c;
}

void LossyViewer::Run() {
  while (!stop_) {
    std::optional<standins::ReceivedDatagram> d = endpoint_.Receive(20);
    if (d) Handle(*d);
  }
}

void LossyViewer::Track(uint32_t seq, uint16_t index, uint16_t count) {
  if (seq > newestSeq_) {  // frames go out in order, fragments of one frame together
    ++counts_.framesSent;
    newestSeq_ = seq;
  }
  const size_t slot = seq % kTrackedFrames;
  if (trackedSeq_[slot] != seq) {
    trackedSeq_[slot] = seq;
    trackedParts_[slot].assign(count, false);
  }
  std::vector<bool>& parts = trackedParts_[slot];
  if (index >= parts.size()) return;
  if (parts[index]) ++counts_.retransmissions; else ++counts_.fragments;
  parts[index] = true;
}

void LossyViewer::Handle(const standins::ReceivedDatagram& d) {
  std::lock_guard<std::mutex> lock(mu_);
  uint8_t type = 0;
  if (!wire::PeekType(d.bytes.data(), d.bytes.size(), &type)) return;
  wire::VideoHeader header;
  const uint8_t* payload = nullptr;
  size_t n = 0;
  const bool video = type == wire::kVideoData &&
                     wire::DecodeVideoData(d.bytes.data(), d.bytes.size(), &header, &payload, &n);
  // What the camera sent is counted before the link loses any of it.
  if (video) Track(header.frameSeq, header.fragmentIndex, header.fragmentCount);
  if (type == wire::kDisConnectResp) ++counts_.disconnects;
  if (Lose()) return;

  seen_[type] = true;
  switch (type) {
    case wire::kConnectReq:
      SendLossy(wire::EncodeCommand(wire::kConnectResp), d.from);
      break;
    case wire::kKeepAlive:
      ++counts_.keepAlives;
      break;
    case wire::kVideoData:
      lastVideo_ = std::chrono::steady_clock::now();
      if (video) {
        standins::AssembledFrame frame;
        assembler_.Add(header, payload, n, &frame);
        SendLossy(wire::EncodeVideoAck({header.frameSeq, header.fragmentIndex}), d.from);
      }
      break;
    default:
      break;
  }
}

}  // namespace soak

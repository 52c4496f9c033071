#include "frame_assembler.h"

namespace standins {

namespace wire = lantern::wire;

FrameAssembler::FrameAssembler(size_t maxOpenFrames, size_t maxFragments)
    : maxOpen_(maxOpenFrames == 0 ? 1 : maxOpenFrames),
      maxFragments_(maxFragments == 0 ? 1 : maxFragments) {}

FrameAssembler::Result FrameAssembler::AddDatagram(const uint8_t* data, size_t length,
                                                   AssembledFrame* completed) {
  wire::VideoHeader header;
  const uint8_t* payload = nullptr;
  size_t n = 0;
  if (!wire::DecodeVideoData(data, length, &header, &payload, &n)) {
    ++stats_.rejected;
    return Result::kRejected;
  }
  return Add(header, payload, n, completed);
}

FrameAssembler::Result FrameAssembler::Add(const wire::VideoHeader& h, const uint8_t* payload,
                                           size_t length, AssembledFrame* completed) {
  const bool last = h.fragmentIndex + 1 == h.fragmentCount;
  if (h.fragmentCount == 0 || h.fragmentCount > maxFragments_ ||
      h.fragmentIndex >= h.fragmentCount || payload == nullptr || length == 0 ||
      length > wire::kFragmentPayload || (!last && length != wire::kFragmentPayload)) {
    ++stats_.rejected;
    return Result::kRejected;
  }
  const uint32_t seq = h.frameSeq;
  if (done_.count(seq) != 0) {
    ++stats_.duplicates;
    return Result::kDuplicate;
  }
  if (settled_ && seq <= lastSettled_) {
    ++stats_.stale;
    return Result::kStale;
  }

  auto it = open_.find(seq);
  if (it == open_.end()) {
    if (open_.size() >= maxOpen_) {
      // Older than everything kept: opening it would only evict a newer frame.
      if (seq < open_.begin()->first) {
        ++stats_.stale;
        return Result::kStale;
      }
      EvictOldest();
    }
    OpenFrame f;
    f.count = h.fragmentCount;
    f.parts.resize(h.fragmentCount);
    it = open_.emplace(seq, std::move(f)).first;
  }
  OpenFrame& frame = it->second;
  if (frame.count != h.fragmentCount) {
    ++stats_.rejected;
    return Result::kRejected;
  }
  std::vector<uint8_t>& part = frame.parts[h.fragmentIndex];
  if (!part.empty()) {
    ++stats_.duplicates;
    return Result::kDuplicate;
  }
  part.assign(payload, payload + length);
  ++frame.have;
  ++stats_.fragments;
  if (frame.have < frame.count) return Result::kAccepted;

  AssembledFrame out;
  out.seq = seq;
  size_t total = 0;
  for (const auto& p : frame.parts) total += p.size();
  out.jpeg.reserve(total);
  for (const auto& p : frame.parts) out.jpeg.insert(out.jpeg.end(), p.begin(), p.end());
  open_.erase(it);
  Settle(seq);
  Remember(seq);
  ++stats_.completed;
  stats_.bytes += out.jpeg.size();
  if (completed != nullptr) *completed = std::move(out);
  return Result::kCompleted;
}

// Frame `seq` completed: every older frame still open, and every number skipped since the
// last settled frame, is lost.
void FrameAssembler::Settle(uint32_t seq) {
  if (settled_) {
    stats_.lost += seq - lastSettled_ - 1;  // open ones below seq lie in this range too
  } else {
    for (const auto& entry : open_) {
      if (entry.first < seq) ++stats_.lost;
    }
  }
  open_.erase(open_.begin(), open_.lower_bound(seq));
  lastSettled_ = seq;
  settled_ = true;
}

void FrameAssembler::EvictOldest() {
  const uint32_t oldest = open_.begin()->first;
  open_.erase(open_.begin());
  stats_.lost += settled_ ? oldest - lastSettled_ : 1;  // the gap below it and itself
  lastSettled_ = oldest;
  settled_ = true;
}

void FrameAssembler::Remember(uint32_t seq) {
  done_.insert(seq);
  doneOrder_.push_back(seq);
  if (doneOrder_.size() > kRememberedFrames) {
    done_.erase(doneOrder_.front());
    doneOrder_.pop_front();
  }
}

}  // namespace standins

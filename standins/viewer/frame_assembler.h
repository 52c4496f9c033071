// Rebuilds JPEG frames from Video_Data fragments as a remote viewer sees them: checks every
// fragment against its frame, counts retransmissions and lost frames, and keeps memory bounded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <vector>

#include "protocol.h"

namespace standins {

struct AssembledFrame {
  uint32_t seq = 0;
  std::vector<uint8_t> jpeg;
};

struct FrameStats {
  uint64_t fragments = 0;   // new fragments taken into a frame
  uint64_t duplicates = 0;  // fragments seen before (retransmissions)
  uint64_t rejected = 0;    // malformed or inconsistent with their frame
  uint64_t stale = 0;       // fragments of frames already given up as lost
  uint64_t completed = 0;
  uint64_t lost = 0;   // incomplete when a newer frame completed, sequence gaps, evictions
  uint64_t bytes = 0;  // JPEG bytes of completed frames
};

class FrameAssembler {
 public:
  enum class Result { kAccepted, kCompleted, kDuplicate, kRejected, kStale };

  static constexpr size_t kDefaultMaxOpenFrames = 64;
  static constexpr size_t kDefaultMaxFragments = 2048;  // 1 MiB frames
  static constexpr size_t kRememberedFrames = 256;     // completed ones, to spot late copies

  explicit FrameAssembler(size_t maxOpenFrames = kDefaultMaxOpenFrames,
                          size_t maxFragments = kDefaultMaxFragments);

  // A whole received datagram; anything that is not a well-formed Video_Data is rejected.
  Result AddDatagram(const uint8_t* data, size_t length, AssembledFrame* completed);
  // One decoded fragment; `completed` receives the frame when this fragment finishes it.
  Result Add(const lantern::wire::VideoHeader& header, const uint8_t* payload, size_t length,
             AssembledFrame* completed);

  const FrameStats& Stats() const { return stats_; }
  size_t OpenFrames() const { return open_.size(); }

 private:
  struct OpenFrame {
    uint16_t count = 0;
    uint16_t have = 0;
    std::vector<std::vector<uint8_t>> parts;  // empty: not received yet
  };

  void Settle(uint32_t seq);
  void EvictOldest();
  void Remember(uint32_t seq);

  size_t maxOpen_;
  size_t maxFragments_;
  std::map<uint32_t, OpenFrame> open_;
  bool settled_ = false;      // whether lastSettled_ is meaningful
  uint32_t lastSettled_ = 0;  // newest frame completed or given up; older ones are closed
  std::deque<uint32_t> doneOrder_;
  std::set<uint32_t> done_;
  FrameStats stats_;
};

}  // namespace standins

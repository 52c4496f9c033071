// Thread-safe record of every datagram a stand-in received, with bounded waits for tests.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "net_address.h"

namespace standins {

struct RecordedDatagram {
  std::vector<uint8_t> bytes;
  lantern::NetAddress from;
  uint64_t order = 0;  // arrival order within one log, from 0
  std::chrono::steady_clock::time_point at;

  // The 23-byte headerless "test for get local port".
  bool IsProbe() const;
  // Type byte of a headered datagram; false for the probe and for anything under 5 bytes.
  bool Type(uint8_t* type) const;
  bool Is(uint8_t type) const;
};

using DatagramPredicate = std::function<bool(const RecordedDatagram&)>;

class DatagramLog {
 public:
  // Older records beyond this many are dropped (counts keep counting them).
  static constexpr size_t kDefaultLimit = 20000;

  void SetLimit(size_t limit);
  void Add(std::vector<uint8_t> bytes, const lantern::NetAddress& from);

  // Every datagram of this type received so far (the probe is never counted here).
  size_t Count(uint8_t type) const;
  size_t ProbeCount() const;
  size_t Total() const;
  // The order the next datagram will get: mark it, then wait for `r.order >= mark`.
  uint64_t NextOrder() const;
  std::vector<RecordedDatagram> Snapshot() const;

  // The occurrence-th (1-based) retained record matching `match`, waiting at most timeoutMs.
  std::optional<RecordedDatagram> WaitFor(const DatagramPredicate& match, int timeoutMs,
                                          size_t occurrence = 1) const;
  std::optional<RecordedDatagram> WaitFor(uint8_t type, int timeoutMs,
                                          size_t occurrence = 1) const;

 private:
  std::optional<RecordedDatagram> FindLocked(const DatagramPredicate& match,
                                             size_t occurrence) const;

  mutable std::mutex mu_;
  mutable std::condition_variable changed_;
  std::deque<RecordedDatagram> records_;
  std::array<size_t, 256> counts_{};
  size_t probes_ = 0;
  uint64_t next_ = 0;
  size_t limit_ = kDefaultLimit;
};

}  // namespace standins

#include "datagram_log.h"

#include <cstring>

#include "protocol.h"

namespace standins {

namespace wire = lantern::wire;

bool RecordedDatagram::IsProbe() const {
  return bytes.size() == wire::kProbeSize &&
         std::memcmp(bytes.data(), wire::kProbeText, wire::kProbeSize) == 0;
}

bool RecordedDatagram::Type(uint8_t* type) const {
  if (IsProbe()) return false;
  return wire::PeekType(bytes.data(), bytes.size(), type);
}

bool RecordedDatagram::Is(uint8_t type) const {
  uint8_t t = 0;
  return Type(&t) && t == type;
}

void DatagramLog::SetLimit(size_t limit) {
  std::lock_guard<std::mutex> lock(mu_);
  limit_ = limit == 0 ? 1 : limit;
  while (records_.size() > limit_) records_.pop_front();
}

void DatagramLog::Add(std::vector<uint8_t> bytes, const lantern::NetAddress& from) {
  RecordedDatagram r;
  r.bytes = std::move(bytes);
  r.from = from;
  r.at = std::chrono::steady_clock::now();
  {
    std::lock_guard<std::mutex> lock(mu_);
    r.order = next_++;
    uint8_t type = 0;
    if (r.IsProbe()) {
      ++probes_;
    } else if (r.Type(&type)) {
      ++counts_[type];
    }
    records_.push_back(std::move(r));
    while (records_.size() > limit_) records_.pop_front();
  }
  changed_.notify_all();
}

size_t DatagramLog::Count(uint8_t type) const {
  std::lock_guard<std::mutex> lock(mu_);
  return counts_[type];
}

size_t DatagramLog::ProbeCount() const {
  std::lock_guard<std::mutex> lock(mu_);
  return probes_;
}

size_t DatagramLog::Total() const {
  std::lock_guard<std::mutex> lock(mu_);
  return static_cast<size_t>(next_);
}

uint64_t DatagramLog::NextOrder() const {
  std::lock_guard<std::mutex> lock(mu_);
  return next_;
}

std::vector<RecordedDatagram> DatagramLog::Snapshot() const {
  std::lock_guard<std::mutex> lock(mu_);
  return std::vector<RecordedDatagram>(records_.begin(), records_.end());
}

std::optional<RecordedDatagram> DatagramLog::FindLocked(const DatagramPredicate& match,
                                                        size_t occurrence) const {
  if (occurrence == 0) occurrence = 1;
  size_t seen = 0;
  for (const RecordedDatagram& r : records_) {
    if (match(r) && ++seen == occurrence) return r;
  }
  return std::nullopt;
}

std::optional<RecordedDatagram> DatagramLog::WaitFor(const DatagramPredicate& match,
                                                     int timeoutMs, size_t occurrence) const {
  if (timeoutMs < 0) timeoutMs = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::unique_lock<std::mutex> lock(mu_);
  std::optional<RecordedDatagram> found;
  changed_.wait_until(lock, deadline, [&] {
    found = FindLocked(match, occurrence);
    return found.has_value();
  });
  return found;
}

std::optional<RecordedDatagram> DatagramLog::WaitFor(uint8_t type, int timeoutMs,
                                                     size_t occurrence) const {
  return WaitFor([type](const RecordedDatagram& r) { return r.Is(type); }, timeoutMs,
                 occurrence);
}

}  // namespace standins

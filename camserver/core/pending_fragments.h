// Video fragments waiting for acknowledgement, with their retransmission schedule.
#pragma once

#include <cstdint>
#include <functional>
#include <list>

#include "protocol.h"

namespace lantern {

constexpr int kMaxFragmentTargets = 16;
constexpr int kMaxRetransmissions = 8;
constexpr uint32_t kRetransmitStepMs = 50;

struct PendingFragment {
  wire::Datagram datagram;  // the whole Video_Data datagram
  int targets = 0;          // sessions it was first sent to
  int acks = 0;
  int retries = 0;
  uint64_t slots[kMaxFragmentTargets] = {};  // session ids; 0 once acknowledged

  uint32_t frameSeq() const;
  uint16_t fragmentIndex() const;
  uint32_t sendStart() const;  // first tick reading of the frame (offset 9)
};

class PendingFragmentList {
 public:
  void Add(PendingFragment fragment) { list_.push_back(std::move(fragment)); }
  size_t size() const { return list_.size(); }
  void Clear() { list_.clear(); }

  // Clears the acknowledging session's slot; the record goes when every target has
  // acknowledged. An acknowledgement that matches nothing changes nothing.
  void Acknowledge(uint32_t frameSeq, uint16_t fragmentIndex, uint64_t sessionId);

  // Takes a target back whose first send failed; the record goes when no target is left
  // unacknowledged.
  void Withdraw(uint32_t frameSeq, uint16_t fragmentIndex, uint64_t sessionId);

  // Resends every due fragment to the targets `resend` still accepts (it returns whether it
  // sent); a record is dropped after its eighth retransmission pass.
  using Resend = std::function<void(const PendingFragment&, uint64_t sessionId)>;
  void Retransmit(uint32_t now, const Resend& resend);

  const std::list<PendingFragment>& items() const { return list_; }

 private:
  // Clears the session's slot on the fragment's record; the record, or end() when none matched.
  std::list<PendingFragment>::iterator ClearSlot(uint32_t frameSeq, uint16_t fragmentIndex, uint64_t sessionId);

  std::list<PendingFragment> list_;
};

}  // namespace lantern

#include "pending_fragments.h"

#include "common/byte_io.h"

namespace lantern {

uint32_t PendingFragment::frameSeq() const { return common::GetU32LE(&datagram[14]); }
uint16_t PendingFragment::fragmentIndex() const { return common::GetU16LE(&datagram[20]); }
uint32_t PendingFragment::sendStart() const { return common::GetU32LE(&datagram[9]); }

std::list<PendingFragment>::iterator PendingFragmentList::ClearSlot(uint32_t frameSeq, uint16_t fragmentIndex,
                                                                   uint64_t sessionId) {
  for (auto it = list_.begin(); it != list_.end(); ++it) {
    if (it->frameSeq() != frameSeq || it->fragmentIndex() != fragmentIndex) continue;
    for (uint64_t& slot : it->slots) {
      if (slot != 0 && slot == sessionId) {
        slot = 0;
        return it;
      }
    }
    break;
  }
  return list_.end();
}

void PendingFragmentList::Acknowledge(uint32_t frameSeq, uint16_t fragmentIndex,
                                      uint64_t sessionId) {
  auto it = ClearSlot(frameSeq, fragmentIndex, sessionId);
  if (it != list_.end() && ++it->acks == it->targets) list_.erase(it);
}

void PendingFragmentList::Withdraw(uint32_t frameSeq, uint16_t fragmentIndex,
                                   uint64_t sessionId) {
  auto it = ClearSlot(frameSeq, fragmentIndex, sessionId);
  if (it != list_.end() && --it->targets == it->acks) list_.erase(it);
}

void PendingFragmentList::Retransmit(uint32_t now, const Resend& resend) {
  for (auto it = list_.begin(); it != list_.end();) {
    if (now - it->sendStart() <= kRetransmitStepMs * static_cast<uint32_t>(it->retries + 1)) {
      ++it;
      continue;
    }
    for (uint64_t slot : it->slots) {
      if (slot != 0) resend(*it, slot);
    }
    if (++it->retries >= kMaxRetransmissions) {
      it = list_.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace lantern

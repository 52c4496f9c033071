#include "alarm_params.h"

#include <algorithm>
#include <cstring>

#include "common/byte_io.h"

namespace lantern {

AlarmParamRecord::AlarmParamRecord() {
  std::memset(bytes_, 0, sizeof bytes_);
  std::memcpy(bytes_, wire::kMagicMO_P, 4);
  bytes_[wire::kTypeOffset] = wire::kSetAlarmParamReq;
}

AlarmParamRecord AlarmParamRecord::FromStored(const uint8_t* bytes, size_t length) {
  AlarmParamRecord record;
  size_t n = bytes ? std::min(length, kSize) : 0;
  if (n) std::memcpy(record.bytes_, bytes, n);
  if (n < kSize) record.ApplyDefaults();
  return record;
}

void AlarmParamRecord::ApplyDefaults() {
  bytes_[kEnabledOffset] = 1;
  bytes_[kDefaultMarkOffset] = 1;
  std::memset(bytes_ + kScheduleOffset, 0x01, kScheduleBytes);
  SetSensitivity(5);
}

int32_t AlarmParamRecord::sensitivity() const {
  return static_cast<int32_t>(common::GetU32LE(bytes_ + kSensitivityOffset));
}

void AlarmParamRecord::SetSensitivity(int32_t value) {
  common::PutU32LE(bytes_ + kSensitivityOffset, static_cast<uint32_t>(value));
}

void AlarmParamRecord::SetFromPeer(const uint8_t record[kSize]) {
  std::memcpy(bytes_, record, kSize);
  // Widened so that a huge value from the wire cannot overflow into a small one.
  int64_t scaled = static_cast<int64_t>(sensitivity()) * 6;
  if (scaled < 1) scaled = 1;
  if (scaled > 100) scaled = 90;
  SetSensitivity(static_cast<int32_t>(scaled));
}

bool AlarmParamRecord::ArmedAt(const LocalTime& t) const {
  if (!enabled()) return false;
  if (t.weekday < 0 || t.weekday > 6 || t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59)
    return false;
  uint32_t word = common::GetU32LE(bytes_ + kScheduleOffset + 4 * (t.weekday * 3 + t.hour / 8));
  int bit = (t.hour % 8) * 4 + t.minute / 15;
  return (word >> bit) & 1u;
}

}  // namespace lantern

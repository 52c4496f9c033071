// The camera's 315-byte alarm-parameter record: detection switch, sensitivity and a weekly
// schedule of quarter hours. Stored as is in the camera's ".apd" file and sent to peers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "protocol.h"

namespace lantern {

struct LocalTime {
  int weekday = 0;  // 0 = Sunday
  int hour = 0;
  int minute = 0;
};

class AlarmParamRecord {
 public:
  static constexpr size_t kSize = wire::kAlarmParamRecordSize;
  static constexpr size_t kEnabledOffset = 5;
  static constexpr size_t kSensitivityOffset = 6;
  static constexpr size_t kDefaultMarkOffset = 31;
  static constexpr size_t kScheduleOffset = 32;
  static constexpr size_t kScheduleBytes = 84;

  // "MO_P", type 0x2A, everything else zero.
  AlarmParamRecord();
  // The record from a file's bytes; a file shorter than the record (or none) gets the
  // defaults on top of what it held.
  static AlarmParamRecord FromStored(const uint8_t* bytes, size_t length);

  // Detection on, sensitivity 5, armed in minutes 0 to 14 of every even hour.
  void ApplyDefaults();
  // A peer's record: taken whole, then its sensitivity x 6 clamped to 1..100 (above 100
  // becomes 90).
  void SetFromPeer(const uint8_t record[kSize]);

  bool enabled() const { return bytes_[kEnabledOffset] != 0; }
  int32_t sensitivity() const;
  bool ArmedAt(const LocalTime& t) const;
  const uint8_t* bytes() const { return bytes_; }

 private:
  void SetSensitivity(int32_t value);
  uint8_t bytes_[kSize];
};

}  // namespace lantern

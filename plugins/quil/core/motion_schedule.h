// The camera's weekly motion-alarm schedule in both directions. The camera keeps one day as
// 96 quarter-hour slots in three 32-bit values; KV_CHANNMOTION keeps one window per entry.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <string>

#include "CamShare.h"
#include "answer_values.h"

namespace quilgate {

constexpr int kSlotsPerDay = 96;
constexpr int kDays = 7;  // Monday .. Sunday

using DayMap = std::bitset<kSlotsPerDay>;
using WeekMap = std::array<DayMap, kDays>;

// Day words in record order: "mon" .. "sun".
extern const char* const kDayWords[kDays];

// The three values of a day map: bit b of value j is slot 32 * j + b.
uint32_t DayValue(const DayMap& day, int j);
void SetDayValue(DayMap* day, int j, uint32_t value);

// One entry's window as slots [first, last], or false when it marks nothing.
bool EntrySlots(const KV_MOTION_SCHEDULE& entry, int* first, int* last);
// Marks every entry on the days its selector names. Slots past the day are not marked.
WeekMap MarkSchedule(const KV_CHANNMOTION& record);

// "schedule_sun_0=..&schedule_sun_1=..&schedule_sun_2=..&schedule_mon_0=.." for Sunday,
// Monday .. Saturday; values printed signed.
std::string ScheduleText(const WeekMap& week);

// The arming flag and the seven entries from a "get_params.cgi" answer. Bytes of the record
// the camera does not describe are left as they are.
void ReadMotionRecord(const AnswerText& answer, KV_CHANNMOTION* record);

// Entry k of the record for one day map (day selector k).
void DayToEntry(const DayMap& day, bool enabled, int k, KV_MOTION_SCHEDULE* entry);

}  // namespace quilgate

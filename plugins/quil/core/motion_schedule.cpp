#include "motion_schedule.h"

#include <cstdio>

namespace quilgate {

const char* const kDayWords[kDays] = {"mon", "tue", "wed", "thu", "fri", "sat", "sun"};

namespace {

// Days a selector names: 0-6 one day, 7 Monday to Friday, 8 the weekend, 9 all.
bool SelectsDay(int selector, int day) {
  if (selector >= 0 && selector <= 6) return selector == day;
  if (selector == 7) return day <= 4;
  if (selector == 8) return day >= 5;
  if (selector == 9) return true;
  return false;
}

}  // namespace

uint32_t DayValue(const DayMap& day, int j) {
  uint32_t v = 0;
  for (int b = 0; b < 32; ++b) {
    if (day.test(static_cast<size_t>(32 * j + b))) v |= 1u << b;
  }
  return v;
}

void SetDayValue(DayMap* day, int j, uint32_t value) {
  for (int b = 0; b < 32; ++b) {
    if (value & (1u << b)) day->set(static_cast<size_t>(32 * j + b));
  }
}

bool EntrySlots(const KV_MOTION_SCHEDULE& e, int* first, int* last) {
  *first = e.startHour * 4 + e.startMinute / 15;
  int endHour = e.endHour;
  int endMinute = e.endMinute - 1;
  if (endMinute < 0) {
    endMinute = 59;
    endHour -= 1;
  }
  *last = (endHour * 60 + endMinute) / 15;
  return !(*last == 0 || *last < *first || *last - *first > kSlotsPerDay);
}

WeekMap MarkSchedule(const KV_CHANNMOTION& record) {
  WeekMap week;
  for (const KV_MOTION_SCHEDULE& entry : record.schedule) {
    int first = 0, last = 0;
    if (!EntrySlots(entry, &first, &last)) continue;
    if (first >= kSlotsPerDay) continue;
    // An end past 24:00 (hour above 24) would run off the day.
    if (last >= kSlotsPerDay) last = kSlotsPerDay - 1;
    for (int d = 0; d < kDays; ++d) {
      if (!SelectsDay(entry.day, d)) continue;
      for (int s = first; s <= last; ++s) week[d].set(static_cast<size_t>(s));
    }
  }
  return week;
}

std::string ScheduleText(const WeekMap& week) {
  static const int kTextOrder[kDays] = {6, 0, 1, 2, 3, 4, 5};  // Sunday first
  std::string text;
  char part[64];
  for (int d : kTextOrder) {
    for (int j = 0; j < 3; ++j) {
      std::snprintf(part, sizeof part, "schedule_%s_%d=%d&", kDayWords[d], j,
                    static_cast<int>(static_cast<int32_t>(DayValue(week[d], j))));
      text += part;
    }
  }
  return text;
}

void DayToEntry(const DayMap& day, bool enabled, int k, KV_MOTION_SCHEDULE* entry) {
  int first = 0, last = -1;
  if (enabled) {
    first = -1;
    for (int s = 0; s < kSlotsPerDay; ++s) {
      if (!day.test(static_cast<size_t>(s))) continue;
      if (first < 0) first = s;
      last = s;
    }
  }
  entry->startHour = static_cast<unsigned char>(first < 0 ? 0 : first / 4);
  entry->startMinute = static_cast<unsigned char>(first < 0 ? 0 : (first % 4) * 15);
  entry->endHour = static_cast<unsigned char>((last + 1) / 4);
  entry->endMinute = static_cast<unsigned char>(((last + 1) % 4) * 15);
  entry->day = static_cast<unsigned char>(k);
}

void ReadMotionRecord(const AnswerText& answer, KV_CHANNMOTION* record) {
  record->motionArmed = answer.Value("alarm_motion_armed") == 1 ? 1 : 0;
  const bool enabled = answer.Value("alarm_schedule_enable") == 1;
  char key[48];
  for (int k = 0; k < kDays; ++k) {
    DayMap day;
    for (int j = 0; j < 3; ++j) {
      std::snprintf(key, sizeof key, "alarm_schedule_%s_%d", kDayWords[k], j);
      int32_t value = 0;
      if (answer.Find(key, &value)) SetDayValue(&day, j, static_cast<uint32_t>(value));
    }
    DayToEntry(day, enabled, k, &record->schedule[k]);
  }
}

}  // namespace quilgate

// The motion schedule in both directions, against the camera's own texts; random records
// and answers at the end run under ASan/UBSan natively.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "motion_schedule.h"

using namespace quilgate;

namespace {

KV_CHANNMOTION Read(const std::string& answer) {
  KV_CHANNMOTION record;
  std::memset(&record, 0xEE, sizeof record);
  ReadMotionRecord(AnswerText(answer.data(), answer.size()), &record);
  return record;
}

std::string Window(const KV_MOTION_SCHEDULE& e) {
  char text[40];
  std::snprintf(text, sizeof text, "%02d:%02d-%02d:%02d/%d", e.startHour, e.startMinute, e.endHour, e.endMinute,
                e.day);
  return text;
}

KV_MOTION_SCHEDULE Entry(int startSlot, int endSlot, int day) {
  KV_MOTION_SCHEDULE e = {};
  e.startHour = static_cast<unsigned char>(startSlot / 4);
  e.startMinute = static_cast<unsigned char>(startSlot % 4 * 15);
  e.endHour = static_cast<unsigned char>(endSlot / 4);
  e.endMinute = static_cast<unsigned char>(endSlot % 4 * 15);
  e.day = static_cast<unsigned char>(day);
  return e;
}

KV_CHANNMOTION WithEntries(std::initializer_list<KV_MOTION_SCHEDULE> entries) {
  KV_CHANNMOTION record = {};
  int k = 0;
  for (const KV_MOTION_SCHEDULE& e : entries) record.schedule[k++] = e;
  for (; k < 7; ++k) record.schedule[k].day = 99;  // selects no day
  return record;
}

// What the camera answers for a week: its keys carry the "alarm_" prefix.
std::string AnswerFor(const WeekMap& week, int enable) {
  std::string text = "var alarm_motion_armed=1;\r\nvar alarm_schedule_enable=" + std::to_string(enable) + ";\r\n";
  char line[64];
  for (int d = 0; d < kDays; ++d) {
    for (int j = 0; j < 3; ++j) {
      std::snprintf(line, sizeof line, "var alarm_schedule_%s_%d=%d;\r\n", kDayWords[d], j,
                    static_cast<int>(static_cast<int32_t>(DayValue(week[d], j))));
      text += line;
    }
  }
  return text;
}

}  // namespace

TEST(ScheduleRead, MondayMaskAndDisabledSchedule) {
  const std::string answer = "var alarm_motion_armed=1;\r\nvar alarm_schedule_mon_0=65280;\r\n";
  KV_CHANNMOTION on = Read(answer + "var alarm_schedule_enable=1;\r\n");
  EXPECT_EQ(on.motionArmed, 1);
  EXPECT_EQ(Window(on.schedule[0]), "02:00-04:00/0");  // slots 8 to 15
  for (int k = 1; k < 7; ++k) EXPECT_EQ(Window(on.schedule[k]), "00:00-00:00/" + std::to_string(k));
  // The bytes the camera does not describe stay as they were.
  EXPECT_EQ(on.sdkData[0], 0xEE);
  EXPECT_EQ(on.schedule[0].reserved[2], 0xEE);

  KV_CHANNMOTION off = Read(answer + "var alarm_schedule_enable=0;\r\n");
  for (int k = 0; k < 7; ++k) EXPECT_EQ(Window(off.schedule[k]), "00:00-00:00/" + std::to_string(k));
  // Armed only by the value 1; a missing flag reads as off.
  EXPECT_EQ(Read("alarm_motion_armed=2").motionArmed, 0);
  EXPECT_EQ(Read("").motionArmed, 0);
}

TEST(ScheduleRead, WholeDayAndNegativeValuesReadBackAsAllSlots) {
  KV_CHANNMOTION r = Read(
      "alarm_schedule_enable=1\nalarm_schedule_sun_0=-1\nalarm_schedule_sun_1=-1\nalarm_schedule_sun_2=-1\n"
      "alarm_schedule_sat_2=-2147483648\nalarm_schedule_fri_0=1\n");
  EXPECT_EQ(Window(r.schedule[6]), "00:00-24:00/6");
  EXPECT_EQ(Window(r.schedule[5]), "23:45-24:00/5");  // bit 31 of the third value: slot 95
  EXPECT_EQ(Window(r.schedule[4]), "00:00-00:15/4");
}

TEST(ScheduleWrite, WeekdaysWindowAndTheTexts) {
  // 08:00-10:00 Monday to Friday: slots 32 to 39, the low byte of the second value.
  std::string weekdays;
  for (const char* day : {"sun", "mon", "tue", "wed", "thu", "fri", "sat"}) {
    bool work = std::strcmp(day, "sun") != 0 && std::strcmp(day, "sat") != 0;
    weekdays += std::string("schedule_") + day + "_0=0&schedule_" + day + "_1=" + (work ? "255" : "0") +
                "&schedule_" + day + "_2=0&";
  }
  EXPECT_EQ(ScheduleText(MarkSchedule(WithEntries({Entry(32, 40, 7)}))), weekdays);

  const std::string nothing =
      "schedule_sun_0=0&schedule_sun_1=0&schedule_sun_2=0&schedule_mon_0=0&schedule_mon_1=0&schedule_mon_2=0&"
      "schedule_tue_0=0&schedule_tue_1=0&schedule_tue_2=0&schedule_wed_0=0&schedule_wed_1=0&schedule_wed_2=0&"
      "schedule_thu_0=0&schedule_thu_1=0&schedule_thu_2=0&schedule_fri_0=0&schedule_fri_1=0&schedule_fri_2=0&"
      "schedule_sat_0=0&schedule_sat_1=0&schedule_sat_2=0&";
  EXPECT_EQ(ScheduleText(MarkSchedule(WithEntries({Entry(0, 1, 9)}))), nothing);  // 00:00-00:15
  // Backwards, empty and unknown selectors mark nothing either.
  EXPECT_EQ(ScheduleText(MarkSchedule(WithEntries({Entry(40, 32, 9), Entry(8, 8, 9), Entry(8, 12, 10)}))),
            nothing);

  std::string sunday = ScheduleText(MarkSchedule(WithEntries({Entry(0, 96, 6)})));
  EXPECT_EQ(sunday, "schedule_sun_0=-1&schedule_sun_1=-1&schedule_sun_2=-1&" + nothing.substr(51));

  // The weekend selector and two entries on one day.
  WeekMap w = MarkSchedule(WithEntries({Entry(4, 6, 8), Entry(1, 2, 5), Entry(94, 96, 0)}));
  EXPECT_EQ(DayValue(w[5], 0), 0x32u);  // slots 1, 4, 5
  EXPECT_EQ(DayValue(w[6], 0), 0x30u);
  EXPECT_EQ(DayValue(w[0], 2), 0xC0000000u);
  EXPECT_EQ(DayValue(w[1], 2), 0u);
}

TEST(ScheduleWrite, HoursPastTheDayStayInsideTheDayMap) {
  // 23:00 to 30:00 (a caller's wrong hour): marked to the end of the day, not beyond it.
  KV_MOTION_SCHEDULE late = Entry(92, 96, 2);
  late.endHour = 30;
  WeekMap w = MarkSchedule(WithEntries({late}));
  EXPECT_EQ(DayValue(w[2], 2), 0xF0000000u);
  EXPECT_EQ(w[3].count(), 0u);
  KV_MOTION_SCHEDULE start = Entry(0, 0, 9);
  start.startHour = 200;
  start.endHour = 210;
  start.endMinute = 255;
  int first = 0, last = 0;
  EXPECT_TRUE(EntrySlots(start, &first, &last));
  for (const DayMap& d : MarkSchedule(WithEntries({start}))) EXPECT_EQ(d.count(), 0u);
}

TEST(ScheduleRoundTrip, EveryQuarterHourWindowInBothDirections) {
  int checked = 0;
  for (int s = 0; s < kSlotsPerDay; ++s) {
    for (int e = s + 1; e <= kSlotsPerDay; ++e) {
      if (e == 1) continue;  // 00:00-00:15 marks nothing
      const int day = (s + e) % kDays;
      // Record to camera and back.
      KV_CHANNMOTION written = WithEntries({Entry(s, e, day)});
      WeekMap week = MarkSchedule(written);
      ASSERT_EQ(week[day].count(), static_cast<size_t>(e - s)) << s << "-" << e;
      KV_CHANNMOTION back = Read(AnswerFor(week, 1));
      ASSERT_EQ(Window(back.schedule[day]), Window(Entry(s, e, day)));
      // Camera to record and back: the record's entry marks the same slots again.
      KV_CHANNMOTION again = {};
      again.schedule[0] = back.schedule[day];
      for (int k = 1; k < 7; ++k) again.schedule[k].day = 99;
      ASSERT_EQ(MarkSchedule(again)[day], week[day]);
      ++checked;
    }
  }
  EXPECT_EQ(checked, 96 * 97 / 2 - 1);
}

TEST(ScheduleFuzz, RandomRecordsAndAnswers) {
  std::mt19937 rng(99);
  for (int round = 0; round < 5000; ++round) {
    KV_CHANNMOTION record;
    auto* bytes = reinterpret_cast<unsigned char*>(&record);
    for (size_t i = 0; i < sizeof record; ++i) bytes[i] = static_cast<unsigned char>(rng());
    const std::string text = ScheduleText(MarkSchedule(record));
    // Always 21 values, each "schedule_<day>_<j>=<signed 32-bit>&".
    size_t amps = 0;
    for (char c : text) amps += c == '&' ? 1 : 0;
    ASSERT_EQ(amps, 21u);
    // An answer of random pieces of keys, digits, signs and NUL bytes reads without harm.
    static const char* const kPieces[] = {"alarm_schedule_", "mon_", "sun_", "0", "1", "2", "=", "-", " ",
                                          "alarm_schedule_enable=", "alarm_motion_armed=", "4294967295", "\0", ";"};
    std::string answer;
    const int n = static_cast<int>(rng() % 40);
    for (int i = 0; i < n; ++i) {
      const char* piece = kPieces[rng() % (sizeof kPieces / sizeof kPieces[0])];
      answer += piece[0] == '\0' ? std::string(1, '\0') : std::string(piece);
    }
    std::unique_ptr<char[]> exact(new char[answer.size() + 1]);
    std::memcpy(exact.get(), answer.data(), answer.size());
    ReadMotionRecord(AnswerText(exact.get(), answer.size()), &record);
    ASSERT_LE(record.motionArmed, 1);
    for (int k = 0; k < 7; ++k) {
      ASSERT_LE(record.schedule[k].endHour * 60 + record.schedule[k].endMinute, 24 * 60);
      ASSERT_EQ(record.schedule[k].day, k);
    }
  }
}

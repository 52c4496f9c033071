#include "device_key.h"

#include <gtest/gtest.h>

#include <random>

using lookout::MakeCameraGuid;
using lookout::MakeDeviceKey;

namespace {
const std::wstring kLogitech =
    L"@device:pnp:\\\\?\\usb#vid_046d&pid_0825&mi_00#6&2b6a5f1&0&0000#"
    L"{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
}

TEST(DeviceKey, FromTheDisplayName) {
  EXPECT_EQ(MakeDeviceKey(kLogitech), L"usb046d08250062b6a5f100000");
  // The prefix is a set of characters: a bus name made of them goes with it.
  EXPECT_EQ(MakeDeviceKey(L"@device:pnp:\\\\?\\pci#ven_1234&dev_5678#3&11&0#{65e8773d}\\global"),
            L"ven_1234dev_56783110");
  EXPECT_EQ(MakeDeviceKey(L"@device:pnp:\\\\?\\root#media#0000#{65e8773d}"), L"root0000");
  EXPECT_EQ(MakeDeviceKey(L"@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\{ABC}"), L"[Noname]");
  EXPECT_EQ(MakeDeviceKey(L"#{65e8773d}"), L"[Noname]");  // "#{" at index 0
  EXPECT_EQ(MakeDeviceKey(L"@device:pnp:\\\\?\\#{x}"), L"");
}

TEST(DeviceKey, GuidFromTheDeviceName) {
  // "h" + "ost" = 104 + 111 + 115 + 116.
  EXPECT_EQ(MakeCameraGuid(kLogitech, "host"), L"kvvid046dpid0825446");
  // Bytes above 127 count as negative values: "A" (65) + 0xC4 (-60) + 0xE3 (-29).
  EXPECT_EQ(MakeCameraGuid(kLogitech, "A\xC4\xE3"), L"kvvid046dpid0825-24");
  EXPECT_EQ(MakeCameraGuid(kLogitech, ""), L"kvvid046dpid08250");
  EXPECT_EQ(MakeCameraGuid(kLogitech, "\xFF"), L"kvvid046dpid0825-1");
  // No "#": empty text.
  EXPECT_EQ(MakeCameraGuid(L"no hash here", "a"), L"kv97");
  // A search that finds nothing removes the first character; removals stop at the end.
  // "abc&de" -> no "_": "bc&de" -> "bcde" -> no "_": "cde" -> no "&": "de".
  EXPECT_EQ(MakeCameraGuid(L"x#abc&de#y", ""), L"kvde0");
  // "v_1&p_2&m" -> "v1&p_2&m" -> "v1p_2&m" -> "v1p2&m" -> six from "&": "v1p2".
  EXPECT_EQ(MakeCameraGuid(L"#v_1&p_2&m", ""), L"kvv1p20");
  EXPECT_EQ(MakeCameraGuid(L"#a#", ""), L"kv0");
  EXPECT_EQ(MakeCameraGuid(L"##", ""), L"kv0");
}

TEST(DeviceKey, RandomNamesNeverBreakTheRules) {
  std::mt19937 rng(7);
  const wchar_t kChars[] = L"#{&_@:\\?mediavidpi0123";
  for (int i = 0; i < 3000; ++i) {
    std::wstring text;
    for (size_t n = rng() % 60; n > 0; --n) text += kChars[rng() % (sizeof kChars / sizeof kChars[0] - 1)];
    std::wstring key = MakeDeviceKey(text);
    size_t cut = text.find(L"#{");
    if (cut == std::wstring::npos || cut == 0) {
      EXPECT_EQ(key, L"[Noname]");
    } else {
      EXPECT_EQ(key.find(L'&'), std::wstring::npos);
      EXPECT_EQ(key.find(L'#'), std::wstring::npos);
      EXPECT_LE(key.size(), cut);
    }
    std::wstring guid = MakeCameraGuid(text, "ab");
    EXPECT_EQ(guid.substr(0, 2), L"kv");
    EXPECT_EQ(guid.substr(guid.size() - 3), L"195");
  }
}

#include "sms_code.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <set>

using lookout::MakeVerificationCode;
using lookout::PercentEncodeUtf8;

TEST(VerificationCode, SwapsAsWorkedOutByHand) {
  EXPECT_EQ(MakeVerificationCode([] { return 3; }), L"412035");
  int next = 9;
  EXPECT_EQ(MakeVerificationCode([&] { return next--; }), L"123456");
  // Large and negative values still pick a position among the ten.
  EXPECT_EQ(MakeVerificationCode([] { return 32767; }).size(), 6u);
}

TEST(VerificationCode, SixDistinctDigitsForAnyGenerator) {
  std::mt19937 rng(99);
  std::set<std::wstring> seen;
  for (int i = 0; i < 2000; ++i) {
    std::wstring code = MakeVerificationCode([&] { return static_cast<int>(rng() % 32768); });
    ASSERT_EQ(code.size(), 6u);
    std::set<wchar_t> digits(code.begin(), code.end());
    EXPECT_EQ(digits.size(), 6u) << std::string(code.begin(), code.end());
    for (wchar_t c : code) EXPECT_TRUE(c >= L'0' && c <= L'9');
    seen.insert(code);
  }
  EXPECT_GT(seen.size(), 1000u);
}

TEST(SmsMessage, EncodedAsUtf8PercentGroups) {
  EXPECT_EQ(PercentEncodeUtf8(lookout::SmsMessageText(L"123456")),
            L"%E5%B0%8A%E6%95%AC%E7%9A%84%E5%AE%A2%E6%88%B7%3A%20%E6%82%A8%E6%9C%AC%E6%AC%A1%E5%9C%A8"
            L"%E6%B3%A8%E5%86%8C%E8%99%9A%E6%8B%9F%E8%AD%A6%E7%A4%BA%E5%99%A8%E5%B8%90%E5%8F%B7%E7%9A"
            L"%84%E9%9A%8F%E6%9C%BA%E9%AA%8C%E8%AF%81%E7%A0%81%E4%B8%BA123456");
  EXPECT_EQ(PercentEncodeUtf8(L"Az09-_.~ %&+"), L"Az09%2D%5F%2E%7E%20%25%26%2B");
  EXPECT_EQ(PercentEncodeUtf8(L"\u00E9"), L"%C3%A9");
  EXPECT_EQ(PercentEncodeUtf8(std::wstring(L"a\0b", 3)), L"a");  // stops at a zero
  // A character outside the BMP: four bytes, wherever wchar_t is 16 or 32 bits wide.
  std::wstring emoji = sizeof(wchar_t) == 2 ? std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}
                                            : std::wstring{wchar_t(0x1F600)};
  EXPECT_EQ(PercentEncodeUtf8(emoji), L"%F0%9F%98%80");
}

TEST(SmsMessage, RandomTextEncodesToSafeCharacters) {
  std::mt19937 rng(5);
  for (int i = 0; i < 500; ++i) {
    std::wstring text;
    for (size_t n = rng() % 30; n > 0; --n) text += static_cast<wchar_t>(1 + rng() % 0xD7FF);
    std::wstring out = PercentEncodeUtf8(text);
    // Undoing the groups gives the UTF-8 bytes back, and only unreserved letters are left bare.
    std::string bytes;
    for (size_t k = 0; k < out.size(); ++k) {
      wchar_t c = out[k];
      if (c == L'%') {
        ASSERT_LE(k + 2, out.size() - 1);
        bytes += static_cast<char>(std::stoi(std::string(out.begin() + k + 1, out.begin() + k + 3), nullptr, 16));
        k += 2;
      } else {
        ASSERT_TRUE((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'));
        bytes += static_cast<char>(c);
      }
    }
    EXPECT_EQ(bytes, lookout::Utf8FromWide(text));
  }
}

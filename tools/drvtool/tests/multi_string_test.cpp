// Registry multi-strings: the UpperFilters edit in its fixed buffer and the event-log list.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "multi_string.h"
#include "multi_sz.h"

namespace drvtool {
namespace {

std::u16string U(const char* text) {
  std::vector<uint8_t> b = B(text);
  return UnitsOf(b.data(), b.size());
}

const std::u16string kName = u"KvUsbCameraFilter";

TEST(MultiString, EntriesAsWindowsReadsThem) {
  EXPECT_EQ(MultiStringEntries(U("a|bc||")), (std::vector<std::u16string>{u"a", u"bc"}));
  EXPECT_EQ(MultiStringEntries(U("a|bc|")), (std::vector<std::u16string>{u"a", u"bc"}));
  EXPECT_EQ(MultiStringEntries(U("a|bc")), (std::vector<std::u16string>{u"a", u"bc"}));
  EXPECT_EQ(MultiStringEntries(U("a||hidden||")), (std::vector<std::u16string>{u"a"}));
  EXPECT_TRUE(MultiStringEntries(U("|")).empty());
  EXPECT_TRUE(MultiStringEntries(U("")).empty());
  EXPECT_TRUE(MultiStringHas(U("ksthunk|kvusbcamerafilter||"), kName));
  EXPECT_FALSE(MultiStringHas(U("ksthunk|KvUsbCameraFilter2||"), kName));
  EXPECT_FALSE(MultiStringHas(U("a||KvUsbCameraFilter||"), kName));  // after the list's end
  // An odd last byte is not a unit.
  std::vector<uint8_t> odd = B("a|");
  odd.push_back('b');
  EXPECT_EQ(UnitsOf(odd.data(), odd.size()), U("a|"));
}

TEST(MultiString, AppendKeepsTheDoubleTerminator) {
  EXPECT_EQ(BytesOf(MultiStringAppend(U(""), u"x")), B("x||"));
  EXPECT_EQ(BytesOf(MultiStringAppend(U("|"), u"x")), B("x||"));
  EXPECT_EQ(BytesOf(MultiStringAppend(U("||"), u"x")), B("x||"));
  EXPECT_EQ(BytesOf(MultiStringAppend(U("a|b||"), u"x")), B("a|b|x||"));
  // Mended: Sources without its double terminator (the new entry used to be glued on or the
  // terminator lost).
  EXPECT_EQ(BytesOf(MultiStringAppend(U("a|b|"), u"x")), B("a|b|x||"));
  EXPECT_EQ(BytesOf(MultiStringAppend(U("a|b"), u"x")), B("a|b|x||"));
  // What stood behind the list's end stays there.
  EXPECT_EQ(BytesOf(MultiStringAppend(U("a||old||"), u"x")), B("a|x||old||"));
}

TEST(MultiString, UpperFiltersAbsentPresentAndAlreadyThere) {
  uint8_t buf[256];
  std::memset(buf, 0xEE, sizeof buf);
  std::vector<uint8_t> old = B("ksthunk||");
  std::memcpy(buf, old.data(), old.size());
  size_t size = old.size();
  ASSERT_EQ(AddFilterEntry(buf, sizeof buf, &size, kName), FilterEdit::Added);
  std::vector<uint8_t> want = B("ksthunk|KvUsbCameraFilter||");
  ASSERT_EQ(size, want.size());
  EXPECT_EQ(std::vector<uint8_t>(buf, buf + size), want);
  EXPECT_EQ(buf[size], 0xEE);  // nothing written after the value

  std::vector<uint8_t> before(buf, buf + size);
  EXPECT_EQ(AddFilterEntry(buf, sizeof buf, &size, kName), FilterEdit::AlreadyPresent);
  EXPECT_EQ(std::vector<uint8_t>(buf, buf + size), before);
}

TEST(MultiString, UpperFiltersNeverPastItsBuffer) {
  // Mended: a value at or near 256 bytes was appended past the buffer.
  const size_t cap = 256;
  for (size_t units = 0; units <= cap / 2; ++units) {
    std::vector<uint8_t> mem(cap + 64, 0xEE);
    std::vector<uint8_t> value;
    for (size_t i = 0; i < units; ++i) {
      value.push_back(i + 2 >= units ? 0 : static_cast<uint8_t>('a' + i % 26));
      value.push_back(0);
    }
    if (!value.empty()) std::memcpy(mem.data(), value.data(), value.size());
    size_t size = value.size();
    FilterEdit r = AddFilterEntry(mem.data(), cap, &size, kName);
    for (size_t i = cap; i < mem.size(); ++i) ASSERT_EQ(mem[i], 0xEE) << units;
    if (r == FilterEdit::TooLong) {
      EXPECT_EQ(size, value.size());
      EXPECT_EQ(std::vector<uint8_t>(mem.begin(), mem.begin() + static_cast<std::ptrdiff_t>(size)), value);
    } else {
      ASSERT_EQ(r, FilterEdit::Added);
      ASSERT_LE(size, cap);
      ASSERT_GE(size, 4u);
      EXPECT_EQ(mem[size - 1] | mem[size - 2] | mem[size - 3] | mem[size - 4], 0);
      EXPECT_TRUE(MultiStringHas(UnitsOf(mem.data(), size), kName));
    }
    // The new value: the old entry and its terminator, the name, two zeros.
    size_t letters = units >= 2 ? units - 2 : 0;
    bool fits = (letters > 0 ? (letters + 1) * 2 : 0) + (kName.size() + 2) * 2 <= cap;
    EXPECT_EQ(r == FilterEdit::Added, fits) << units;
  }
}

TEST(MultiString, DamagedValuesKeepTheEditInBounds) {
  // Random, truncated and bit-flipped values: the edit stays inside the buffer and what it
  // writes is a terminated list holding the name and every entry it held before.
  uint32_t seed = 99;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  for (int round = 0; round < 5000; ++round) {
    const size_t cap = 256;
    std::vector<uint8_t> mem(cap + 16, 0xEE);
    size_t size = next() % (cap + 1);
    for (size_t i = 0; i < size; ++i) {
      uint32_t r = next() % 8;
      mem[i] = r < 3 ? 0 : static_cast<uint8_t>('A' + next() % 30);
    }
    std::vector<std::u16string> before = MultiStringEntries(UnitsOf(mem.data(), size));
    FilterEdit r = AddFilterEntry(mem.data(), cap, &size, kName);
    for (size_t i = cap; i < mem.size(); ++i) ASSERT_EQ(mem[i], 0xEE);
    ASSERT_LE(size, cap);
    if (r != FilterEdit::Added) continue;
    std::u16string units = UnitsOf(mem.data(), size);
    std::vector<std::u16string> after = MultiStringEntries(units);
    ASSERT_EQ(after.size(), before.size() + 1);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin()));
    EXPECT_EQ(after.back(), kName);
  }
}

TEST(MultiString, WideTextToUtf16) {
  EXPECT_EQ(ToUtf16(L"Kv\u6444"), u"Kv\u6444");
  EXPECT_EQ(ToUtf16(std::wstring(1, static_cast<wchar_t>(0x1F600))).size(), sizeof(wchar_t) == 2 ? 1u : 2u);
}

}  // namespace
}  // namespace drvtool

#include "camera_maps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using lookout::CameraInfo;
using lookout::CameraMap;

namespace {

CameraInfo Named(const std::wstring& guid, int cmd = 0) {
  CameraInfo c;
  lookout::SetField(c.GUID, guid);
  c.CMDID = cmd;
  return c;
}

// The walking order stated another way: sort the distinct keys by bucket, and within a
// bucket by the time each key was first added, latest first.
class ReferenceMap {
 public:
  void SetAt(const std::wstring& key, int value) {
    for (Item& i : items_) {
      if (i.key == key) {
        i.value = value;
        return;
      }
    }
    items_.push_back({key, value, static_cast<int>(items_.size()), Bucket(key)});
  }
  std::vector<std::pair<std::wstring, int>> Walk() const {
    std::vector<Item> sorted = items_;
    std::sort(sorted.begin(), sorted.end(), [](const Item& a, const Item& b) {
      return a.bucket != b.bucket ? a.bucket < b.bucket : a.added > b.added;
    });
    std::vector<std::pair<std::wstring, int>> out;
    for (const Item& i : sorted) out.emplace_back(i.key, i.value);
    return out;
  }

 private:
  struct Item {
    std::wstring key;
    int value, added;
    unsigned bucket;
  };
  // The hash as a polynomial in 33 reduced modulo 2^32, then modulo 17.
  static unsigned Bucket(const std::wstring& key) {
    unsigned long long h = 0;
    for (wchar_t c : key) h = (h * 33ull + static_cast<unsigned long long>(c)) % 4294967296ull;
    return static_cast<unsigned>(h % 17ull);
  }
  std::vector<Item> items_;
};

std::wstring RandomKey(std::mt19937& rng) {
  static const wchar_t kChars[] = L"abcdefghijklmnopqrstuvwxyz0123456789&#_\\?:@\u4E2D\u6587\u6444";
  size_t length = 1 + rng() % 40;
  std::wstring key;
  for (size_t i = 0; i < length; ++i) key += kChars[rng() % (sizeof kChars / sizeof kChars[0] - 1)];
  return key;
}

}  // namespace

TEST(CameraMap, BucketsOfKnownKeys) {
  // Worked out by hand: "a" = 97 and "r" = 114 both fall in bucket 12, "ab" = 97*33+98 in 1.
  EXPECT_EQ(CameraMap::HashKey(L"a") % 17, 12u);
  EXPECT_EQ(CameraMap::HashKey(L"r") % 17, 12u);
  EXPECT_EQ(CameraMap::HashKey(L"ab"), 3299u);
  // Wraps around 2^32.
  EXPECT_EQ(CameraMap::HashKey(L"usb046d08250062b6a5f100000"), 1285449684u);
  EXPECT_EQ(CameraMap::HashKey(L"\u4E2D\u6587\u6444\u50CF\u5934"), 3221697019u);

  CameraMap m;
  m.SetAt(L"a", Named(L"first"));
  m.SetAt(L"b", Named(L"b"));
  m.SetAt(L"r", Named(L"r"));
  m.SetAt(L"ab", Named(L"ab"));
  EXPECT_EQ(m.Keys(), (std::vector<std::wstring>{L"ab", L"r", L"a", L"b"}));

  // Replacing keeps the entry's place.
  m.SetAt(L"a", Named(L"second", 131));
  EXPECT_EQ(m.Keys(), (std::vector<std::wstring>{L"ab", L"r", L"a", L"b"}));
  EXPECT_EQ(std::wstring(m.Lookup(L"a")->GUID), L"second");
  EXPECT_EQ(m.Lookup(L"a")->CMDID, 131);
  EXPECT_EQ(m.GetCount(), 4u);
  EXPECT_EQ(m.Lookup(L"A"), nullptr);  // keys compare exactly

  EXPECT_TRUE(m.RemoveKey(L"r"));
  EXPECT_FALSE(m.RemoveKey(L"r"));
  EXPECT_EQ(m.Keys(), (std::vector<std::wstring>{L"ab", L"a", L"b"}));
  m.RemoveAll();
  EXPECT_TRUE(m.IsEmpty());
  EXPECT_TRUE(m.Keys().empty());
}

TEST(CameraMap, WalkingOrderMatchesReferenceOverRandomKeys) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 5; ++round) {
    CameraMap m;
    ReferenceMap ref;
    std::vector<std::wstring> used;
    for (int i = 0; i < 300; ++i) {
      // Every fourth step revisits a key already present.
      std::wstring key = (!used.empty() && rng() % 4 == 0) ? used[rng() % used.size()] : RandomKey(rng);
      used.push_back(key);
      m.SetAt(key, Named(L"", i));
      ref.SetAt(key, i);
    }
    std::vector<std::pair<std::wstring, int>> walked;
    m.ForEach([&](const CameraMap::Entry& e) { walked.emplace_back(e.key, e.value.CMDID); });
    ASSERT_EQ(walked, ref.Walk()) << "round " << round;
  }
}

TEST(CameraInfo, FieldsCutOrLeftEmpty) {
  CameraInfo c;
  lookout::SetField(c.GUID, std::wstring(70, L'g'));
  EXPECT_EQ(std::wstring(c.GUID), std::wstring(64, L'g'));
  lookout::SetFieldIfFits(c.GUID, std::wstring(65, L'h'));
  EXPECT_EQ(std::wstring(c.GUID), L"");
  lookout::SetFieldIfFits(c.GUID, std::wstring(64, L'h'));
  EXPECT_EQ(std::wstring(c.GUID), std::wstring(64, L'h'));
}

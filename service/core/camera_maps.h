// The local cameras: one record per capture device, kept in two hash maps whose walking
// order fixes the order of the settings sections, the menu command ids and the default
// camera. Walking visits buckets 0 to 16; within a bucket the newest key comes first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lookout {

struct CameraInfo {
  int32_t NOTIPS = 0;
  int32_t CMDID = 0;
  wchar_t GUID[65] = {};
  wchar_t CameraName[129] = {};
  wchar_t DisplayName[129] = {};
};

// Copies at most N - 1 characters and terminates.
template <size_t N>
void SetField(wchar_t (&field)[N], const std::wstring& text) {
  size_t n = text.size() < N - 1 ? text.size() : N - 1;
  text.copy(field, n);
  field[n] = L'\0';
}

// Takes `text` only when it fits whole; otherwise the field is left empty.
template <size_t N>
void SetFieldIfFits(wchar_t (&field)[N], const std::wstring& text) {
  if (text.size() < N) {
    SetField(field, text);
  } else {
    field[0] = L'\0';
  }
}

class CameraMap {
 public:
  static constexpr uint32_t kBuckets = 17;

  // h = h * 33 + u over the key's UTF-16 code units, unsigned 32-bit.
  static uint32_t HashKey(const std::wstring& key);

  // Replaces the value of a present key in place; a new key goes first in its bucket.
  void SetAt(const std::wstring& key, const CameraInfo& value);
  CameraInfo* Lookup(const std::wstring& key);
  const CameraInfo* Lookup(const std::wstring& key) const;
  bool RemoveKey(const std::wstring& key);
  void RemoveAll();
  size_t GetCount() const;
  bool IsEmpty() const { return GetCount() == 0; }

  struct Entry {
    std::wstring key;
    CameraInfo value;
  };
  // Calls f(const Entry&) or f(Entry&) in walking order.
  template <typename F>
  void ForEach(F f) const {
    for (const auto& bucket : buckets_)
      for (const Entry& e : bucket) f(e);
  }
  template <typename F>
  void ForEach(F f) {
    for (auto& bucket : buckets_)
      for (Entry& e : bucket) f(e);
  }
  // The keys in walking order.
  std::vector<std::wstring> Keys() const;

 private:
  // Each bucket is kept newest first.
  std::vector<Entry> buckets_[kBuckets];
};

}  // namespace lookout

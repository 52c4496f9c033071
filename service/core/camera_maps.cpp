#include "camera_maps.h"

namespace lookout {

uint32_t CameraMap::HashKey(const std::wstring& key) {
  uint32_t h = 0;
  for (wchar_t c : key) {
    uint32_t u = static_cast<uint32_t>(c);
    if (sizeof(wchar_t) > 2 && u > 0xFFFF) {
      // Where wchar_t is wider, a code point outside the BMP counts as its two UTF-16 units.
      u -= 0x10000;
      h = h * 33 + (0xD800 + (u >> 10));
      h = h * 33 + (0xDC00 + (u & 0x3FF));
    } else {
      h = h * 33 + u;
    }
  }
  return h;
}

void CameraMap::SetAt(const std::wstring& key, const CameraInfo& value) {
  if (CameraInfo* present = Lookup(key)) {
    *present = value;
    return;
  }
  auto& bucket = buckets_[HashKey(key) % kBuckets];
  bucket.insert(bucket.begin(), Entry{key, value});
}

CameraInfo* CameraMap::Lookup(const std::wstring& key) {
  for (Entry& e : buckets_[HashKey(key) % kBuckets])
    if (e.key == key) return &e.value;
  return nullptr;
}

const CameraInfo* CameraMap::Lookup(const std::wstring& key) const {
  return const_cast<CameraMap*>(this)->Lookup(key);
}

bool CameraMap::RemoveKey(const std::wstring& key) {
  auto& bucket = buckets_[HashKey(key) % kBuckets];
  for (auto it = bucket.begin(); it != bucket.end(); ++it) {
    if (it->key == key) {
      bucket.erase(it);
      return true;
    }
  }
  return false;
}

void CameraMap::RemoveAll() {
  for (auto& bucket : buckets_) bucket.clear();
}

size_t CameraMap::GetCount() const {
  size_t n = 0;
  for (const auto& bucket : buckets_) n += bucket.size();
  return n;
}

std::vector<std::wstring> CameraMap::Keys() const {
  std::vector<std::wstring> keys;
  ForEach([&](const Entry& e) { keys.push_back(e.key); });
  return keys;
}

}  // namespace lookout

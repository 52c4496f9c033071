#include "answer_values.h"

#include <cstring>

namespace quilgate {

namespace {

// First occurrence of key in [begin, end); null when absent.
const char* Search(const char* begin, const char* end, const char* key, size_t keyLength) {
  if (keyLength == 0 || static_cast<size_t>(end - begin) < keyLength) return nullptr;
  for (const char* p = begin; p + keyLength <= end; ++p) {
    if (*p == key[0] && std::memcmp(p, key, keyLength) == 0) return p;
  }
  return nullptr;
}

bool ParseAfterEquals(const char* p, const char* end, int32_t* value) {
  while (p < end && *p != '=') ++p;
  if (p == end) return false;
  ++p;
  while (p < end && *p == ' ') ++p;
  bool negative = false;
  if (p < end && *p == '-') {
    negative = true;
    ++p;
  }
  uint32_t v = 0;
  for (; p < end && *p >= '0' && *p <= '9'; ++p) v = v * 10u + static_cast<uint32_t>(*p - '0');
  if (negative) v = 0u - v;
  *value = static_cast<int32_t>(v);
  return true;
}

}  // namespace

bool AnswerText::Find(const char* key, int32_t* value) const {
  if (key == nullptr) return false;
  const size_t keyLength = std::strlen(key);
  const char* end = data_ + size_;
  for (const char* piece = data_; piece < end;) {
    const char* pieceEnd = static_cast<const char*>(std::memchr(piece, '\0', static_cast<size_t>(end - piece)));
    if (pieceEnd == nullptr) pieceEnd = end;
    if (const char* at = Search(piece, pieceEnd, key, keyLength)) {
      return ParseAfterEquals(at + keyLength, pieceEnd, value);
    }
    piece = pieceEnd + 1;
  }
  return false;
}

int32_t AnswerText::Value(const char* key) const {
  int32_t v = -1;
  return Find(key, &v) ? v : -1;
}

}  // namespace quilgate

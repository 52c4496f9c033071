#include "text_codec.h"

#include <cstring>

namespace camshare {

std::string CutAnsi(const std::string& text, size_t maxBytes, const TextCodec& codec) {
  size_t at = 0;
  while (at < text.size()) {
    size_t width = codec.IsLeadByte(static_cast<unsigned char>(text[at])) ? 2 : 1;
    if (at + width > maxBytes) break;
    at += width;
  }
  if (at > text.size()) at = text.size();
  return text.substr(0, at);
}

void PutField(char* field, size_t capacity, const char* text, const TextCodec& codec) {
  std::memset(field, 0, capacity);
  if (text == nullptr || capacity == 0) return;
  std::string cut = CutAnsi(text, capacity - 1, codec);
  std::memcpy(field, cut.data(), cut.size());
}

std::string FieldText(const char* field, size_t capacity) {
  size_t n = 0;
  while (n < capacity && field[n] != '\0') ++n;
  return std::string(field, n);
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace camshare

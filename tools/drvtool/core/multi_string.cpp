#include "multi_string.h"

#include <cstring>

namespace drvtool {

namespace {

char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool SameName(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

// Index of the list's end: the zero unit of its first empty entry, or units.size().
size_t ListEnd(const std::u16string& units) {
  size_t i = 0;
  while (i < units.size()) {
    if (units[i] == 0) return i;
    size_t zero = units.find(u'\0', i);
    if (zero == std::u16string::npos) return units.size();
    i = zero + 1;
  }
  return units.size();
}

}  // namespace

std::u16string ToUtf16(const std::wstring& text) {
  std::u16string out;
  out.reserve(text.size());
  for (wchar_t wc : text) {
    uint32_t c = static_cast<uint32_t>(wc);
    if (sizeof(wchar_t) > 2 && c > 0xFFFF && c <= 0x10FFFF) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c > 0xFFFF ? 0xFFFD : c));
    }
  }
  return out;
}

std::u16string UnitsOf(const uint8_t* data, size_t size) {
  std::u16string units(size / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  return units;
}

std::vector<uint8_t> BytesOf(const std::u16string& units) {
  std::vector<uint8_t> bytes(units.size() * 2);
  for (size_t i = 0; i < units.size(); ++i) {
    bytes[2 * i] = static_cast<uint8_t>(units[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<uint8_t>(units[i] >> 8);
  }
  return bytes;
}

std::vector<std::u16string> MultiStringEntries(const std::u16string& units) {
  std::vector<std::u16string> entries;
  size_t end = ListEnd(units);
  size_t i = 0;
  while (i < end) {
    size_t zero = units.find(u'\0', i);
    if (zero == std::u16string::npos || zero > end) zero = end;
    entries.push_back(units.substr(i, zero - i));
    i = zero + 1;
  }
  return entries;
}

bool MultiStringHas(const std::u16string& units, const std::u16string& name) {
  for (const std::u16string& e : MultiStringEntries(units))
    if (SameName(e, name)) return true;
  return false;
}

std::u16string MultiStringAppend(const std::u16string& units, const std::u16string& name) {
  size_t end = ListEnd(units);
  std::u16string out = units.substr(0, end);
  if (end > 0 && units[end - 1] != 0) out.push_back(u'\0');  // the last entry had no terminator
  out += name;
  out.push_back(u'\0');
  out.push_back(u'\0');
  if (end < units.size()) {
    std::u16string rest = units.substr(end + 1);
    if (rest.find_first_not_of(u'\0') != std::u16string::npos) out += rest;
  }
  return out;
}

FilterEdit AddFilterEntry(uint8_t* buffer, size_t capacity, size_t* size, const std::u16string& name) {
  size_t used = *size < capacity ? *size : capacity;
  std::u16string units = UnitsOf(buffer, used);
  if (MultiStringHas(units, name)) return FilterEdit::AlreadyPresent;
  std::vector<uint8_t> bytes = BytesOf(MultiStringAppend(units, name));
  if (bytes.size() > capacity) return FilterEdit::TooLong;
  std::memcpy(buffer, bytes.data(), bytes.size());
  *size = bytes.size();
  return FilterEdit::Added;
}

}  // namespace drvtool

// A stand-in for the system's text conversions: Latin-1 as the ANSI code page, or (with
// `doubleByte`) a code page whose bytes 0x81-0xFE start two-byte characters.
#pragma once

#include <string>

#include "text_codec.h"

namespace camshare::test {

class FakeCodec : public TextCodec {
 public:
  explicit FakeCodec(bool doubleByte = false) : doubleByte_(doubleByte) {}

  std::wstring AnsiToWide(const std::string& text) const override {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
      unsigned char b = static_cast<unsigned char>(text[i]);
      if (IsLeadByte(b) && i + 1 < text.size()) {
        b = static_cast<unsigned char>(text[++i]);
        out.push_back(static_cast<wchar_t>(kPair + (static_cast<unsigned char>(text[i - 1]) << 8) + b));
      } else {
        out.push_back(static_cast<wchar_t>(b));
      }
    }
    return out;
  }
  std::string WideToAnsi(const std::wstring& text) const override {
    std::string out;
    for (wchar_t w : text) {
      unsigned long c = static_cast<unsigned long>(w);
      if (c < 0x100 && !IsLeadByte(static_cast<unsigned char>(c))) {
        out.push_back(static_cast<char>(c));
      } else if (doubleByte_ && c >= kPair && c < kPair + 0x10000) {
        out.push_back(static_cast<char>((c - kPair) >> 8));
        out.push_back(static_cast<char>(c - kPair));
      } else {
        out.push_back('?');
      }
    }
    return out;
  }
  // Only ever given well-formed text here; a sequence cut short becomes U+FFFD.
  std::wstring Utf8ToWide(const std::string& text) const override {
    std::wstring out;
    for (size_t i = 0; i < text.size();) {
      unsigned char c = static_cast<unsigned char>(text[i]);
      size_t follow = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
      if (i + follow >= text.size() && follow > 0) {
        out.push_back(static_cast<wchar_t>(0xFFFD));
        break;
      }
      unsigned long cp = follow == 0 ? c : (c & (0x3Fu >> follow));
      for (size_t k = 1; k <= follow; ++k) cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
      out.push_back(static_cast<wchar_t>(cp));
      i += follow + 1;
    }
    return out;
  }
  bool IsLeadByte(unsigned char byte) const override { return doubleByte_ && byte >= 0x81 && byte <= 0xFE; }

 private:
  static constexpr unsigned long kPair = 0x20000;  // host wide characters are 32-bit
  bool doubleByte_;
};

}  // namespace camshare::test

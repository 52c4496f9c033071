#include "sms_code.h"

#include <cstdint>
#include <utility>

namespace lookout {

std::wstring MakeVerificationCode(const std::function<int()>& rand) {
  std::wstring digits = L"1234567890";
  for (int i = 0; i < 10; ++i) {
    int r = rand() % 10;
    if (r < 0) r += 10;
    std::swap(digits[static_cast<size_t>(i)], digits[static_cast<size_t>(r)]);
  }
  return digits.substr(0, 6);
}

std::wstring SmsMessageText(const std::wstring& code) {
  return L"尊敬的客户: 您本次在注册虚拟警示器帐号的随机验证码为" + code;
}

std::string Utf8FromWide(const std::wstring& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = static_cast<uint32_t>(text[i]);
    if (sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDFFF) {
      uint32_t low = i + 1 < text.size() ? static_cast<uint32_t>(text[i + 1]) : 0;
      if (c <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      } else {
        c = 0xFFFD;
      }
    } else if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::wstring PercentEncodeUtf8(const std::wstring& text) {
  std::wstring out;
  for (unsigned char b : Utf8FromWide(text)) {
    if (b == 0) break;
    if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) {
      out += static_cast<wchar_t>(b);
    } else {
      static const char kHex[] = "0123456789ABCDEF";
      out += L'%';
      out += static_cast<wchar_t>(kHex[b >> 4]);
      out += static_cast<wchar_t>(kHex[b & 15]);
    }
  }
  return out;
}

}  // namespace lookout

#include "win_text_codec.h"

#include <windows.h>

namespace camshare::win {

namespace {

std::wstring ToWide(UINT codePage, const std::string& text) {
  if (text.empty()) return std::wstring();
  int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
  return out;
}

}  // namespace

std::wstring AnsiCodec::AnsiToWide(const std::string& text) const { return ToWide(CP_ACP, text); }

std::wstring AnsiCodec::Utf8ToWide(const std::string& text) const { return ToWide(CP_UTF8, text); }

std::string AnsiCodec::WideToAnsi(const std::wstring& text) const {
  if (text.empty()) return std::string();
  int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr,
                      nullptr);
  return out;
}

bool AnsiCodec::IsLeadByte(unsigned char byte) const { return IsDBCSLeadByte(byte) != FALSE; }

const AnsiCodec& AnsiCodec::Instance() {
  static const AnsiCodec codec;
  return codec;
}

}  // namespace camshare::win

#include <windows.h>

#include <string>

#include "code_page.h"

namespace veneer {
namespace {

bool ToWide(UINT codePage, const std::string& in, std::wstring* out) {
  out->clear();
  if (in.empty()) return true;
  const int size = static_cast<int>(in.size());
  int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), size, nullptr, 0);
  if (n <= 0) return false;
  out->resize(static_cast<size_t>(n));
  return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), size, &(*out)[0], n) == n;
}

bool FromWide(UINT codePage, const std::wstring& in, std::string* out) {
  out->clear();
  if (in.empty()) return true;
  const int size = static_cast<int>(in.size());
  // UTF-8 takes neither flag; an ANSI page must not put look-alikes or '?' in a name.
  const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL lossy = FALSE;
  BOOL* lossyOut = codePage == CP_UTF8 ? nullptr : &lossy;
  int n = WideCharToMultiByte(codePage, flags, in.data(), size, nullptr, 0, nullptr, lossyOut);
  if (n <= 0 || lossy) return false;
  out->resize(static_cast<size_t>(n));
  return WideCharToMultiByte(codePage, flags, in.data(), size, &(*out)[0], n, nullptr, lossyOut) == n &&
         !lossy;
}

}  // namespace

bool SystemCodePageToUtf8(const std::string& text, std::string* utf8) {
  std::wstring wide;
  return ToWide(CP_ACP, text, &wide) && FromWide(CP_UTF8, wide, utf8);
}

bool Utf8ToSystemCodePage(const std::string& utf8, std::string* text) {
  std::wstring wide;
  return ToWide(CP_UTF8, utf8, &wide) && FromWide(CP_ACP, wide, text);
}

}  // namespace veneer

#include "platform_urls.h"

namespace lookout {

std::wstring FormatUrl(const wchar_t* format, std::initializer_list<std::wstring> args) {
  std::wstring out;
  auto next = args.begin();
  for (const wchar_t* p = format; *p != L'\0' && out.size() <= kMaxUrlLength; ++p) {
    if (p[0] == L'%' && p[1] == L's') {
      if (next != args.end()) out += *next++;
      ++p;
    } else {
      out += *p;
    }
  }
  if (out.size() > kMaxUrlLength) out.resize(kMaxUrlLength);
  return out;
}

std::wstring BrowserCommandLine(const std::wstring& url) { return L"explorer \"" + url + L"\""; }

}  // namespace lookout

#include <errno.h>
#include <iconv.h>

#include <vector>

#include "code_page.h"

namespace veneer {
namespace {

bool Convert(const char* to, const char* from, const std::string& in, std::string* out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::vector<char> buffer(in.size() * 4 + 4);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = buffer.data();
  size_t dstLeft = buffer.size();
  const bool ok = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1) &&
                  srcLeft == 0;
  iconv_close(cd);
  if (!ok) return false;
  out->assign(buffer.data(), buffer.size() - dstLeft);
  return true;
}

}  // namespace

bool SystemCodePageToUtf8(const std::string& text, std::string* utf8) {
  return Convert("UTF-8", "GBK", text, utf8);
}

bool Utf8ToSystemCodePage(const std::string& utf8, std::string* text) {
  return Convert("GBK", "UTF-8", utf8, text);
}

}  // namespace veneer

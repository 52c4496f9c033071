// Package record names are 8-bit text in the system code page (the ANSI code page on
// Windows). Hosts without one (the packer on Linux) use GBK, the code page of the program's
// users. Both directions fail on text the other side cannot represent.
#pragma once

#include <string>

namespace veneer {

bool SystemCodePageToUtf8(const std::string& text, std::string* utf8);
bool Utf8ToSystemCodePage(const std::string& utf8, std::string* text);

}  // namespace veneer

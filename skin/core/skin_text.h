// Text helpers shared by the platform-free parts: UTF-8 <-> wide, and the number rules of
// the skin value syntax.
#pragma once

#include <string>
#include <vector>

namespace veneer {

std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);

// Like _wtoi: leading blanks, an optional sign, then digits up to the first other
// character; 0 when there are none; saturates instead of overflowing.
int WToI(const std::wstring& text);

// Splits at every `separator`; an empty text gives one empty part.
std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator);

}  // namespace veneer

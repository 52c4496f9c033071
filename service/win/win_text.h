// Text conversions between wide strings and the system code page.
#pragma once

#include <string>

namespace lookout {

std::string WideToAnsi(const std::wstring& text);
std::wstring AnsiToWide(const std::string& text);

// The full path of a module (null: the program), at most 260 characters.
std::wstring ModulePath(void* module = nullptr);

}  // namespace lookout

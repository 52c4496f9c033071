// The running program's folder with its trailing separator (long path form on Windows).
#pragma once

#include <string>

namespace veneer {

std::wstring ProgramFolder();

#ifdef _WIN32
constexpr wchar_t kPathSeparator = L'\\';
#else
constexpr wchar_t kPathSeparator = L'/';
#endif

}  // namespace veneer

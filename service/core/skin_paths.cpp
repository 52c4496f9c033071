#include "skin_paths.h"

#include <cstdio>

namespace lookout {

SkinPaths MakeSkinPaths(const std::wstring& tempPath, const std::wstring& programFolder,
                        uint32_t processId) {
  SkinPaths p;
  std::wstring temp = tempPath;
  if (temp.empty() || temp.back() != L'\\') temp += L'\\';
  char hex[16];
  std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(processId));
  p.tempFolder = temp + L"vskn" + std::wstring(hex, hex + std::char_traits<char>::length(hex)) + L"\\";
  p.package = programFolder + L"ZOSkin\\rara_hard.vskn";
  p.workingCopy = p.tempFolder + L"acel_hard.vskn";
  p.skinFolder = p.tempFolder + L"skins";
  return p;
}

std::wstring FolderOf(const std::wstring& path) {
  size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

}  // namespace lookout

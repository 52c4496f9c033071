// Folder and base name of a Windows or plain path, as text.
#pragma once

#include <string>

namespace lantern {

inline bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

// Everything up to and including the last separator ("X:" for a bare drive path; empty
// when there is neither).
inline std::string PathFolder(const std::string& path) {
  size_t last = path.find_last_of("\\/");
  if (last != std::string::npos) return path.substr(0, last + 1);
  if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
  return std::string();
}

// The file name without folder, drive and extension.
inline std::string PathBaseName(const std::string& path) {
  size_t start = path.find_last_of("\\/");
  start = (start == std::string::npos) ? 0 : start + 1;
  if (start == 0 && path.size() >= 2 && path[1] == ':') start = 2;
  std::string base = path.substr(start);
  size_t dot = base.find_last_of('.');
  if (dot != std::string::npos) base.erase(dot);
  return base;
}

}  // namespace lantern

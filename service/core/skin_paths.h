// Where the skin package lives and where it is unpacked for one process.
#pragma once

#include <cstdint>
#include <string>

namespace lookout {

struct SkinPaths {
  std::wstring tempFolder;   // <temp>\vskn<pid in upper-case hex>\ (kept after exit)
  std::wstring package;      // <program folder>ZOSkin\rara_hard.vskn
  std::wstring workingCopy;  // <temp folder>acel_hard.vskn
  std::wstring skinFolder;   // <temp folder>skins
};

// `tempPath` is the user's temporary folder (a trailing "\" is added when missing);
// `programFolder` is the program's drive and folder, ending in "\".
SkinPaths MakeSkinPaths(const std::wstring& tempPath, const std::wstring& programFolder,
                        uint32_t processId);

// Drive and folder of a full path, ending in "\" (empty when the path has no "\").
std::wstring FolderOf(const std::wstring& path);

}  // namespace lookout

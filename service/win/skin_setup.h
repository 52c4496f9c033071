// The skin at start-up and exit: the package deciphered into a working copy and unpacked
// into a per-process folder, the language table of that folder, and the skin settings
// folder with the menu font.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "skin_paths.h"

namespace lookout {

// The paths for this process, with the per-process folder created.
SkinPaths PrepareSkinPaths();

// Deletes the working copy and the unpacked folder, deciphers the package into the working
// copy and unpacks it. A missing or damaged package leaves no files and is no error.
void UnpackSkin(const SkinPaths& paths);
// Deletes the working copy and the unpacked folder; the per-process folder stays.
void RemoveSkinFiles(const SkinPaths& paths);

// Deletes what the folder holds (files with the archive or normal attribute, sub-folders
// that are neither hidden nor system) and then the folder itself.
void DeleteFolder(const std::wstring& folder);

// Every "*.ini" of the skin folder with a non-zero "CodePage" and a non-empty "Language" in
// section "Info".
class CLanguageTable {
 public:
  struct Language {
    std::wstring name;
    std::wstring path;
    UINT codePage;
  };
  void Load(const std::wstring& folder);
  void Free() { m_languages.clear(); }
  const std::vector<Language>& Languages() const { return m_languages; }

 private:
  std::vector<Language> m_languages;
};

// Where "skins.ini" and the skin's pictures are read from.
class CSkinSettings {
 public:
  ~CSkinSettings() { DeleteMenuFont(); }
  // Also creates the menu font from the system's non-client metrics.
  void SetFolder(const std::wstring& folder, bool substituteBitmaps);
  void DeleteMenuFont();
  const std::wstring& Folder() const { return m_folder; }
  bool SubstitutesBitmaps() const { return m_substitute; }
  HFONT MenuFont() const { return m_menuFont; }

 private:
  std::wstring m_folder;
  bool m_substitute = false;
  HFONT m_menuFont = nullptr;
};

}  // namespace lookout

#include "skin_setup.h"

#include <fstream>
#include <iterator>

#include "VeneerPackage.h"
#include "win_text.h"

namespace lookout {

SkinPaths PrepareSkinPaths() {
  wchar_t temp[MAX_PATH + 1] = {};
  DWORD n = GetTempPathW(MAX_PATH, temp);
  SkinPaths paths = MakeSkinPaths(std::wstring(temp, n <= MAX_PATH ? n : 0), FolderOf(ModulePath()),
                                  GetCurrentProcessId());
  // Every missing parent too.
  for (size_t at = paths.tempFolder.find(L'\\', 3); at != std::wstring::npos;
       at = paths.tempFolder.find(L'\\', at + 1))
    CreateDirectoryW(paths.tempFolder.substr(0, at).c_str(), nullptr);
  return paths;
}

void RemoveSkinFiles(const SkinPaths& paths) {
  DeleteFileW(paths.workingCopy.c_str());
  DeleteFolder(paths.skinFolder);
}

void UnpackSkin(const SkinPaths& paths) {
  RemoveSkinFiles(paths);
  std::vector<uint8_t> data;
  {
    std::ifstream in(std::filesystem::path(paths.package), std::ios::binary);
    if (!in) return;
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  veneer::DecipherPackage(data, veneer::kSkinPackageKey);
  {
    std::ofstream out(std::filesystem::path(paths.workingCopy), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (!out) return;
  }
  std::ifstream in(std::filesystem::path(paths.workingCopy), std::ios::binary);
  std::vector<uint8_t> plain((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  veneer::UnpackPlainPackage(plain, std::filesystem::path(paths.skinFolder));
}

void DeleteFolder(const std::wstring& folder) {
  std::wstring base = folder;
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((base + L"*.*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      DWORD a = found.dwFileAttributes;
      if (a & FILE_ATTRIBUTE_DIRECTORY) {
        if (name != L"." && name != L".." && !(a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
          DeleteFolder(base + name);
      } else if (a & (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL)) {
        DeleteFileW((base + name).c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

void CLanguageTable::Load(const std::wstring& folder) {
  m_languages.clear();
  std::wstring base = folder;
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((base + L"*.ini").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    std::wstring path = base + found.cFileName;
    UINT codePage = GetPrivateProfileIntW(L"Info", L"CodePage", 0, path.c_str());
    wchar_t name[256] = {};
    GetPrivateProfileStringW(L"Info", L"Language", L"", name, 256, path.c_str());
    if (codePage != 0 && name[0] != L'\0') m_languages.push_back({name, path, codePage});
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

void CSkinSettings::SetFolder(const std::wstring& folder, bool substituteBitmaps) {
  m_folder = folder;
  if (!m_folder.empty() && m_folder.back() != L'\\') m_folder += L'\\';
  m_substitute = substituteBitmaps;
  DeleteMenuFont();
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
    m_menuFont = CreateFontIndirectW(&metrics.lfMenuFont);
}

void CSkinSettings::DeleteMenuFont() {
  if (m_menuFont != nullptr) DeleteObject(m_menuFont);
  m_menuFont = nullptr;
}

}  // namespace lookout

// Texts of the windows: a text id is looked up in the current language file (section
// "String", or "Common" for the message-box caption), else in the program's string table.
// The profile reader over a file, used for the language and skin files.
#pragma once

#include <windows.h>

#include <string>

#include "skin_values.h"

namespace lookout {

class ProfileFileReader : public ProfileReader {
 public:
  explicit ProfileFileReader(std::wstring path) : m_path(std::move(path)) {}
  std::wstring GetString(const wchar_t* section, const wchar_t* key, const wchar_t* fallback) override;
  int GetInt(const wchar_t* section, const wchar_t* key, int fallback) override;
  const std::wstring& Path() const { return m_path; }

 private:
  std::wstring m_path;
};

// The string table's text.
std::wstring ResourceText(UINT id);
// Window and message texts ("String").
std::wstring LoadText(UINT id);
// The message-box caption ("Common").
std::wstring LoadCommonText(UINT id);

// The language file in use; empty: none (the string table is used).
void SelectLanguageFile(const std::wstring& path);
const std::wstring& LanguageFile();

// Window titles in section "Title" of the language file, by dialog id; empty without one.
std::wstring ReadWindowTitle(UINT dialogId);
bool WriteWindowTitle(UINT dialogId, const std::wstring& title);

}  // namespace lookout

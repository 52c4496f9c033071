#include "ui_text.h"

#include <vector>

namespace lookout {
namespace {

std::wstring g_languageFile;

std::wstring FromLanguage(const wchar_t* section, UINT id) {
  if (g_languageFile.empty()) return std::wstring();
  ProfileFileReader file(g_languageFile);
  return WithLineBreaks(file.GetString(section, std::to_wstring(id).c_str(), L""));
}

}  // namespace

std::wstring ProfileFileReader::GetString(const wchar_t* section, const wchar_t* key, const wchar_t* fallback) {
  std::vector<wchar_t> value(2048, L'\0');
  DWORD n = GetPrivateProfileStringW(section, key, fallback, value.data(), static_cast<DWORD>(value.size()),
                                     m_path.c_str());
  return std::wstring(value.data(), n);
}

int ProfileFileReader::GetInt(const wchar_t* section, const wchar_t* key, int fallback) {
  return static_cast<int>(GetPrivateProfileIntW(section, key, fallback, m_path.c_str()));
}

std::wstring ResourceText(UINT id) {
  const wchar_t* text = nullptr;
  // The string as stored in the resource, without a length limit.
  int n = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
  return n > 0 && text != nullptr ? std::wstring(text, static_cast<size_t>(n)) : std::wstring();
}

std::wstring LoadText(UINT id) {
  std::wstring text = FromLanguage(L"String", id);
  return text.empty() ? ResourceText(id) : text;
}

std::wstring LoadCommonText(UINT id) {
  std::wstring text = FromLanguage(L"Common", id);
  return text.empty() ? ResourceText(id) : text;
}

void SelectLanguageFile(const std::wstring& path) { g_languageFile = path; }
const std::wstring& LanguageFile() { return g_languageFile; }

std::wstring ReadWindowTitle(UINT dialogId) {
  if (g_languageFile.empty()) return std::wstring();
  ProfileFileReader file(g_languageFile);
  return WithLineBreaks(file.GetString(L"Title", std::to_wstring(dialogId).c_str(), L""));
}

bool WriteWindowTitle(UINT dialogId, const std::wstring& title) {
  if (g_languageFile.empty()) return false;
  return WritePrivateProfileStringW(L"Title", std::to_wstring(dialogId).c_str(), title.c_str(),
                                    g_languageFile.c_str()) != FALSE;
}

}  // namespace lookout

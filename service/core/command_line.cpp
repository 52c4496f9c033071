#include "command_line.h"

namespace lookout {
namespace {

wchar_t LowerAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = LowerAscii(c);
  return text;
}

void TrimBoth(std::wstring& text, wchar_t c) {
  size_t first = text.find_first_not_of(c);
  if (first == std::wstring::npos) {
    text.clear();
    return;
  }
  size_t last = text.find_last_not_of(c);
  text = text.substr(first, last - first + 1);
}

void TrimLeading(std::wstring& text, wchar_t c) {
  size_t first = text.find_first_not_of(c);
  text = first == std::wstring::npos ? std::wstring() : text.substr(first);
}

}  // namespace

CommandWord ParseCommandLine(const std::wstring& commandLine) {
  std::wstring text = Lower(commandLine);
  // Drops the program path, quoted or not.
  size_t exe = text.find(L".exe");
  if (exe != std::wstring::npos && exe > 0) text = text.substr(exe);

  size_t blank = text.find(L' ');
  if (blank == std::wstring::npos || blank == 0) return CommandWord::None;
  std::wstring word = text.substr(text.rfind(L' '));
  TrimBoth(word, L' ');
  TrimBoth(word, L'\\');
  if (word.empty()) return CommandWord::None;

  TrimLeading(word, L'/');
  TrimLeading(word, L'-');
  word = Lower(word);
  if (word == L"install") return CommandWord::Install;
  if (word == L"uninstall") return CommandWord::Uninstall;
  if (word == L"start") return CommandWord::Start;
  if (word == L"stop") return CommandWord::Stop;
  return CommandWord::Usage;
}

std::wstring UsageText() {
  return L"/ [install] [uninstall] [start] [stop]\n\n"
         L" install  : install service.\n"
         L" uninstall: uninstall service.\n"
         L" start    : start service.\n"
         L" stop     : stop service.\n"
         L" ?        : display this message.\n";
}

}  // namespace lookout

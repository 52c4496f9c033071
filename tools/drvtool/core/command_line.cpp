#include "command_line.h"

#include <cwctype>

namespace drvtool {

namespace {

bool SameWord(const std::wstring& a, const wchar_t* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return i == a.size() && !b[i];
}

// The word starting at `from`: up to the next space, or a quoted text without its quotes.
// `end` is set past the word (past the closing quote). False for an unclosed quote.
bool WordAt(const std::wstring& text, size_t from, std::wstring* word, size_t* end) {
  if (from < text.size() && text[from] == L'"') {
    size_t close = text.find(L'"', from + 1);
    if (close == std::wstring::npos) return false;
    *word = text.substr(from + 1, close - from - 1);
    *end = close + 1;
    return true;
  }
  size_t space = text.find(L' ', from);
  if (space == std::wstring::npos) space = text.size();
  *word = text.substr(from, space - from);
  *end = space;
  return true;
}

// The value after an option word that ends at `wordEnd`; false when the usage is due.
bool ValueAfter(const std::wstring& text, size_t wordEnd, std::wstring* value, size_t* valueEnd) {
  if (wordEnd >= text.size()) return false;  // no further text
  if (!WordAt(text, wordEnd + 1, value, valueEnd)) return false;
  return !value->empty() && (*value)[0] != L'/';
}

bool ParseLevel(const std::wstring& word, uint32_t* level) {
  if (word.empty() || word.size() > 3) return false;
  uint32_t v = 0;
  for (wchar_t c : word) {
    if (c < L'0' || c > L'9') return false;
    v = v * 10 + static_cast<uint32_t>(c - L'0');
  }
  if (v > 4) return false;
  *level = v;
  return true;
}

}  // namespace

bool IsValidServiceName(const std::wstring& name) {
  if (name.empty() || name.size() > kMaxServiceName) return false;
  return name.find_first_of(L"/\\") == std::wstring::npos;
}

CommandLine ParseCommandLine(const std::wstring& args) {
  CommandLine cl;
  auto usage = [&cl] {
    cl.showUsage = true;
    return cl;
  };
  size_t pos = 0;
  for (;;) {
    size_t slash = args.find(L'/', pos);
    if (slash == std::wstring::npos) return cl;
    size_t wordEnd = args.find(L' ', slash + 1);
    if (wordEnd == std::wstring::npos) wordEnd = args.size();
    std::wstring word = args.substr(slash + 1, wordEnd - slash - 1);
    if (word == L"?") {
      cl.helpAsked = true;
      return usage();
    }

    std::wstring value;
    size_t valueEnd = 0;
    if (SameWord(word, L"install")) {
      if (!ValueAfter(args, wordEnd, &value, &valueEnd) || !IsValidServiceName(value)) return usage();
      if (valueEnd >= args.size() || args[valueEnd] != L' ') return usage();
      size_t levelEnd = args.find(L' ', valueEnd + 1);
      if (levelEnd == std::wstring::npos) return usage();  // the level must be followed by a space
      uint32_t level = 0;
      if (!ParseLevel(args.substr(valueEnd + 1, levelEnd - valueEnd - 1), &level)) return usage();
      cl.install = true;
      cl.installName = value;
      cl.startType = level;
    } else if (SameWord(word, L"file")) {
      if (!ValueAfter(args, wordEnd, &value, &valueEnd)) return usage();
      cl.haveFile = true;
      cl.file = value;
    } else if (SameWord(word, L"start")) {
      if (!ValueAfter(args, wordEnd, &value, &valueEnd) || !IsValidServiceName(value)) return usage();
      cl.start = true;
      cl.startName = value;
    } else if (SameWord(word, L"stop")) {
      if (!ValueAfter(args, wordEnd, &value, &valueEnd) || !IsValidServiceName(value)) return usage();
      cl.stop = true;
      cl.stopName = value;
    }
    pos = wordEnd;
  }
}

}  // namespace drvtool

#include "command_line.h"

#include <gtest/gtest.h>

using lookout::CommandWord;
using lookout::ParseCommandLine;

TEST(CommandLine, WordsAfterThePathInAnySpelling) {
  const std::pair<const wchar_t*, CommandWord> cases[] = {
      {L"Lookout.exe install", CommandWord::Install},
      {L"\"C:\\Program Files\\Lookout\\Lookout.exe\" install", CommandWord::Install},
      {L"C:\\Lookout\\Lookout.exe /INSTALL", CommandWord::Install},
      {L"Lookout.exe -install", CommandWord::Install},
      {L"Lookout.exe \\install\\", CommandWord::Install},
      {L"Lookout.exe   Install", CommandWord::Install},
      {L"Lookout.exe install ", CommandWord::None},  // the last blank ends the line
      {L"Lookout.exe //--install", CommandWord::Install},
      {L"Lookout.exe UNINSTALL", CommandWord::Uninstall},
      {L"Lookout.exe start", CommandWord::Start},
      {L"Lookout.exe -Stop", CommandWord::Stop},
      {L"Lookout.exe foo install", CommandWord::Install},
      {L"Lookout.exe install foo", CommandWord::Usage},
      {L"Lookout.exe /?", CommandWord::Usage},
      {L"Lookout.exe help", CommandWord::Usage},
      {L"Lookout.exe -/install", CommandWord::Usage},  // "/" is trimmed before "-" only
      {L"Lookout.exe", CommandWord::None},
      {L"\"C:\\Program Files\\Lookout\\Lookout.exe\"", CommandWord::None},
      {L"\"C:\\Program Files\\Lookout\\Lookout.exe\" ", CommandWord::None},
      {L"Lookout.exe \\\\", CommandWord::None},
      {L"", CommandWord::None},
      // Without ".exe" the whole line counts; a line starting with a blank has no word.
      {L"Lookout install", CommandWord::Install},
      {L" install", CommandWord::None},
  };
  for (const auto& [line, word] : cases) {
    EXPECT_EQ(ParseCommandLine(line), word) << std::string(line, line + std::wcslen(line));
  }
}

TEST(CommandLine, UsageText) {
  EXPECT_EQ(lookout::UsageText(),
            L"/ [install] [uninstall] [start] [stop]\n\n install  : install service.\n"
            L" uninstall: uninstall service.\n start    : start service.\n"
            L" stop     : stop service.\n ?        : display this message.\n");
}

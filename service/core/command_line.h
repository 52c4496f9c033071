// The word that picks what a start of the program does: one service operation, the usage
// box, or (no word) running the application.
#pragma once

#include <string>

namespace lookout {

enum class CommandWord { None, Install, Uninstall, Start, Stop, Usage };

// Reads the whole command line of the process (program path included, quoted or not). Only
// the last blank-separated word counts; case, leading "/" or "-" and surrounding blanks and
// backslashes are ignored.
CommandWord ParseCommandLine(const std::wstring& commandLine);

// The text of the usage box.
std::wstring UsageText();

}  // namespace lookout

// The help text of the command line, shown in a message box titled kUsageTitle.
#pragma once

#include <string>

namespace drvtool {

extern const wchar_t kUsageTitle[];

// The command-line help; the dialog's help button adds the /pwd line.
std::wstring UsageText(bool withPasswordLine);

}  // namespace drvtool

#include "usage_text.h"

namespace drvtool {

const wchar_t kUsageTitle[] = L"命令行帮助";

std::wstring UsageText(bool withPasswordLine) {
  std::wstring text =
      L"Usage: \n"
      L"  options:\n"
      L"  /install [severname] [Level:0 ~ 4] - install server，must use [/file] to set file path.\n"
      L"  /file [filename]     - the server file path whitch to install.\n"
      L"  /start [severname]   - start server.\n"
      L"  /stop [severname]    - stop server.\n";
  if (withPasswordLine) text += L"  /pwd [password]      - password.\n";
  text += L"  /?                   - this help screen\n";
  return text;
}

}  // namespace drvtool

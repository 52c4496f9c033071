// The About box of the system menu: the tool's name and version.
#pragma once

#include <windows.h>

namespace drvtool {

void ShowAboutBox(HWND owner);

}  // namespace drvtool

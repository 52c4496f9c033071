// The program's work for a command line that asks for the usage or holds an action.
#pragma once

#include "command_line.h"
#include "system_ports.h"

namespace drvtool {

enum ExitCode { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

void ShowUsage(System& system, bool withPasswordLine);

// Usage, or install, stop and start in this order. Returns an ExitCode.
int RunCommandLine(const CommandLine& cl, System& system);

}  // namespace drvtool

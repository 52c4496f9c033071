// Tinker: with options it installs, stops and starts a driver service and ends; without,
// its dialog installs, registers and starts the camera filter driver from its own folder.
#include <windows.h>

#include "command_line.h"
#include "command_run.h"
#include "system_win.h"
#include "tinker_dlg.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR cmdLine, int) {
  drvtool::CommandLine cl = drvtool::ParseCommandLine(cmdLine ? cmdLine : L"");
  if (cl.showUsage || cl.HasAction()) {
    drvtool::WinSystem system;
    return drvtool::RunCommandLine(cl, system);
  }
  drvtool::CTinkerDlg dlg;
  return dlg.DoModal() == IDOK ? drvtool::kExitOk : drvtool::kExitFailed;
}

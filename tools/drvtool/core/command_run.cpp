#include "command_run.h"

#include "driver_installer.h"
#include "usage_text.h"

namespace drvtool {

void ShowUsage(System& system, bool withPasswordLine) {
  system.Prompt(UsageText(withPasswordLine), kUsageTitle, PromptIcon::Information, true);
}

int RunCommandLine(const CommandLine& cl, System& system) {
  if (cl.showUsage) {
    ShowUsage(system, false);
    return cl.helpAsked ? kExitOk : kExitUsage;
  }
  if (cl.install && (!cl.haveFile || !system.FileExists(cl.file))) {
    system.Prompt(L"File not exists! ", L"提示", PromptIcon::Error, true);
    ShowUsage(system, false);
    return kExitUsage;
  }
  DriverInstaller installer(system);
  bool ok = true;
  if (cl.install) ok = installer.Install(cl.installName, cl.file, kServiceKernelDriver, cl.startType) && ok;
  if (cl.stop && !installer.Stop(cl.stopName)) {
    system.Prompt(L"停止服务失败！", L"提示", PromptIcon::Error, true);
    ok = false;
  }
  if (cl.start) ok = installer.Start(cl.startName) && ok;
  return ok ? kExitOk : kExitFailed;
}

}  // namespace drvtool

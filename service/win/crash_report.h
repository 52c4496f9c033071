// The last-chance exception handler: armed during static initialisation before anything
// else, it appends a report (time, exception, registers, frame-pointer call stack with
// logical addresses) to "<program>.RPT" and lets the process end without the system's
// error dialog.
#pragma once

namespace lookout::crash {

// The report file's path, empty when the program path has no three-character extension.
const wchar_t* ReportPath();
// True while the handler is installed.
bool IsArmed();

}  // namespace lookout::crash

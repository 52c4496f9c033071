// The library's log on Windows: debugger output, an optional console and the file
// "log\<library>.txt" beside the host program. One per process, made on library load.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <string>

#include "log_writer.h"

namespace lantern {

class LogFile : public Logger {
 public:
  // `now` and `size_limit` are for tests; the defaults read the system time and wrap at 10 MiB.
  explicit LogFile(CalendarSource now = nullptr, uint32_t size_limit = kLogSizeLimit);
  ~LogFile() override;
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // flags: kLogDebugger | kLogFile | kLogConsole. `name` is the library's file name (a path
  // or a bare name); the log is named after its base name. Without `append` the previous
  // log is kept as "<log>.bak". Returns false when file output was asked for but the file
  // could not be opened; the log then writes to the debugger output only.
  bool OpenLog(unsigned flags, const char* name, bool append);
  void WriteLog(const char* format, ...) LANTERN_PRINTF(2, 3);
  void WriteV(const char* format, va_list args) override;
  void CloseLog();

  unsigned Flags() const { return writer_.Flags(); }
  const std::string& Path() const { return path_; }

 private:
  class Outputs : public LogOutputs {
   public:
    void ToDebugger(const char* text, size_t size) override;
    void ToConsole(const char* text, size_t size) override;
    size_t ToFile(const char* text, size_t size) override;
    void SeekFileStart() override;
    HANDLE file = INVALID_HANDLE_VALUE;
  };

  Outputs outputs_;
  LogWriter writer_;
  std::string path_;
  bool console_allocated_ = false;
};

// Full path of the host program's executable (GetModuleFileNameA(NULL)).
std::string HostExecutablePath();

// The process-wide library log. LibraryLog() is a logger that drops everything until
// CreateLibraryLog has run and after DestroyLibraryLog. Create and destroy are called
// from the library's process attach and detach.
Logger& LibraryLog();
void CreateLibraryLog(HMODULE library);
void DestroyLibraryLog();

}  // namespace lantern

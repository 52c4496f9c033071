// The library's text log: a time stamp line whenever the second changes, one formatted
// message per call, written whole to the debugger output, the console and a file that
// wraps to its start at the size limit.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>
#include <string>

#include "logger.h"

namespace lantern {

// Output flags as OpenLog takes them.
enum LogFlags : unsigned {
  kLogDebugger = 1u << 0,
  kLogFile = 1u << 1,
  kLogConsole = 1u << 2,
};

constexpr size_t kLogBufferSize = 1023;               // a message is cut to 1022 characters
constexpr uint32_t kLogSizeLimit = 0xA00000;          // 10 MiB, then the file wraps
constexpr size_t kLogStampLength = 24;                // "Thu Jan  1 00:00:00 1970"

// Where the text goes. Each call gets `size` characters with text[size] == '\0'.
// Calls come one at a time, under the writer's lock.
class LogOutputs {
 public:
  virtual ~LogOutputs() = default;
  virtual void ToDebugger(const char* text, size_t size) = 0;
  virtual void ToConsole(const char* text, size_t size) = 0;
  // Returns the bytes written; 0 when no file is open or the write failed.
  virtual size_t ToFile(const char* text, size_t size) = 0;
  virtual void SeekFileStart() = 0;
};

// Calendar time in seconds; called outside the lock, from any thread.
using CalendarSource = std::function<std::time_t()>;

// Stamp text (24 characters, no line end) of a broken-down time, in the runtime's
// calendar-time-to-text form: "Wed Mar  5 09:07:02 2014".
std::string FormatLogStamp(const std::tm& when);
// Same for a calendar time in local time; empty when the time cannot be converted.
std::string LocalLogStamp(std::time_t when);

// Log file path: drive and directory of the host executable, "log\", the base name of
// `name` (directory and extension dropped), ".txt".
std::string LogFilePath(const std::string& host_executable, const std::string& name);

class LogWriter : public Logger {
 public:
  explicit LogWriter(LogOutputs* outputs, CalendarSource now = nullptr,
                     uint32_t size_limit = kLogSizeLimit);

  void WriteV(const char* format, va_list args) override;

  unsigned Flags() const;
  void SetFlags(unsigned flags);
  // Runs `change` under the write lock with the current flags and takes the flags it
  // returns; the file byte count restarts. For opening and closing the file while other
  // threads may be writing.
  void Reconfigure(const std::function<unsigned(unsigned flags)>& change);

 private:
  void Emit(const char* text, size_t size);

  LogOutputs* outputs_;
  CalendarSource now_;
  const uint32_t size_limit_;
  std::atomic<long long> last_stamp_{-1};
  mutable std::mutex lock_;
  unsigned flags_ = 0;
  uint32_t bytes_written_ = 0;
};

}  // namespace lantern

#include "log_writer.h"

#include <cstdio>
#include <cstring>

#include "path_names.h"

namespace lantern {

namespace {

const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool ToLocal(std::time_t when, std::tm* out) {
#if defined(_WIN32)
  return localtime_s(out, &when) == 0;
#else
  return localtime_r(&when, out) != nullptr;
#endif
}

}  // namespace

std::string FormatLogStamp(const std::tm& when) {
  const char* day = (when.tm_wday >= 0 && when.tm_wday < 7) ? kDays[when.tm_wday] : "???";
  const char* month = (when.tm_mon >= 0 && when.tm_mon < 12) ? kMonths[when.tm_mon] : "???";
  char text[64];
  std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d", day, month, when.tm_mday,
                when.tm_hour, when.tm_min, when.tm_sec, 1900 + when.tm_year);
  return std::string(text).substr(0, kLogStampLength);
}

std::string LocalLogStamp(std::time_t when) {
  std::tm local{};
  if (!ToLocal(when, &local)) return std::string();
  return FormatLogStamp(local);
}

std::string LogFilePath(const std::string& host_executable, const std::string& name) {
  std::string dir = PathFolder(host_executable);
  if (dir.empty() || !IsPathSeparator(dir.back())) dir += '\\';
  return dir + "log\\" + PathBaseName(name) + ".txt";
}

LogWriter::LogWriter(LogOutputs* outputs, CalendarSource now, uint32_t size_limit)
    : outputs_(outputs),
      now_(now ? std::move(now) : CalendarSource([] { return std::time(nullptr); })),
      size_limit_(size_limit) {}

unsigned LogWriter::Flags() const {
  std::lock_guard<std::mutex> hold(lock_);
  return flags_;
}

void LogWriter::SetFlags(unsigned flags) {
  std::lock_guard<std::mutex> hold(lock_);
  flags_ = flags;
}

void LogWriter::Reconfigure(const std::function<unsigned(unsigned flags)>& change) {
  std::lock_guard<std::mutex> hold(lock_);
  flags_ = change(flags_);
  bytes_written_ = 0;
}

void LogWriter::WriteV(const char* format, va_list args) {
  // Outside the lock: two threads may both stamp the same second.
  const long long now = static_cast<long long>(now_());
  if (now != last_stamp_.load()) {
    last_stamp_.store(now);
    std::string stamp = LocalLogStamp(static_cast<std::time_t>(now));
    if (!stamp.empty()) {
      stamp += "\r\n";
      Emit(stamp.c_str(), stamp.size());
    }
  }

  // One byte more than the message may fill, so that a full-length message ending in
  // '\n' still has room for "\r\n" and the terminator.
  char text[kLogBufferSize + 1];
  text[0] = '\0';
  const int formatted = (format != nullptr) ? std::vsnprintf(text, kLogBufferSize, format, args) : 0;
  text[kLogBufferSize - 1] = '\0';
  size_t size = std::strlen(text);
  const bool cut = formatted < 0 || static_cast<size_t>(formatted) >= kLogBufferSize;
  if (!cut && size >= 1 && text[size - 1] == '\n') {
    text[size - 1] = '\r';
    text[size] = '\n';
    text[size + 1] = '\0';
    ++size;
  }
  if (size > 0) Emit(text, size);
}

void LogWriter::Emit(const char* text, size_t size) {
  std::lock_guard<std::mutex> hold(lock_);
  if (flags_ & kLogDebugger) outputs_->ToDebugger(text, size);
  if (flags_ & kLogConsole) outputs_->ToConsole(text, size);
  if (flags_ & kLogFile) {
    if (bytes_written_ >= size_limit_) {
      outputs_->SeekFileStart();
      bytes_written_ = 0;
    }
    bytes_written_ += static_cast<uint32_t>(outputs_->ToFile(text, size));
  }
}

}  // namespace lantern

// Where the camera server's diagnostic lines go. The library's log object implements it;
// tests capture the lines.
#pragma once

#include <cstdarg>

#if defined(__GNUC__)
#define LANTERN_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define LANTERN_PRINTF(fmt, args)
#endif

namespace lantern {

class Logger {
 public:
  virtual ~Logger() = default;
  virtual void WriteV(const char* format, va_list args) = 0;

  void Write(const char* format, ...) LANTERN_PRINTF(2, 3) {
    va_list args;
    va_start(args, format);
    WriteV(format, args);
    va_end(args);
  }
};

}  // namespace lantern

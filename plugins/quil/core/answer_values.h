// Values in a camera's CGI answer: text such as "var alarm_schedule_mon_0=65280;" that may
// hold NUL bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quilgate {

class AnswerText {
 public:
  AnswerText(const char* data, size_t size) : data_(data), size_(data != nullptr ? size : 0) {}

  // The decimal number after the '=' that follows the first occurrence of `key`, searched
  // piece by piece between NUL bytes. Spaces after the '=' are skipped; a leading '-' is
  // part of the number (the camera prints 32-bit masks signed). Digits beyond 32 bits wrap.
  // False when the key is missing or no '=' follows it in its piece.
  bool Find(const char* key, int32_t* value) const;
  // The value, or -1 when Find fails.
  int32_t Value(const char* key) const;

 private:
  const char* data_;
  size_t size_;
};

}  // namespace quilgate

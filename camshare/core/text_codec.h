// Conversions between the system ANSI code page, UTF-8 and wide text. The Windows layer
// uses the system's converters; tests use a small stand-in with a double-byte code page.
#pragma once

#include <cstddef>
#include <string>

namespace camshare {

class TextCodec {
 public:
  virtual ~TextCodec() = default;
  virtual std::wstring AnsiToWide(const std::string& text) const = 0;
  virtual std::string WideToAnsi(const std::wstring& text) const = 0;
  virtual std::wstring Utf8ToWide(const std::string& text) const = 0;
  // True for the first byte of a two-byte character of the ANSI code page.
  virtual bool IsLeadByte(unsigned char byte) const = 0;
};

// The longest prefix of `text` that has at most `maxBytes` bytes and does not split a
// two-byte character.
std::string CutAnsi(const std::string& text, size_t maxBytes, const TextCodec& codec);

// Copies `text` into a fixed field of `capacity` bytes, cut to capacity - 1 bytes on a
// character boundary, zero-padded. A null text leaves the field empty.
void PutField(char* field, size_t capacity, const char* text, const TextCodec& codec);

// The text of a fixed field: up to its first zero byte, never past its capacity.
std::string FieldText(const char* field, size_t capacity);

// ASCII letters compare without regard to case (camera family words).
bool EqualsNoCase(const std::string& a, const std::string& b);

}  // namespace camshare

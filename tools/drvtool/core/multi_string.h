// Registry multi-strings (REG_MULTI_SZ) as stored: UTF-16LE units, each entry ending in a
// zero unit, the list ending in one more. Values read from the registry may be damaged (no
// final terminator, an odd byte); they are read the way Windows reads them: the list ends
// at its first empty entry or at the end of the data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace drvtool {

std::u16string ToUtf16(const std::wstring& text);

// The units of a value's bytes (an odd last byte is left out).
std::u16string UnitsOf(const uint8_t* data, size_t size);
std::vector<uint8_t> BytesOf(const std::u16string& units);

// The list's entries.
std::vector<std::u16string> MultiStringEntries(const std::u16string& units);

// Whether `name` is an entry; letters A-Z compare equal to a-z, as in service names.
bool MultiStringHas(const std::u16string& units, const std::u16string& name);

// The value with `name` appended as the last entry of the list, properly terminated. What
// stood after the list's end (other than zero units) is kept behind the new terminator.
std::u16string MultiStringAppend(const std::u16string& units, const std::u16string& name);

enum class FilterEdit { Added, AlreadyPresent, TooLong };

// Adds `name` to a value held in a fixed buffer of `capacity` bytes of which `*size` are
// used (as read; at most `capacity`). Added: the buffer holds the new value and `*size` its
// byte count. AlreadyPresent and TooLong (the new value would not fit): nothing is changed.
// Nothing past `capacity` is read or written.
FilterEdit AddFilterEntry(uint8_t* buffer, size_t capacity, size_t* size, const std::u16string& name);

}  // namespace drvtool

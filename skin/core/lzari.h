// LZARI: LZSS over a 4096-byte ring (look-ahead 60, threshold 2, first position 4036)
// with adaptive arithmetic coding of characters, match lengths and positions. A stream is
// a 32-bit little-endian uncompressed length followed by the coded bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace veneer {

constexpr size_t kLzariDefaultLimit = 64u << 20;

std::vector<uint8_t> LzariCompress(const uint8_t* data, size_t size);

// Expands `in` into `out`. False with "Read Error" when the length header is short or the
// coded bits end early; false as well when the stated length exceeds `limit` or the stream
// is inconsistent. `out` grows with the data actually decoded, never by the header alone.
bool LzariExpand(const uint8_t* in, size_t size, std::vector<uint8_t>& out,
                 std::string* error = nullptr, size_t limit = kLzariDefaultLimit);

}  // namespace veneer

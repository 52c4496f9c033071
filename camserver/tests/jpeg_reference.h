// The frame encoder as it was before it read the captured rows in place, kept to check that
// the bytes did not change.
#pragma once

#include <cstdint>
#include <vector>

namespace lantern::testing {

// Flips bottom-up BGR rows into a top-down RGB copy, then compresses it as RGB one row per
// call with the library's defaults, the given quality and baseline tables.
std::vector<uint8_t> ReferenceJpeg(const uint8_t* bottomUpBgr, int width, int height, int quality);

}  // namespace lantern::testing

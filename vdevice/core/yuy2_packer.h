// Packing of a planar 4:2:0 frame into YUY2 for the output pin.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mirage {

// Bytes of a planar 4:2:0 frame of that size: luma and two quarter-size chroma planes.
size_t PlanarFrameSize(int width, int height);

// Packs a frame stored as Y, then V, then U (the YV12 plane order; rows without gaps,
// chroma rows width / 2 long, one chroma row for two picture rows) into YUY2: Y0 U Y1 V
// for each pixel pair, rows top-down, width * 2 bytes per row. Width and height must be
// even and positive; false (nothing written) otherwise.
bool PackYuy2(const uint8_t* frame, int width, int height, uint8_t* out);

}  // namespace mirage

// Decoding a camera's JPEG through OLE picture loading and drawing it into a memory DC.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace mirage {

// HIMETRIC (0.01 mm) extents in the DC's device pixels: by its logical pixels per inch in
// the text mapping mode, by its mapping otherwise. {0, 0} when the DC reports no
// resolution.
SIZE HimetricToPixels(HDC dc, SIZE himetric);

// Loads the picture in `bytes` and draws all of it upright into (0, 0, width, height) of
// `dc`, scaled when its own size differs. False when it cannot be loaded; `pictureSize`
// gets its pixel size otherwise.
bool DrawPicture(HDC dc, const uint8_t* bytes, size_t length, int width, int height,
                 SIZE* pictureSize);

}  // namespace mirage

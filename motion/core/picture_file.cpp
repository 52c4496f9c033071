#include "picture_file.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "common/byte_io.h"

namespace tremor {

bool ReadWholeFile(const char* path, std::vector<uint8_t>& buffer, size_t limit, size_t* size) {
  std::FILE* f = path ? std::fopen(path, "rb") : nullptr;
  if (f == nullptr) return false;
  // Straight into the buffer: no stream buffer allocated and copied through per picture.
  std::setvbuf(f, nullptr, _IONBF, 0);
  size_t n = 0;
  bool ok = true;
  for (;;) {
    // Room for one byte more than the file, so a single read normally ends at its end.
    if (n == buffer.size()) {
      if (buffer.size() > limit) {
        ok = false;
        break;
      }
      buffer.resize(std::max<size_t>(64 * 1024, std::min(limit + 1, buffer.size() * 2)));
    }
    const size_t want = buffer.size() - n;
    const size_t got = std::fread(buffer.data() + n, 1, want, f);
    n += got;
    if (got < want) {
      ok = !std::ferror(f);
      break;
    }
  }
  std::fclose(f);
  if (!ok || n > limit) return false;
  *size = n;
  return true;
}

bool TakeBmp24Rows(const uint8_t* data, size_t size, Picture* picture) {
  common::ByteReader file(data, size);
  uint8_t b = 0, m = 0;
  uint32_t pixelOffset = 0, infoSize = 0, width = 0, height = 0, compression = 0;
  uint16_t planes = 0, bits = 0;
  if (!file.U8(0, &b) || !file.U8(1, &m) || b != 'B' || m != 'M') return false;
  if (!file.U32(10, &pixelOffset) || !file.U32(14, &infoSize) || !file.U32(18, &width) ||
      !file.U32(22, &height) || !file.U16(26, &planes) || !file.U16(28, &bits) ||
      !file.U32(30, &compression))
    return false;
  if (infoSize < 40 || planes != 1 || bits != 24 || compression != 0) return false;
  // Width and height are signed; a negative height means top-down rows.
  const int32_t w = static_cast<int32_t>(width), h = static_cast<int32_t>(height);
  if (w <= 0 || h == 0 || h == std::numeric_limits<int32_t>::min()) return false;
  const uint64_t rows = h < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(h)) : static_cast<uint64_t>(h);
  const uint64_t stride = (static_cast<uint64_t>(w) * 3 + 3) & ~static_cast<uint64_t>(3);
  if (pixelOffset < 14 + static_cast<uint64_t>(infoSize) ||
      pixelOffset + stride * rows > static_cast<uint64_t>(size))
    return false;
  // The pixels fit the file, so both sizes fit int and size_t.
  picture->rows = cv::Mat(static_cast<int>(rows), w, CV_8UC3,
                          const_cast<uint8_t*>(data + pixelOffset), static_cast<size_t>(stride));
  picture->bottomUp = h > 0;
  return true;
}

bool LoadBmp24(const char* path, PictureBuffers& buffers, Picture* picture) {
  size_t size = 0;
  return ReadWholeFile(path, buffers.file, kPictureFileLimit, &size) &&
         TakeBmp24Rows(buffers.file.data(), size, picture);
}

}  // namespace tremor

#include "smoothing.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tremor {
namespace {

// sums[x] = g[x-1] + 2 g[x] + g[x+1], the edge pixels repeated.
void RowSums(const uint8_t* g, int w, uint16_t* sums) {
  if (w == 1) {
    sums[0] = static_cast<uint16_t>(4 * g[0]);
    return;
  }
  sums[0] = static_cast<uint16_t>(3 * g[0] + g[1]);
  sums[w - 1] = static_cast<uint16_t>(g[w - 2] + 3 * g[w - 1]);
  int x = 1;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; x + 16 < w; x += 16) {
    const __m128i left = _mm_loadu_si128(reinterpret_cast<const __m128i*>(g + x - 1));
    const __m128i mid = _mm_loadu_si128(reinterpret_cast<const __m128i*>(g + x));
    const __m128i right = _mm_loadu_si128(reinterpret_cast<const __m128i*>(g + x + 1));
    __m128i lo = _mm_add_epi16(_mm_unpacklo_epi8(left, zero), _mm_unpacklo_epi8(right, zero));
    __m128i hi = _mm_add_epi16(_mm_unpackhi_epi8(left, zero), _mm_unpackhi_epi8(right, zero));
    const __m128i midLo = _mm_unpacklo_epi8(mid, zero), midHi = _mm_unpackhi_epi8(mid, zero);
    lo = _mm_add_epi16(lo, _mm_add_epi16(midLo, midLo));
    hi = _mm_add_epi16(hi, _mm_add_epi16(midHi, midHi));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + x), lo);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + x + 8), hi);
  }
#endif
  for (; x < w - 1; ++x) sums[x] = static_cast<uint16_t>(g[x - 1] + 2 * g[x] + g[x + 1]);
}

// out[x] = (above[x] + 2 row[x] + below[x]) / 16, exact in float.
void ColumnSums(const uint16_t* above, const uint16_t* row, const uint16_t* below, int w,
                float* out) {
  int x = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128 sixteenth = _mm_set1_ps(1.0f / 16);
  for (; x + 8 <= w; x += 8) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(above + x));
    const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(below + x));
    const __m128i s = _mm_add_epi16(_mm_add_epi16(a, b), _mm_add_epi16(r, r));
    _mm_storeu_ps(out + x, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(s, zero)), sixteenth));
    _mm_storeu_ps(out + x + 4, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(s, zero)), sixteenth));
  }
#endif
  for (; x < w; ++x) out[x] = static_cast<float>(above[x] + 2 * row[x] + below[x]) * (1.0f / 16);
}

}  // namespace

void SmoothGrey3x3(const cv::Mat& grey, bool upsideDown, std::vector<uint16_t>& rowSums,
                   cv::Mat& out) {
  CV_Assert(grey.type() == CV_8UC1 && !grey.empty());
  const int w = grey.cols, h = grey.rows;
  out.create(h, w, CV_32F);
  rowSums.resize(static_cast<size_t>(3) * w);
  auto greyRow = [&](int r) { return grey.ptr<uint8_t>(upsideDown ? h - 1 - r : r); };
  // Row sums of picture rows r-1, r, r+1 in a ring of three.
  auto sums = [&](int r) { return rowSums.data() + static_cast<size_t>(r % 3) * w; };
  RowSums(greyRow(0), w, sums(0));
  for (int r = 0; r < h; ++r) {
    if (r + 1 < h) RowSums(greyRow(r + 1), w, sums(r + 1));  // over the sums of row r-2
    const uint16_t* above = sums(r > 0 ? r - 1 : 0);
    const uint16_t* below = sums(r + 1 < h ? r + 1 : r);
    ColumnSums(above, sums(r), below, w, out.ptr<float>(r));
  }
}

}  // namespace tremor

// The detector's 3 x 3 Gaussian smoothing, straight from the grey picture to float.
#pragma once

#include <cstdint>
#include <vector>

#include <opencv2/core.hpp>

namespace tremor {

// Smooths an 8-bit grey picture with the kernel (1/4, 1/2, 1/4) in each direction, the edge
// pixels repeated beyond the border, into a float matrix of the same size. With these
// weights every product and sum is exact in float, so the result equals, bit for bit,
// converting to float and smoothing with OpenCV's 3 x 3 Gaussian (sigma from the size).
// `upsideDown`: the grey rows are stored bottom-up, and `out` gets them top-down.
// `rowSums` is scratch kept between pictures.
void SmoothGrey3x3(const cv::Mat& grey, bool upsideDown, std::vector<uint16_t>& rowSums,
                   cv::Mat& out);

}  // namespace tremor

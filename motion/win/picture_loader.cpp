#include "picture_loader.h"

#include <opencv2/imgcodecs.hpp>

namespace tremor {

bool LoadPicture(const char* path, PictureBuffers& buffers, Picture* picture) {
  if (LoadBmp24(path, buffers, picture)) return true;
  try {
    buffers.decoded = cv::imread(path, cv::IMREAD_COLOR);
  } catch (...) {
    buffers.decoded.release();
  }
  picture->rows = buffers.decoded;
  picture->bottomUp = false;
  return !buffers.decoded.empty();
}

}  // namespace tremor

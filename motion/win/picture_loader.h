// How the detector library loads a channel's picture file.
#pragma once

#include "picture_file.h"

namespace tremor {

// The camera's 24-bit BMP files are read in place into the channel's buffers; any other
// picture file OpenCV reads is decoded (and converted to 3 channels). False when neither
// works.
bool LoadPicture(const char* path, PictureBuffers& buffers, Picture* picture);

}  // namespace tremor

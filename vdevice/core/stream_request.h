// The quil camera's MJPEG stream request and its picture sizes.
#pragma once

#include <string>

namespace mirage {

constexpr int kQuilResolutionCode = 8;  // what the device asks for: 320x240

// "GET /videostream.cgi?..." with the camera's login, the resolution code and the host,
// ending with the blank line. Values go in as they are.
std::string StreamRequest(const char* user, const char* password, int resolution,
                          const char* host);

// Picture size of a resolution code: 2 gives 160x120, 32 gives 640x480, others 320x240.
void QuilPictureSize(int resolution, int* width, int* height);

}  // namespace mirage

#include "stream_request.h"

namespace mirage {

namespace {
constexpr char kContact[] = "(mirage@localhost)";
}

std::string StreamRequest(const char* user, const char* password, int resolution,
                          const char* host) {
  std::string r = "GET /videostream.cgi?user=";
  r += user != nullptr ? user : "";
  r += "&pwd=";
  r += password != nullptr ? password : "";
  r += "&resolution=";
  r += std::to_string(resolution);
  r += " HTTP/1.0\r\nHost: ";
  r += host != nullptr ? host : "";
  r += "\r\nUser-Agent: myclient/1.0 ";
  r += kContact;
  r += "\r\n\r\n";
  return r;
}

void QuilPictureSize(int resolution, int* width, int* height) {
  if (resolution == 2) {
    *width = 160;
    *height = 120;
  } else if (resolution == 32) {
    *width = 640;
    *height = 480;
  } else {
    *width = 320;
    *height = 240;
  }
}

}  // namespace mirage

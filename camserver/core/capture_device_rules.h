// Which video input devices the camera server lists as local capture devices.
#pragma once

#include <string>

namespace lantern {

// The suite offers its own IP cameras as video input devices named by their camera
// string; those are never local capture devices.
inline bool IsIpCameraDevice(const std::string& friendlyName) {
  return friendlyName.find("Devicequil@") != std::string::npos ||
         friendlyName.find("Deviceorvel@") != std::string::npos;
}

}  // namespace lantern

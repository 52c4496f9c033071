// Stand-in quil cameras: what they answer to a LAN search request. Cameras are described
// by text ("name=cam1,ip=10.213.7.50,..."), so that tests can change them at run time.
// Written apart from Rookery's own codec, straight from the byte layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quilcam {

enum class Form {
  kGood,
  kWrongMagic,   // "MO_X"
  kWrongLength,  // length field one more than the payload
  kHeaderOnly,   // 23 bytes: a valid header with an empty payload
  kEmpty,        // a datagram of 0 bytes
  kRequest,      // operation 0 instead of 1
};

struct CameraSpec {
  std::string id = "QC0000000001";  // up to 13 bytes
  std::string name = "quilcam";     // up to 21 bytes, sent as given
  uint8_t ip[4] = {10, 213, 7, 50};
  uint8_t mask[4] = {255, 255, 255, 0};
  uint8_t gateway[4] = {10, 213, 7, 1};
  uint8_t dns[4] = {10, 213, 7, 1};
  uint16_t port = 81;
  bool scrambled = false;
  uint8_t key[8] = {0x5A, 0x13, 0xC4, 0x77, 0x01, 0xFE, 0x80, 0x3C};
  Form form = Form::kGood;
};

// One camera: comma-separated key=value pairs. Keys: id, name, ip, mask, gateway, dns, port,
// scramble (0/1), form (good, badmagic, badlength, headeronly, empty, request). Text values
// may be given as "hex:..." for bytes that are not plain text. False on any error.
bool ParseCamera(const std::string& text, CameraSpec* out, std::string* error);
// Cameras separated by ';'; an empty text is no camera.
bool ParseCameras(const std::string& text, std::vector<CameraSpec>* out, std::string* error);

std::vector<uint8_t> BuildAnswer(const CameraSpec& camera);

// A search request: "MO_I", operation 0, consistent length.
bool IsSearchRequest(const uint8_t* data, size_t size);

bool ParseDotted(const std::string& text, uint8_t out[4]);

}  // namespace quilcam

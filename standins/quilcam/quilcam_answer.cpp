#include "quilcam_answer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quilcam {

namespace {

bool Hex(const std::string& text, std::string* out) {
  if (text.size() % 2 != 0) return false;
  out->clear();
  for (size_t i = 0; i < text.size(); i += 2) {
    int v = 0;
    for (size_t k = i; k < i + 2; ++k) {
      char c = text[k];
      int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                             : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
      if (d < 0) return false;
      v = v * 16 + d;
    }
    out->push_back(static_cast<char>(v));
  }
  return true;
}

bool TextValue(const std::string& value, std::string* out) {
  if (value.rfind("hex:", 0) == 0) return Hex(value.substr(4), out);
  *out = value;
  return true;
}

void PutU32(std::vector<uint8_t>& d, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) d[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

bool ParseDotted(const std::string& text, uint8_t out[4]) {
  unsigned parts[4];
  char tail;
  if (std::sscanf(text.c_str(), "%u.%u.%u.%u%c", &parts[0], &parts[1], &parts[2], &parts[3], &tail) != 4) {
    return false;
  }
  for (int i = 0; i < 4; ++i) {
    if (parts[i] > 255) return false;
    out[i] = static_cast<uint8_t>(parts[i]);
  }
  return true;
}

bool ParseCamera(const std::string& text, CameraSpec* out, std::string* error) {
  *out = CameraSpec();
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    std::string pair = text.substr(start, end - start);
    start = end + 1;
    if (pair.empty()) continue;
    size_t eq = pair.find('=');
    if (eq == std::string::npos) {
      *error = "no '=' in " + pair;
      return false;
    }
    std::string key = pair.substr(0, eq), value = pair.substr(eq + 1);
    bool ok = true;
    if (key == "id") {
      ok = TextValue(value, &out->id) && out->id.size() <= 13;
    } else if (key == "name") {
      ok = TextValue(value, &out->name) && out->name.size() <= 21;
    } else if (key == "ip") {
      ok = ParseDotted(value, out->ip);
    } else if (key == "mask") {
      ok = ParseDotted(value, out->mask);
    } else if (key == "gateway") {
      ok = ParseDotted(value, out->gateway);
    } else if (key == "dns") {
      ok = ParseDotted(value, out->dns);
    } else if (key == "port") {
      char* tail = nullptr;
      unsigned long v = std::strtoul(value.c_str(), &tail, 10);
      ok = !value.empty() && *tail == '\0' && v <= 65535;
      out->port = static_cast<uint16_t>(v);
    } else if (key == "scramble") {
      ok = value == "0" || value == "1";
      out->scrambled = value == "1";
    } else if (key == "form") {
      if (value == "good") out->form = Form::kGood;
      else if (value == "badmagic") out->form = Form::kWrongMagic;
      else if (value == "badlength") out->form = Form::kWrongLength;
      else if (value == "headeronly") out->form = Form::kHeaderOnly;
      else if (value == "empty") out->form = Form::kEmpty;
      else if (value == "request") out->form = Form::kRequest;
      else ok = false;
    } else {
      ok = false;
    }
    if (!ok) {
      *error = "bad " + pair;
      return false;
    }
  }
  return true;
}

bool ParseCameras(const std::string& text, std::vector<CameraSpec>* out, std::string* error) {
  out->clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    std::string one = text.substr(start, end - start);
    start = end + 1;
    if (one.empty()) continue;
    CameraSpec spec;
    if (!ParseCamera(one, &spec, error)) return false;
    out->push_back(spec);
  }
  return true;
}

std::vector<uint8_t> BuildAnswer(const CameraSpec& c) {
  if (c.form == Form::kEmpty) return {};
  std::vector<uint8_t> payload(64, 0);
  std::memcpy(&payload[0], c.id.data(), c.id.size());
  std::memcpy(&payload[13], c.name.data(), c.name.size());
  std::memcpy(&payload[34], c.ip, 4);
  std::memcpy(&payload[38], c.mask, 4);
  std::memcpy(&payload[42], c.gateway, 4);
  std::memcpy(&payload[46], c.dns, 4);
  payload[50] = 1;  // three values the search does not use
  payload[54] = 2;
  payload[58] = 3;
  payload[62] = static_cast<uint8_t>(c.port >> 8);
  payload[63] = static_cast<uint8_t>(c.port);
  if (c.form == Form::kHeaderOnly) payload.clear();

  std::vector<uint8_t> d(23, 0);
  std::memcpy(&d[0], c.form == Form::kWrongMagic ? "MO_X" : "MO_I", 4);
  d[4] = c.form == Form::kRequest ? 0 : 1;
  d[6] = c.scrambled ? 1 : 0;
  std::memcpy(&d[7], c.key, 8);
  uint32_t length = static_cast<uint32_t>(payload.size());
  PutU32(d, 15, c.form == Form::kWrongLength ? length + 1 : length);
  PutU32(d, 19, length);
  if (c.scrambled) {
    for (size_t i = 0; i < payload.size(); ++i) payload[i] ^= c.key[i % 8];
  }
  d.insert(d.end(), payload.begin(), payload.end());
  return d;
}

bool IsSearchRequest(const uint8_t* data, size_t size) {
  if (size < 23 || std::memcmp(data, "MO_I", 4) != 0) return false;
  if (data[4] != 0 || data[5] != 0) return false;
  uint32_t length = static_cast<uint32_t>(data[15]) | (static_cast<uint32_t>(data[16]) << 8) |
                    (static_cast<uint32_t>(data[17]) << 16) | (static_cast<uint32_t>(data[18]) << 24);
  return static_cast<uint64_t>(length) + 23 == size;
}

}  // namespace quilcam

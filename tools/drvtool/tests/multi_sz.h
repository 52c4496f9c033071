// Hand-written registry multi-string bytes for the native tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace drvtool {

// ASCII text as UTF-16LE bytes, '|' standing for a zero unit.
inline std::vector<uint8_t> B(const std::string& text) {
  std::vector<uint8_t> out;
  for (char c : text) {
    out.push_back(c == '|' ? 0 : static_cast<uint8_t>(c));
    out.push_back(0);
  }
  return out;
}

}  // namespace drvtool

// Splits the bytes of the camera's TCP operation connection into "MO_O" frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quilgate {

struct OperationFrame {
  uint16_t op = 0;
  std::vector<uint8_t> payload;
};

class OperationStream {
 public:
  // A header that claims a longer payload is taken for noise: its magic is skipped and the
  // stream searched again, so a wrong length neither stalls the stream nor grows the buffer.
  static constexpr uint32_t kMaxPayload = 65536;

  void Append(const uint8_t* data, size_t size);
  // The next complete frame: the magic found, 23 header bytes and the whole payload
  // present. Bytes before the magic are dropped.
  bool Next(OperationFrame* out);
  size_t buffered() const { return buffer_.size() - start_; }

 private:
  void Drop(size_t n);
  std::vector<uint8_t> buffer_;
  size_t start_ = 0;
};

}  // namespace quilgate

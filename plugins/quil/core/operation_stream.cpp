#include "operation_stream.h"

#include <cstring>

#include "frame_header.h"

namespace quilgate {

using camshare::frame::kHeaderSize;

void OperationStream::Append(const uint8_t* data, size_t size) {
  if (data == nullptr || size == 0) return;
  if (start_ > 0 && start_ >= buffer_.size() / 2) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
    start_ = 0;
  }
  buffer_.insert(buffer_.end(), data, data + size);
}

void OperationStream::Drop(size_t n) {
  start_ += n;
  if (start_ >= buffer_.size()) {
    buffer_.clear();
    start_ = 0;
  }
}

bool OperationStream::Next(OperationFrame* out) {
  const uint8_t* magic = camshare::frame::kMagicOperation;
  for (;;) {
    const uint8_t* data = buffer_.data() + start_;
    size_t size = buffered();
    size_t at = 0;
    while (at + 4 <= size && std::memcmp(data + at, magic, 4) != 0) ++at;
    if (at + 4 > size) {
      // Keep a tail that may be the start of a magic cut by the receive.
      size_t keep = size < 3 ? size : 3;
      Drop(size - keep);
      return false;
    }
    Drop(at);
    data = buffer_.data() + start_;
    size = buffered();
    camshare::frame::FrameHeader header;
    if (!camshare::frame::DecodeHeader(data, size, &header)) return false;
    if (header.length > kMaxPayload) {
      Drop(1);
      continue;
    }
    if (size - kHeaderSize < header.length) return false;
    out->op = header.op;
    out->payload.assign(data + kHeaderSize, data + kHeaderSize + header.length);
    Drop(kHeaderSize + header.length);
    return true;
  }
}

}  // namespace quilgate

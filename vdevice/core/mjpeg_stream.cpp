#include "mjpeg_stream.h"

#include <cstring>

namespace mirage {

namespace {

constexpr char kContentLength[] = "Content-Length: ";
constexpr size_t kContentLengthSize = sizeof kContentLength - 1;  // 16
constexpr size_t kStatusPrefix = 9;                               // "HTTP/1.1 "

// The leading decimal digits of text, saturating; false when there are none.
bool LeadingNumber(const char* text, size_t length, uint64_t* value) {
  uint64_t v = 0;
  size_t i = 0;
  for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (v < (uint64_t{1} << 40)) v = v * 10 + static_cast<uint64_t>(text[i] - '0');
  }
  *value = v;
  return i > 0;
}

}  // namespace

MjpegStreamParser::MjpegStreamParser(size_t maxPartLength) : maxPartLength_(maxPartLength) {}

void MjpegStreamParser::Fail(End why) {
  end_ = why;
  buffer_.clear();
  head_ = 0;
}

bool MjpegStreamParser::Feed(const uint8_t* data, size_t size, const ImageSink& sink) {
  if (end_ != End::kNone) return false;
  // Parsed bytes are dropped once they are at least half the buffer: amortised linear, and
  // the buffer stays within about twice a part or line and a receive.
  if (head_ > 0 && head_ >= buffer_.size() - head_) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(head_));
    head_ = 0;
  }
  if (size > 0) buffer_.insert(buffer_.end(), data, data + size);
  while (Step(sink)) {
  }
  return end_ == End::kNone;
}

bool MjpegStreamParser::TakeLine(const char** line, size_t* length) {
  const char* begin = reinterpret_cast<const char*>(buffer_.data()) + head_;
  const size_t available = buffer_.size() - head_;
  // Bytes already searched are not searched again when a line arrives in small pieces.
  for (size_t i = scanned_; i + 1 < available; ++i) {
    if (begin[i] == '\r' && begin[i + 1] == '\n') {
      if (i > kMaxLineLength) break;
      *line = begin;
      *length = i;
      head_ += i + 2;
      scanned_ = 0;
      return true;
    }
  }
  scanned_ = available > 0 ? available - 1 : 0;
  if (available > kMaxLineLength + 1) Fail(End::kLineTooLong);
  return false;
}

bool MjpegStreamParser::Step(const ImageSink& sink) {
  if (end_ != End::kNone) return false;
  const char* line = nullptr;
  size_t length = 0;
  switch (state_) {
    case kStatus: {
      if (!TakeLine(&line, &length)) return false;
      uint64_t code = 0;
      if (length > kStatusPrefix) LeadingNumber(line + kStatusPrefix, length - kStatusPrefix, &code);
      status_ = code > 999 ? 0 : static_cast<int>(code);
      if (status_ != 200) {
        Fail(End::kStatus);
        return false;
      }
      state_ = kResponseHeaders;
      return true;
    }
    case kResponseHeaders:
      if (!TakeLine(&line, &length)) return false;
      if (length == 0) state_ = kPartHeaders;
      return true;
    case kPartHeaders:
      if (!TakeLine(&line, &length)) return false;
      if (length == 0) {
        state_ = kImage;
      } else if (length >= kContentLengthSize &&
                 std::memcmp(line, kContentLength, kContentLengthSize) == 0) {
        uint64_t value = 0;
        if (!LeadingNumber(line + kContentLengthSize, length - kContentLengthSize, &value)) {
          Fail(End::kBadLength);
          return false;
        }
        if (value > maxPartLength_) {
          Fail(End::kTooLong);
          return false;
        }
        partLength_ = static_cast<size_t>(value);
      }
      return true;
    case kImage: {
      if (buffer_.size() - head_ < partLength_) return false;
      if (partLength_ > 0) {
        const auto first = buffer_.begin() + static_cast<std::ptrdiff_t>(head_);
        std::vector<uint8_t> image(first, first + static_cast<std::ptrdiff_t>(partLength_));
        head_ += partLength_;
        ++images_;
        sink(std::move(image));
      }
      state_ = kImageEnd;
      return true;
    }
    case kImageEnd:
      if (!TakeLine(&line, &length)) return false;
      state_ = kPartHeaders;
      return true;
  }
  return false;
}

}  // namespace mirage

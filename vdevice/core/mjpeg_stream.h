// The camera's HTTP answer to the MJPEG stream request, parsed as it arrives: a status
// line, the response headers, then parts of headers and one JPEG image each. Images are
// taken by their "Content-Length:", so their bytes may hold anything, CR LF included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace mirage {

class MjpegStreamParser {
 public:
  enum State { kStatus = 0, kResponseHeaders = 1, kPartHeaders = 2, kImage = 3, kImageEnd = 4 };
  // Why the stream ends (the caller stops receiving).
  enum class End { kNone, kStatus, kBadLength, kTooLong, kLineTooLong };

  // A camera cannot make a part or a line larger than these allocate.
  static constexpr size_t kMaxPartLength = 4u << 20;
  static constexpr size_t kMaxLineLength = 8192;

  // Gets each image; the bytes are the receiver's.
  using ImageSink = std::function<void(std::vector<uint8_t>&& image)>;

  explicit MjpegStreamParser(size_t maxPartLength = kMaxPartLength);

  // Appends received bytes and parses as far as they go. False once the stream has to
  // end: a status other than 200, a part length that is no number or beyond the cap, or a
  // line beyond its cap. Nothing is parsed after that.
  bool Feed(const uint8_t* data, size_t size, const ImageSink& sink);

  State state() const { return state_; }
  End end() const { return end_; }
  int status() const { return status_; }
  size_t partLength() const { return partLength_; }
  size_t buffered() const { return buffer_.size() - head_; }
  uint64_t images() const { return images_; }

 private:
  // The next line without its CR LF, consumed; false while none is complete.
  bool TakeLine(const char** line, size_t* length);
  bool Step(const ImageSink& sink);  // one state's work; false when it must wait or end
  void Fail(End why);

  const size_t maxPartLength_;
  State state_ = kStatus;
  End end_ = End::kNone;
  int status_ = 0;
  size_t partLength_ = 0;
  uint64_t images_ = 0;
  std::vector<uint8_t> buffer_;
  size_t head_ = 0;     // parsed bytes at the front of buffer_
  size_t scanned_ = 0;  // bytes after head_ known to hold no line end
};

}  // namespace mirage

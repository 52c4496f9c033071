#include "jpeg_encoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

namespace lantern {

void AppendJpegBytes(JpegOutBuffer& out, const uint8_t* data, size_t n) {
  if (out.data.size() < out.length + n) {
    // Grow by twice the appended size, as a series of small appends would otherwise copy
    // the whole block each time.
    std::vector<uint8_t> bigger(out.data.size() + 2 * n);
    if (out.length) std::memcpy(bigger.data(), out.data.data(), out.length);
    out.data.swap(bigger);
  }
  if (n) std::memcpy(out.data.data() + out.length, data, n);
  out.length += n;
}

namespace {

struct Destination {
  jpeg_destination_mgr pub;
  JpegOutBuffer* out;
  JOCTET* work;
};

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf back;
  char message[JMSG_LENGTH_MAX];
};

void InitDestination(j_compress_ptr cinfo) {
  Destination* dest = reinterpret_cast<Destination*>(cinfo->dest);
  dest->work = static_cast<JOCTET*>((*cinfo->mem->alloc_small)(
      reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, kJpegWorkBuffer));
  if (dest->out->data.empty()) dest->out->data.resize(kJpegInitialBlock);
  dest->out->length = 0;
  dest->pub.next_output_byte = dest->work;
  dest->pub.free_in_buffer = kJpegWorkBuffer;
}

bool Append(j_compress_ptr cinfo, size_t n) {
  Destination* dest = reinterpret_cast<Destination*>(cinfo->dest);
  try {
    AppendJpegBytes(*dest->out, dest->work, n);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

boolean EmptyOutput(j_compress_ptr cinfo) {
  if (!Append(cinfo, kJpegWorkBuffer)) ERREXIT(cinfo, JERR_FILE_WRITE);
  Destination* dest = reinterpret_cast<Destination*>(cinfo->dest);
  dest->pub.next_output_byte = dest->work;
  dest->pub.free_in_buffer = kJpegWorkBuffer;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  Destination* dest = reinterpret_cast<Destination*>(cinfo->dest);
  if (!Append(cinfo, kJpegWorkBuffer - dest->pub.free_in_buffer)) ERREXIT(cinfo, JERR_FILE_WRITE);
}

void ErrorExit(j_common_ptr cinfo) {
  ErrorManager* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->back, 1);
}

}  // namespace

struct JpegCompressorState {
  jpeg_compress_struct cinfo{};
  ErrorManager err{};
  Destination dest{};
  bool created = false;
};

void JpegCompressorRelease::operator()(JpegCompressorState* state) const {
  if (state->created) jpeg_destroy_compress(&state->cinfo);
  delete state;
}

bool CompressJpeg(const uint8_t* bottomUpBgr, int width, int height, int quality,
                  JpegOutBuffer& out, const std::function<void(const std::string&)>& onError) {
  if (bottomUpBgr == nullptr || width <= 0 || height <= 0) return false;
  if (!out.compressor) {
    out.compressor.reset(new (std::nothrow) JpegCompressorState());
    if (!out.compressor) {
      out.length = 0;
      if (onError) onError("out of memory");
      return false;
    }
  }
  JpegCompressorState& state = *out.compressor;
  jpeg_compress_struct& cinfo = state.cinfo;
  state.err.message[0] = '\0';
  if (setjmp(state.err.back)) {
    // Abandons this frame only; the object stays usable for the next.
    if (state.created) jpeg_abort_compress(&cinfo);
    out.length = 0;
    if (onError) onError(state.err.message);
    return false;
  }
  if (!state.created) {
    cinfo.err = jpeg_std_error(&state.err.pub);
    state.err.pub.error_exit = ErrorExit;
    jpeg_create_compress(&cinfo);
    state.created = true;
    state.dest.pub.init_destination = InitDestination;
    state.dest.pub.empty_output_buffer = EmptyOutput;
    state.dest.pub.term_destination = TermDestination;
    cinfo.dest = &state.dest.pub;
  }
  state.dest.out = &out;
  state.dest.work = nullptr;
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  // Same colour conversion as for RGB input, reading the components the other way round.
  cinfo.in_color_space = JCS_EXT_BGR;
  // Every setting is made afresh for each frame, so the bytes never depend on the last one.
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  const size_t stride = static_cast<size_t>(width) * 3;
  // A batch of row pointers per call, as many rows as the library takes at once for 2x2
  // subsampling; picture row r is stored row height-1-r.
  JSAMPROW rows[16];
  while (cinfo.next_scanline < cinfo.image_height) {
    const JDIMENSION first = cinfo.next_scanline;
    const JDIMENSION count = std::min<JDIMENSION>(16, cinfo.image_height - first);
    for (JDIMENSION k = 0; k < count; ++k)
      rows[k] = const_cast<JSAMPROW>(bottomUpBgr + stride * (cinfo.image_height - 1 - first - k));
    jpeg_write_scanlines(&cinfo, rows, count);
  }
  jpeg_finish_compress(&cinfo);
  return true;
}

bool EncodeFrame(const uint8_t* pixels, size_t size, int width, int height, JpegOutBuffer& out,
                 const std::function<void(const std::string&)>& onError) {
  out.length = 0;
  if (pixels == nullptr || width <= 0 || height <= 0) return false;
  if (size / (static_cast<size_t>(width) * 3) < static_cast<size_t>(height)) return false;
  if (!CompressJpeg(pixels, width, height, kJpegQuality, out, onError)) return false;
  return out.length != 0;
}

}  // namespace lantern

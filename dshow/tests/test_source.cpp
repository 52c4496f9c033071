#include "test_source.h"

#include <cstring>

namespace dshow_test {

// {5B1E6F0A-2C4D-4E8B-9A71-3D0C5E6F7A81}
const CLSID CLSID_TestSource = {
    0x5b1e6f0a, 0x2c4d, 0x4e8b, {0x9a, 0x71, 0x3d, 0x0c, 0x5e, 0x6f, 0x7a, 0x81}};

HRESULT TestPin::GetMediaType(int position, dshow::CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (position == 0) return dshow::MakeVideoInfoType(mt, MEDIASUBTYPE_RGB24, 640, 480, 333333);
  if (position == 1) return dshow::MakeVideoInfoType(mt, MEDIASUBTYPE_RGB32, 320, 240, 333333);
  return VFW_S_NO_MORE_ITEMS;
}

HRESULT TestPin::CheckMediaType(const AM_MEDIA_TYPE* mt) {
  if (acceptAnyRgb24 && mt->subtype == MEDIASUBTYPE_RGB24 &&
      mt->formattype == FORMAT_VideoInfo && mt->cbFormat >= sizeof(VIDEOINFOHEADER))
    return S_OK;
  return CPushPin::CheckMediaType(mt);
}

HRESULT TestPin::OnThreadCreate() {
  ++threadCreates;
  return threadCreateResult;
}

HRESULT TestPin::FillBuffer(IMediaSample* sample) {
  if (WaitForStop(pacingMs)) return S_FALSE;
  int n = fills++;
  if (endAfter >= 0 && n >= endAfter) return S_FALSE;
  if (failAfter >= 0 && n >= failAfter) return E_FAIL;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  long size = sample->GetSize();
  memset(data, n & 0xFF, static_cast<size_t>(size));
  sample->SetActualDataLength(size);
  if (setOwnTimes) {
    REFERENCE_TIME start = n * 1000LL, end = start + 500;
    sample->SetTime(&start, &end);
  }
  return S_OK;
}

TestSource::TestSource(int pins) : CLiveSource(CLSID_TestSource) {
  AddPin(new TestPin(this, L"Capture"));
  if (pins > 1) AddPin(new TestPin(this, L"Preview"));
}

}  // namespace dshow_test

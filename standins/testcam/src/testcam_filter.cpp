#include "testcam_filter.h"

#include <cstdlib>
#include <new>

#include "dshow_base/pin_category.h"
#include "scene.h"
#include "testcam/test_camera.h"
#include "testcam/test_pattern.h"

namespace testcam {

namespace {

struct Size {
  LONG width, height;
};
// A webcam's usual preference: the larger size first.
constexpr Size kSizes[] = {{640, 480}, {320, 240}};
constexpr int kSizeCount = 2;
constexpr REFERENCE_TIME kFrameTime = 10000000 / kFramesPerSecond;

HRESULT MakeType(int index, dshow::CMediaType* mt) {
  return dshow::MakeVideoInfoType(mt, MEDIASUBTYPE_RGB24, kSizes[index].width,
                                  kSizes[index].height, kFrameTime);
}

LONGLONG Ticks() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t.QuadPart;
}

}  // namespace

TestCamPin::TestCamPin(dshow::CLiveSource* filter) : CPushPin(filter, kPinName) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  m_ticksPerSecond = f.QuadPart;
}

HRESULT TestCamPin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IAMStreamConfig)
    return dshow::GetInterface(static_cast<IAMStreamConfig*>(this), ppv);
  if (riid == IID_IKsPropertySet)
    return dshow::GetInterface(static_cast<IKsPropertySet*>(this), ppv);
  return CPushPin::NonDelegatingQueryInterface(riid, ppv);
}

int TestCamPin::SizeIndex(const AM_MEDIA_TYPE* mt) {
  if (mt == nullptr || mt->majortype != MEDIATYPE_Video || mt->subtype != MEDIASUBTYPE_RGB24 ||
      mt->formattype != FORMAT_VideoInfo || mt->pbFormat == nullptr ||
      mt->cbFormat < sizeof(VIDEOINFOHEADER))
    return -1;
  const BITMAPINFOHEADER& bmi = reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat)->bmiHeader;
  if (bmi.biBitCount != 24 || bmi.biCompression != BI_RGB) return -1;
  for (int i = 0; i < kSizeCount; ++i)
    if (bmi.biWidth == kSizes[i].width && bmi.biHeight == kSizes[i].height) return i;
  return -1;
}

HRESULT TestCamPin::GetMediaType(int position, dshow::CMediaType* mt) {
  if (mt == nullptr) return E_POINTER;
  if (position < 0) return E_INVALIDARG;
  dshow::CAutoLock lock(m_pinLock);
  if (m_chosen.IsValid()) {
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    return mt->Set(m_chosen);
  }
  if (position >= kSizeCount) return VFW_S_NO_MORE_ITEMS;
  return MakeType(position, mt);
}

HRESULT TestCamPin::CheckMediaType(const AM_MEDIA_TYPE* mt) {
  int index = SizeIndex(mt);
  if (index < 0) return S_FALSE;
  dshow::CAutoLock lock(m_pinLock);
  if (m_chosen.IsValid() && index != SizeIndex(&m_chosen)) return S_FALSE;
  return S_OK;
}

HRESULT TestCamPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  // A few buffers let the next frame be painted while downstream holds the last one.
  if (request != nullptr && request->cBuffers < 3) request->cBuffers = 3;
  return CPushPin::DecideBufferSize(allocator, request);
}

HRESULT TestCamPin::OnThreadCreate() {
  m_frame = 0;
  m_scheduleStart = 0;
  m_scheduled = 0;
  return S_OK;
}

HRESULT TestCamPin::FillBuffer(IMediaSample* sample) {
  const VIDEOINFOHEADER* vih = m_mt.VideoInfo();
  if (sample == nullptr || vih == nullptr) return E_POINTER;
  const int width = vih->bmiHeader.biWidth;
  const int height = std::abs(vih->bmiHeader.biHeight);
  const long size = static_cast<long>(Rgb24Stride(width)) * height;
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data)) || sample->GetSize() < size) return E_FAIL;

  // Frames fall due on a fixed 30 fps grid; after a stall the grid restarts instead of
  // sending a burst.
  LONGLONG now = Ticks();
  if (m_scheduleStart == 0 ||
      now - (m_scheduleStart + m_scheduled * m_ticksPerSecond / kFramesPerSecond) >
          m_ticksPerSecond / 10) {
    m_scheduleStart = now;
    m_scheduled = 0;
  }
  LONGLONG due = m_scheduleStart + m_scheduled * m_ticksPerSecond / kFramesPerSecond;
  ++m_scheduled;
  if (due > now) {
    DWORD ms = static_cast<DWORD>((due - now) * 1000 / m_ticksPerSecond);
    if (ms > 0 && WaitForStop(ms)) return S_FALSE;
  }

  PaintFrame(data, width, height, m_frame++, ReadScene());
  sample->SetActualDataLength(size);
  return S_OK;
}

// --- IAMStreamConfig -----------------------------------------------------------------

STDMETHODIMP TestCamPin::SetFormat(AM_MEDIA_TYPE* mt) {
  if (Filter()->State() != State_Stopped) return VFW_E_NOT_STOPPED;
  HRESULT hr = S_OK;
  {
    dshow::CAutoLock lock(m_pinLock);
    if (mt == nullptr) {
      m_chosen.Clear();
      return S_OK;
    }
    int index = SizeIndex(mt);
    if (index < 0) return VFW_E_INVALIDMEDIATYPE;
    hr = MakeType(index, &m_chosen);
    if (FAILED(hr) || !IsConnected() || SizeIndex(&m_mt) == index) return hr;
  }
  return Reconnect();
}

STDMETHODIMP TestCamPin::GetFormat(AM_MEDIA_TYPE** mt) {
  if (mt == nullptr) return E_POINTER;
  dshow::CMediaType current;
  {
    dshow::CAutoLock lock(m_pinLock);
    if (IsConnected())
      current = m_mt;
    else if (m_chosen.IsValid())
      current = m_chosen;
  }
  if (!current.IsValid()) MakeType(0, &current);
  *mt = dshow::CreateMediaType(&current);
  return *mt != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP TestCamPin::GetNumberOfCapabilities(int* count, int* size) {
  if (count == nullptr || size == nullptr) return E_POINTER;
  *count = kSizeCount;
  *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
  return S_OK;
}

STDMETHODIMP TestCamPin::GetStreamCaps(int index, AM_MEDIA_TYPE** mt, BYTE* caps) {
  if (index < 0) return E_INVALIDARG;
  if (index >= kSizeCount) return S_FALSE;
  if (mt == nullptr || caps == nullptr) return E_POINTER;
  dshow::CMediaType type;
  HRESULT hr = MakeType(index, &type);
  if (FAILED(hr)) return hr;
  *mt = dshow::CreateMediaType(&type);
  if (*mt == nullptr) return E_OUTOFMEMORY;

  const SIZE size = {kSizes[index].width, kSizes[index].height};
  VIDEO_STREAM_CONFIG_CAPS c = {};
  c.guid = FORMAT_VideoInfo;
  c.InputSize = size;
  c.MinCroppingSize = size;
  c.MaxCroppingSize = size;
  c.MinOutputSize = size;
  c.MaxOutputSize = size;
  c.MinFrameInterval = kFrameTime;
  c.MaxFrameInterval = kFrameTime;
  c.MinBitsPerSecond = c.MaxBitsPerSecond =
      static_cast<LONG>(size.cx * size.cy * 24LL * kFramesPerSecond);
  memcpy(caps, &c, sizeof c);
  return S_OK;
}

// --- IKsPropertySet ------------------------------------------------------------------

STDMETHODIMP TestCamPin::Set(REFGUID, DWORD, LPVOID, DWORD, LPVOID, DWORD) {
  return E_NOTIMPL;
}

STDMETHODIMP TestCamPin::Get(REFGUID set, DWORD id, LPVOID, DWORD, LPVOID data,
                             DWORD dataSize, DWORD* returned) {
  return dshow::GetPinCategory(PIN_CATEGORY_CAPTURE, set, id, data, dataSize, returned);
}

STDMETHODIMP TestCamPin::QuerySupported(REFGUID set, DWORD id, DWORD* support) {
  return dshow::QueryPinCategorySupport(set, id, support);
}

// --- Filter --------------------------------------------------------------------------

TestCamFilter::TestCamFilter() : CLiveSource(kClsid) { AddPin(new TestCamPin(this)); }

IUnknown* TestCamFilter::Create(HRESULT* hr) {
  auto* filter = new (std::nothrow) TestCamFilter;
  *hr = filter != nullptr ? S_OK : E_OUTOFMEMORY;
  return static_cast<IBaseFilter*>(filter);
}

}  // namespace testcam

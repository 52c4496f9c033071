#include "virtual_vdev_stream.h"

#include <cstdlib>
#include <new>

#include "Rookery.h"
#include "dshow_base/live_source.h"
#include "dshow_base/pin_category.h"
#include "mirage_ids.h"
#include "video_formats.h"
#include "virtual_video_dev.h"

namespace mirage {

namespace {

static_assert(sizeof(VIDEOINFO) == 1128, "VIDEOINFO format block");
static_assert(sizeof(VIDEOINFOHEADER) == 88, "VIDEOINFOHEADER format block");
static_assert(sizeof(VIDEO_STREAM_CONFIG_CAPS) == 128, "stream capability record");

const VIDEOINFOHEADER* VideoHeader(const AM_MEDIA_TYPE& mt) {
  if (mt.formattype != FORMAT_VideoInfo || mt.pbFormat == nullptr ||
      mt.cbFormat < sizeof(VIDEOINFOHEADER))
    return nullptr;
  return reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
}

// A zeroed header filled for one table entry, as offered at 25 frames per second.
void FillHeader(const VideoFormat& f, VIDEOINFOHEADER* vih) {
  BITMAPINFOHEADER& bmi = vih->bmiHeader;
  bmi.biSize = sizeof(BITMAPINFOHEADER);
  bmi.biWidth = f.width;
  bmi.biHeight = f.height;
  bmi.biPlanes = 1;
  bmi.biBitCount = f.bitCount;
  bmi.biCompression = f.compression;
  bmi.biSizeImage = f.imageSize;
  vih->AvgTimePerFrame = kOfferedFrameTime;
}

// The rest of a video type around a filled header.
void SetVideoType(AM_MEDIA_TYPE* mt, const VIDEOINFOHEADER& vih, BOOL fixedSize) {
  mt->majortype = MEDIATYPE_Video;
  mt->subtype = dshow::SubtypeFromBitmapHeader(vih.bmiHeader);
  mt->formattype = FORMAT_VideoInfo;
  mt->bFixedSizeSamples = fixedSize;
  mt->bTemporalCompression = FALSE;
  mt->lSampleSize = vih.bmiHeader.biSizeImage;
}

}  // namespace

CVirtualVDevStream::CVirtualVDevStream(HRESULT* hr, dshow::CLiveSource* filter,
                                       const wchar_t* name)
    : CPushPin(filter, name),
      m_frameInterval(kInitialIntervalMs),
      m_defaultFrameInterval(kInitialIntervalMs) {
  m_pBinder = new (std::nothrow) CVirtualVideoDev(kInitialWidth, kInitialHeight);
  if (m_pBinder == nullptr && hr != nullptr) *hr = E_OUTOFMEMORY;
}

CVirtualVDevStream::~CVirtualVDevStream() {
  Inactive();  // the streaming thread uses the binder
  dshow::CAutoLock lock(m_lock);
  if (m_pBinder != nullptr) {
    m_pBinder->Stop();
    if (!m_pBinder->DeviceName().empty()) StopCameraPlay(m_pBinder->DeviceName().c_str());
    delete m_pBinder;
    m_pBinder = nullptr;
  }
}

HRESULT CVirtualVDevStream::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IAMStreamConfig)
    return dshow::GetInterface(static_cast<IAMStreamConfig*>(this), ppv);
  if (riid == IID_IKsPropertySet)
    return dshow::GetInterface(static_cast<IKsPropertySet*>(this), ppv);
  return CPushPin::NonDelegatingQueryInterface(riid, ppv);
}

void CVirtualVDevStream::BindToGraphName() {
  FILTER_INFO info = {};
  if (FAILED(Filter()->QueryFilterInfo(&info))) return;
  if (info.pGraph != nullptr) info.pGraph->Release();
  dshow::CAutoLock lock(m_lock);
  m_pBinder->SetDevice(info.achName);
}

// --- Media types ----------------------------------------------------------------------

HRESULT CVirtualVDevStream::GetMediaType(int position, dshow::CMediaType* mt) {
  dshow::CAutoLock lock(Filter()->StateLock());
  if (position < 0) return E_INVALIDARG;
  if (position >= kMediaTypeCount) return VFW_S_NO_MORE_ITEMS;
  if (mt == nullptr) return E_POINTER;
  BindToGraphName();

  VideoFormat format;
  MediaTypeFormat(position, &format);
  mt->Clear();
  auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt->AllocFormat(sizeof(VIDEOINFO)));
  if (vih == nullptr) return E_OUTOFMEMORY;
  FillHeader(format, vih);
  SetVideoType(mt, *vih, TRUE);
  return S_OK;
}

HRESULT CVirtualVDevStream::CheckMediaType(const AM_MEDIA_TYPE* mt) {
  if (mt == nullptr || mt->majortype != MEDIATYPE_Video || !mt->bFixedSizeSamples)
    return E_INVALIDARG;
  if (mt->subtype != MEDIASUBTYPE_YV12 && mt->subtype != MEDIASUBTYPE_RGB32 &&
      mt->subtype != MEDIASUBTYPE_IYUV && mt->subtype != MEDIASUBTYPE_YUY2)
    return E_INVALIDARG;
  const VIDEOINFOHEADER* vih = VideoHeader(*mt);
  if (vih == nullptr) return E_INVALIDARG;
  const BITMAPINFOHEADER& bmi = vih->bmiHeader;
  const LONG height = std::labs(bmi.biHeight);
  if (bmi.biWidth < 20 || height < 20) return E_INVALIDARG;
  // Only the bound camera's own format and size.
  if (bmi.biCompression != m_pBinder->GetCompression() ||
      bmi.biWidth != m_pBinder->m_iImageWidth || height != m_pBinder->m_iImageHeight)
    return E_INVALIDARG;
  return S_OK;
}

HRESULT CVirtualVDevStream::SetMediaType(const AM_MEDIA_TYPE* mt) {
  dshow::CAutoLock lock(Filter()->StateLock());
  HRESULT hr = CPushPin::SetMediaType(mt);
  if (FAILED(hr)) return hr;
  const VIDEOINFOHEADER* vih = VideoHeader(*mt);
  if (vih == nullptr || vih->bmiHeader.biCompression != m_pBinder->GetCompression())
    return E_UNEXPECTED;
  m_pBinder->m_dwCompression = vih->bmiHeader.biCompression;
  m_pBinder->m_biBitCount = vih->bmiHeader.biBitCount;
  m_defaultFrameInterval = IntervalOfFrameTime(vih->AvgTimePerFrame);
  return S_OK;
}

HRESULT CVirtualVDevStream::DecideBufferSize(IMemAllocator* allocator,
                                             ALLOCATOR_PROPERTIES* request) {
  dshow::CAutoLock lock(Filter()->StateLock());
  if (allocator == nullptr || request == nullptr) return E_POINTER;
  const VIDEOINFOHEADER* vih = VideoHeader(m_mt);
  if (vih == nullptr) return E_FAIL;
  const BITMAPINFOHEADER& bmi = vih->bmiHeader;
  LONG size = static_cast<LONG>(bmi.biSizeImage);
  if (size <= 0)
    size = static_cast<LONG>(dshow::ImageSize(bmi.biCompression, bmi.biBitCount, bmi.biWidth,
                                              bmi.biHeight));
  // One buffer of exactly one image.
  request->cBuffers = 1;
  request->cbBuffer = size;
  if (request->cbAlign < 1) request->cbAlign = 1;
  ALLOCATOR_PROPERTIES actual = {};
  HRESULT hr = allocator->SetProperties(request, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < size ? E_FAIL : S_OK;
}

// --- Streaming ------------------------------------------------------------------------

HRESULT CVirtualVDevStream::OnThreadCreate() {
  {
    dshow::CAutoLock lock(m_lock);
    m_sampleTime = 0;
  }
  BindToGraphName();
  dshow::CAutoLock lock(m_lock);
  m_frameInterval = m_defaultFrameInterval;
  return S_OK;
}

HRESULT CVirtualVDevStream::FillBuffer(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data)) || data == nullptr) return E_POINTER;
  const long size = sample->GetSize();
  if (size > 0) memset(data, 0, static_cast<size_t>(size));

  const int32_t interval = m_frameInterval;
  REFERENCE_TIME start = 0, end = 0;
  long image = 0;
  {
    dshow::CAutoLock lock(m_lock);
    m_pBinder->GetFrame(data, size);
    image = m_pBinder->ImageSize();
    // One step, so that lateness added by a quality message in between is never lost.
    const int64_t duration = int64_t{interval} * 10000;
    start = m_sampleTime.fetch_add(duration);
    end = start + duration;
  }
  sample->SetTime(&start, &end);
  sample->SetSyncPoint(TRUE);
  if (image > 0 && image <= size) sample->SetActualDataLength(image);

  const DWORD sleep = PaceSleepMs(interval);
  if (m_pacer)
    m_pacer(sleep);
  else
    WaitForStop(sleep);  // a stop ends the wait early
  return S_OK;
}

STDMETHODIMP CVirtualVDevStream::Notify(IBaseFilter*, Quality q) {
  int32_t current = m_frameInterval;
  while (!m_frameInterval.compare_exchange_weak(current, IntervalAfterQuality(current, q.Proportion))) {
  }
  if (q.Late > 0) m_sampleTime.fetch_add(q.Late);
  return S_OK;
}

// --- IAMStreamConfig ------------------------------------------------------------------

STDMETHODIMP CVirtualVDevStream::SetFormat(AM_MEDIA_TYPE* mt) {
  if (mt == nullptr) return E_POINTER;
  {
    dshow::CAutoLock lock(m_pinLock);
    m_mt.Set(*mt);
  }
  if (IsConnected()) Reconnect();
  return S_OK;
}

STDMETHODIMP CVirtualVDevStream::GetFormat(AM_MEDIA_TYPE** mt) {
  if (mt == nullptr) return E_POINTER;
  dshow::CAutoLock lock(m_pinLock);
  *mt = dshow::CreateMediaType(&m_mt);
  return *mt != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CVirtualVDevStream::GetNumberOfCapabilities(int* count, int* size) {
  if (count == nullptr || size == nullptr) return E_POINTER;
  *count = kStreamCapsCount;
  *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
  return S_OK;
}

STDMETHODIMP CVirtualVDevStream::GetStreamCaps(int index, AM_MEDIA_TYPE** mt, BYTE* caps) {
  if (mt == nullptr) return E_POINTER;
  AM_MEDIA_TYPE* copy = nullptr;
  {
    dshow::CAutoLock lock(m_pinLock);
    copy = dshow::CreateMediaType(&m_mt);
  }
  *mt = nullptr;
  if (copy == nullptr) return E_OUTOFMEMORY;
  // Failures keep no copy: the caller owns only what S_OK hands out.
  if (copy->pbFormat == nullptr || caps == nullptr) {
    dshow::DeleteMediaType(copy);
    return E_POINTER;
  }
  VideoFormat format;
  if (!StreamCapsFormat(index, &format)) {
    dshow::DeleteMediaType(copy);
    return E_INVALIDARG;
  }
  // A fresh header block: the current type's may be of any size.
  auto* vih = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
  if (vih == nullptr) {
    dshow::DeleteMediaType(copy);
    return E_OUTOFMEMORY;
  }
  memset(vih, 0, sizeof *vih);
  FillHeader(format, vih);
  CoTaskMemFree(copy->pbFormat);
  copy->pbFormat = reinterpret_cast<BYTE*>(vih);
  copy->cbFormat = sizeof(VIDEOINFOHEADER);
  SetVideoType(copy, *vih, FALSE);

  VIDEO_STREAM_CONFIG_CAPS c = {};
  c.guid = FORMAT_VideoInfo;
  c.VideoStandard = 0;
  c.InputSize = {format.width, format.height};
  c.MinCroppingSize = {kMinimumSize.width, kMinimumSize.height};
  c.MaxCroppingSize = {kMaximumSize.width, kMaximumSize.height};
  c.CropGranularityX = kMinimumSize.width;
  c.CropGranularityY = kMinimumSize.height;
  c.MinOutputSize = c.MinCroppingSize;
  c.MaxOutputSize = c.MaxCroppingSize;
  c.MinFrameInterval = 40000;
  c.MaxFrameInterval = 500000;
  c.MinBitsPerSecond = LONG{format.bitCount} * kMinimumSize.height * kMinimumSize.width * 2;
  c.MaxBitsPerSecond = LONG{format.bitCount} * kMaximumSize.height * kMaximumSize.width * 25;
  memcpy(caps, &c, sizeof c);
  *mt = copy;
  return S_OK;
}

// --- IKsPropertySet -------------------------------------------------------------------

STDMETHODIMP CVirtualVDevStream::Set(REFGUID, DWORD, LPVOID, DWORD, LPVOID, DWORD) {
  return E_NOTIMPL;
}

STDMETHODIMP CVirtualVDevStream::Get(REFGUID set, DWORD id, LPVOID, DWORD, LPVOID data,
                                     DWORD dataSize, DWORD* returned) {
  return dshow::GetPinCategory(PIN_CATEGORY_CAPTURE, set, id, data, dataSize, returned);
}

STDMETHODIMP CVirtualVDevStream::QuerySupported(REFGUID set, DWORD id, DWORD* support) {
  if (support == nullptr) return E_POINTER;
  // Every set answers; only the pin category can be read.
  if (FAILED(dshow::QueryPinCategorySupport(set, id, support))) *support = 0;
  return S_OK;
}

}  // namespace mirage

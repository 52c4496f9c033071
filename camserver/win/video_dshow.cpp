#include "video_dshow.h"

#include <cstdio>
#include <string>

#include "capture_devices.h"
#include "log_file.h"

namespace lantern {

namespace {

// Not exported by mingw-w64's import libraries.
const CLSID kClsidSampleGrabber = {0xC1F400A0, 0x3F08, 0x11d3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
const CLSID kClsidNullRenderer = {0xC1F400A4, 0x3F08, 0x11d3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
const IID kIidSampleGrabber = {0x6B652FFF, 0x11FE, 0x4fce, {0x92, 0xAD, 0x02, 0x66, 0xB5, 0xD7, 0xC7, 0x8F}};
const IID kIidSampleGrabberCB = {0x0579154A, 0x2B53, 0x4994, {0xB0, 0xD0, 0xE7, 0x73, 0x14, 0x8E, 0xFF, 0x85}};

template <typename T>
void SafeRelease(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

IPin* FirstPin(IBaseFilter* filter, PIN_DIRECTION wanted) {
  IEnumPins* pins = nullptr;
  if (FAILED(filter->EnumPins(&pins))) return nullptr;
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    PIN_DIRECTION dir;
    if (SUCCEEDED(pin->QueryDirection(&dir)) && dir == wanted) break;
    SafeRelease(pin);
  }
  pins->Release();
  return pin;
}

void FreeMediaTypeFormat(AM_MEDIA_TYPE& mt) {
  if (mt.cbFormat && mt.pbFormat) CoTaskMemFree(mt.pbFormat);
  mt.pbFormat = nullptr;
  mt.cbFormat = 0;
  SafeRelease(mt.pUnk);
}

}  // namespace

STDMETHODIMP CVideoDShow::SampleCallback::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == kIidSampleGrabberCB) {
    *ppv = static_cast<ISampleGrabberCB*>(this);
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP CVideoDShow::SampleCallback::BufferCB(double, BYTE* buffer, long length) {
  if (buffer && length > 0) m_pOwner->m_frame.StoreSample(buffer, static_cast<size_t>(length));
  return 0;
}

CVideoDShow::CVideoDShow(int deviceIndex) : m_iDeviceIndex(deviceIndex), m_callback(this) {}

CVideoDShow::~CVideoDShow() {
  LibraryLog().Write("~CVideoDShow() call start\r\n");
  SafeRelease(m_pMoniker);
  LibraryLog().Write("~CVideoDShow() call end\r\n");
  ReleaseAll();
}

void CVideoDShow::ReleaseAll() {
  SafeRelease(m_pControl);
  SafeRelease(m_pNullRender);
  SafeRelease(m_pGraph);
  SafeRelease(m_pSource);
  SafeRelease(m_pGrabber);
  SafeRelease(m_pGrabberFilter);
}

bool CVideoDShow::StartCapture() {
  Logger& log = LibraryLog();
  if (FAILED(CoCreateInstance(kClsidSampleGrabber, nullptr, CLSCTX_INPROC_SERVER, kIidSampleGrabber,
                              reinterpret_cast<void**>(&m_pGrabber)))) {
    std::printf("Could not create CLSID_SampleGrabber\r\n");
    return false;
  }
  m_pGrabber->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&m_pGrabberFilter));

  std::string displayName;
  m_pMoniker = AcquireCaptureDevice(m_iDeviceIndex, &displayName);
  if (!m_pMoniker) return false;
  if (FAILED(m_pMoniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                      reinterpret_cast<void**>(&m_pSource)))) {
    log.Write("Could not Create Video Device\r\n");
    return false;
  }
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              reinterpret_cast<void**>(&m_pGraph)))) {
    log.Write("Could not not create the graph\r\n");
    return false;
  }
  if (FAILED(CoCreateInstance(kClsidNullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                              reinterpret_cast<void**>(&m_pNullRender)))) {
    log.Write("Could not not create the null render\r\n");
    return false;
  }
  wchar_t wideName[260] = {};
  MultiByteToWideChar(CP_ACP, 0, displayName.c_str(), -1, wideName, 259);
  m_pGraph->AddFilter(m_pSource, wideName);
  m_pGraph->AddFilter(m_pGrabberFilter, L"Grabber");
  m_pGraph->AddFilter(m_pNullRender, L"Video Null Render");

  AM_MEDIA_TYPE mt = {};
  mt.majortype = MEDIATYPE_Video;
  mt.subtype = MEDIASUBTYPE_RGB24;
  m_pGrabber->SetMediaType(&mt);

  IPin* sourceOut = FirstPin(m_pSource, PINDIR_OUTPUT);
  IPin* grabberIn = FirstPin(m_pGrabberFilter, PINDIR_INPUT);
  HRESULT hr = (sourceOut && grabberIn) ? m_pGraph->Connect(sourceOut, grabberIn) : E_FAIL;
  SafeRelease(sourceOut);
  SafeRelease(grabberIn);
  if (FAILED(hr)) {
    log.Write("Could not connect source filter to grabber\r\n");
    return false;
  }
  if (!ReadConnectedFormat()) {
    log.Write("Could not connect source filter to grabber\r\n");
    return false;
  }
  IPin* grabberOut = FirstPin(m_pGrabberFilter, PINDIR_OUTPUT);
  hr = grabberOut ? m_pGraph->Render(grabberOut) : E_FAIL;
  SafeRelease(grabberOut);
  if (FAILED(hr)) {
    log.Write("Could not render grabber output pin\r\n");
    return false;
  }
  m_pGrabber->SetBufferSamples(FALSE);
  m_pGrabber->SetOneShot(FALSE);
  m_pGrabber->SetCallback(&m_callback, 1);
  if (FAILED(m_pGraph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m_pControl)))) {
    log.Write("Could not get grabber Control interface\r\n");
    return false;
  }
  m_pControl->Run();
  log.Write("Sample grabbing complete.\r\n");
  return true;
}

bool CVideoDShow::ReadConnectedFormat() {
  AM_MEDIA_TYPE mt = {};
  if (FAILED(m_pGrabber->GetConnectedMediaType(&mt))) return false;
  bool ok = mt.formattype == FORMAT_VideoInfo && mt.pbFormat && mt.cbFormat >= sizeof(VIDEOINFOHEADER);
  if (ok) {
    const VIDEOINFOHEADER* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
    const BITMAPINFOHEADER& bih = vih->bmiHeader;
    m_iImageWidth = bih.biWidth;
    m_iImageHeight = bih.biHeight < 0 ? -bih.biHeight : bih.biHeight;
    size_t imageSize = bih.biSizeImage;
    if (imageSize == 0) imageSize = static_cast<size_t>(m_iImageWidth) * m_iImageHeight * 3;
    ok = m_iImageWidth > 0 && m_iImageHeight > 0;
    if (ok)
      m_frame.Configure(reinterpret_cast<const uint8_t*>(&bih), m_iImageWidth, m_iImageHeight,
                        imageSize);
  }
  FreeMediaTypeFormat(mt);
  return ok;
}

void CVideoDShow::StopCapture() {
  Logger& log = LibraryLog();
  if (!m_pControl) {
    log.Write("StopCaptureVideo but the pControl is NULL\r\n");
    return;
  }
  if (FAILED(m_pControl->Stop())) log.Write("call media control 's stop failed\r\n");
  IMediaEvent* events = nullptr;
  if (SUCCEEDED(m_pGraph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&events)))) {
    log.Write("WaitForCompletion wait for video device stop\r\n");
    long code = 0;
    // A stopped graph answers at once; the bound keeps a misbehaving driver from hanging
    // the camera's destruction.
    events->WaitForCompletion(2000, &code);
    events->Release();
    log.Write("StopCaptureVideo successed!\r\n");
  }
}

}  // namespace lantern

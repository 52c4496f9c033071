#include "capture_graph.h"

#include <qedit.h>

#include "dshow_base/device_list.h"
#include "dshow_base/media_type.h"

namespace webcam {

namespace {

// Not in mingw-w64's libraries.
const CLSID kClsidSampleGrabber = {0xC1F400A0, 0x3F08, 0x11d3,
                                   {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
const CLSID kClsidNullRenderer = {0xC1F400A4, 0x3F08, 0x11d3,
                                  {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
constexpr size_t kMaxTimes = 1000;

IPin* FindPin(IBaseFilter* filter, PIN_DIRECTION want) {
  IEnumPins* pins = nullptr;
  if (FAILED(filter->EnumPins(&pins))) return nullptr;
  IPin* found = nullptr;
  IPin* pin = nullptr;
  while (found == nullptr && pins->Next(1, &pin, nullptr) == S_OK) {
    PIN_DIRECTION dir;
    if (SUCCEEDED(pin->QueryDirection(&dir)) && dir == want)
      found = pin;
    else
      pin->Release();
  }
  pins->Release();
  return found;
}

template <class T>
void SafeRelease(T*& p) {
  if (p != nullptr) p->Release();
  p = nullptr;
}

}  // namespace

// --- FrameSink ------------------------------------------------------------------------

void FrameSink::OnSample(IMediaSample* sample) {
  BYTE* data = nullptr;
  if (sample == nullptr || FAILED(sample->GetPointer(&data))) return;
  const long length = sample->GetActualDataLength();
  SampleTimes times = {};
  times.result = sample->GetTime(&times.start, &times.end);
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  std::lock_guard<std::mutex> guard(m_lock);
  if (m_frames == 0) m_first = now;
  m_last = now;
  ++m_frames;
  m_lastFrame.assign(data, data + (length > 0 ? length : 0));
  if (m_keep > 0) {
    if (static_cast<int>(m_kept.size()) == m_keep) m_kept.erase(m_kept.begin());
    m_kept.push_back(m_lastFrame);
  }
  if (m_times.size() < kMaxTimes) m_times.push_back(times);
}

int FrameSink::Frames() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_frames;
}

bool FrameSink::WaitForFrames(int count, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (Frames() < count) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(5);
  }
  return true;
}

std::vector<uint8_t> FrameSink::LastFrame() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_lastFrame;
}

std::vector<std::vector<uint8_t>> FrameSink::KeptFrames() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_kept;
}

std::vector<SampleTimes> FrameSink::Times() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_times;
}

double FrameSink::FramesPerSecond() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::lock_guard<std::mutex> guard(m_lock);
  const double seconds =
      static_cast<double>(m_last.QuadPart - m_first.QuadPart) / static_cast<double>(frequency.QuadPart);
  return m_frames > 1 && seconds > 0 ? (m_frames - 1) / seconds : 0.0;
}

void FrameSink::Reset() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_frames = 0;
  m_lastFrame.clear();
  m_kept.clear();
  m_times.clear();
}

// --- The grabber's callback -----------------------------------------------------------

class CaptureGraph::Callback : public ISampleGrabberCB {
 public:
  explicit Callback(FrameSink* sink) : m_sink(sink) {}
  virtual ~Callback() = default;
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ISampleGrabberCB) {
      *ppv = static_cast<ISampleGrabberCB*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  // Owned by the graph object, which outlives the grabber's use of it.
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP SampleCB(double, IMediaSample* sample) override {
    m_sink->OnSample(sample);
    return S_OK;
  }
  STDMETHODIMP BufferCB(double, BYTE*, long) override { return S_OK; }

 private:
  FrameSink* m_sink;
};

// --- CaptureGraph ---------------------------------------------------------------------

CaptureGraph::CaptureGraph(int keepFrames) : m_sink(keepFrames), m_callback(new Callback(&m_sink)) {}

CaptureGraph::~CaptureGraph() {
  if (m_control != nullptr) m_control->Stop();
  SafeRelease(m_control);
  SafeRelease(m_sourcePin);
  SafeRelease(m_grabberFilter);
  SafeRelease(m_renderer);
  SafeRelease(m_source);
  SafeRelease(m_graph);
  delete m_callback;
}

HRESULT CaptureGraph::Open(const wchar_t* friendlyName) {
  IBaseFilter* source = nullptr;
  HRESULT hr = dshow::CreateDeviceFilter(CLSID_VideoInputDeviceCategory, friendlyName, &source);
  if (FAILED(hr)) return hr;
  hr = OpenFilter(source, friendlyName);
  source->Release();
  return hr;
}

HRESULT CaptureGraph::OpenFilter(IBaseFilter* source, const wchar_t* name) {
  HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&m_graph));
  if (FAILED(hr)) return hr;
  m_source = source;
  m_source->AddRef();
  hr = m_graph->AddFilter(m_source, name);
  if (FAILED(hr)) return hr;
  hr = CoCreateInstance(kClsidSampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                        reinterpret_cast<void**>(&m_grabberFilter));
  if (FAILED(hr)) return hr;
  ISampleGrabber* grabber = nullptr;
  hr = m_grabberFilter->QueryInterface(IID_ISampleGrabber, reinterpret_cast<void**>(&grabber));
  if (FAILED(hr)) return hr;
  AM_MEDIA_TYPE want = {};
  want.majortype = MEDIATYPE_Video;  // whatever the device offers
  grabber->SetMediaType(&want);
  grabber->SetBufferSamples(FALSE);
  grabber->SetOneShot(FALSE);
  grabber->SetCallback(m_callback, 0);
  hr = m_graph->AddFilter(m_grabberFilter, L"Grabber");
  if (SUCCEEDED(hr))
    hr = CoCreateInstance(kClsidNullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                          reinterpret_cast<void**>(&m_renderer));
  if (SUCCEEDED(hr)) hr = m_graph->AddFilter(m_renderer, L"Null Renderer");

  m_sourcePin = FindPin(m_source, PINDIR_OUTPUT);
  IPin* in = FindPin(m_grabberFilter, PINDIR_INPUT);
  if (SUCCEEDED(hr) && (m_sourcePin == nullptr || in == nullptr)) hr = VFW_E_NOT_FOUND;
  if (SUCCEEDED(hr)) hr = m_graph->Connect(m_sourcePin, in);
  if (in != nullptr) in->Release();
  IPin* out = SUCCEEDED(hr) ? FindPin(m_grabberFilter, PINDIR_OUTPUT) : nullptr;
  if (out != nullptr) {
    hr = m_graph->Render(out);
    out->Release();
  }
  if (SUCCEEDED(hr)) {
    AM_MEDIA_TYPE mt = {};
    hr = grabber->GetConnectedMediaType(&mt);
    if (SUCCEEDED(hr) && mt.formattype == FORMAT_VideoInfo && mt.pbFormat != nullptr) {
      const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
      m_subtype = mt.subtype;
      m_width = vih->bmiHeader.biWidth;
      m_height = vih->bmiHeader.biHeight < 0 ? -vih->bmiHeader.biHeight : vih->bmiHeader.biHeight;
      m_known = true;
      if (mt.subtype == MEDIASUBTYPE_RGB32)
        m_format = SampleFormat::kRgb32;
      else if (mt.subtype == MEDIASUBTYPE_RGB24)
        m_format = SampleFormat::kRgb24;
      else if (mt.subtype == MEDIASUBTYPE_YUY2)
        m_format = SampleFormat::kYuy2;
      else
        m_known = false;
    }
    dshow::FreeMediaType(mt);
  }
  grabber->Release();
  if (SUCCEEDED(hr))
    hr = m_graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m_control));
  return hr;
}

HRESULT CaptureGraph::Run() { return m_control != nullptr ? m_control->Run() : E_UNEXPECTED; }
HRESULT CaptureGraph::Stop() { return m_control != nullptr ? m_control->Stop() : E_UNEXPECTED; }

}  // namespace webcam

#include "dshow_base/push_pin.h"

#include <cwchar>
#include <new>

#include "dshow_base/enumerators.h"
#include "dshow_base/live_source.h"

namespace dshow {

CPushPin::CPushPin(CLiveSource* filter, const wchar_t* name)
    : m_filter(filter),
      m_name(name != nullptr ? name : L""),
      m_stopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_runEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_startedEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

CPushPin::~CPushPin() {
  Inactive();
  ReleaseConnection();
  CloseHandle(m_stopEvent);
  CloseHandle(m_runEvent);
  CloseHandle(m_startedEvent);
}

// --- IUnknown -------------------------------------------------------------------------

STDMETHODIMP CPushPin::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  return NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP_(ULONG) CPushPin::AddRef() { return m_filter->AddRef(); }
STDMETHODIMP_(ULONG) CPushPin::Release() { return m_filter->Release(); }

HRESULT CPushPin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IUnknown || riid == IID_IPin)
    return GetInterface(static_cast<IPin*>(this), ppv);
  if (riid == IID_IQualityControl)
    return GetInterface(static_cast<IQualityControl*>(this), ppv);
  return E_NOINTERFACE;
}

// --- Connection ---------------------------------------------------------------------

STDMETHODIMP CPushPin::Connect(IPin* receiver, const AM_MEDIA_TYPE* mt) {
  if (receiver == nullptr) return E_POINTER;
  CAutoLock lock(m_pinLock);
  if (m_connected != nullptr) return VFW_E_ALREADY_CONNECTED;
  if (m_filter->State() != State_Stopped) return VFW_E_NOT_STOPPED;

  if (mt != nullptr && !IsPartiallySpecified(*mt)) return AttemptConnection(receiver, mt);

  // Our own preferences first, then whatever the receiver proposes.
  IEnumMediaTypes* ours = nullptr;
  HRESULT hr = EnumMediaTypes(&ours);
  if (SUCCEEDED(hr)) {
    hr = TryTypes(receiver, mt, ours);
    ours->Release();
    if (SUCCEEDED(hr)) return hr;
  }
  IEnumMediaTypes* theirs = nullptr;
  if (SUCCEEDED(receiver->EnumMediaTypes(&theirs)) && theirs != nullptr) {
    HRESULT hr2 = TryTypes(receiver, mt, theirs);
    theirs->Release();
    if (SUCCEEDED(hr2)) return hr2;
  }
  return VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT CPushPin::TryTypes(IPin* receiver, const AM_MEDIA_TYPE* pattern,
                           IEnumMediaTypes* types) {
  types->Reset();
  AM_MEDIA_TYPE* candidate = nullptr;
  while (types->Next(1, &candidate, nullptr) == S_OK) {
    bool fits = pattern == nullptr || MatchesPartialType(*candidate, *pattern);
    HRESULT hr = fits ? AttemptConnection(receiver, candidate) : E_FAIL;
    DeleteMediaType(candidate);
    if (SUCCEEDED(hr)) return hr;
  }
  return VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT CPushPin::AttemptConnection(IPin* receiver, const AM_MEDIA_TYPE* mt) {
  PIN_DIRECTION dir;
  if (FAILED(receiver->QueryDirection(&dir)) || dir != PINDIR_INPUT)
    return VFW_E_INVALID_DIRECTION;
  if (CheckMediaType(mt) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;

  CMediaType previous(m_mt);
  HRESULT hr = SetMediaType(mt);
  if (FAILED(hr)) return hr;

  IMemInputPin* input = nullptr;
  hr = receiver->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input));
  if (FAILED(hr)) {
    m_mt = previous;
    return VFW_E_NO_TRANSPORT;
  }
  m_connected = receiver;
  m_connected->AddRef();
  m_input = input;
  hr = receiver->ReceiveConnection(this, mt);
  if (SUCCEEDED(hr)) {
    hr = DecideAllocator(input);
    if (SUCCEEDED(hr)) hr = CompleteConnect(receiver);
    if (SUCCEEDED(hr)) return S_OK;
    receiver->Disconnect();
  }
  ReleaseConnection();
  m_mt = previous;
  return hr;
}

HRESULT CPushPin::DecideAllocator(IMemInputPin* input) {
  ALLOCATOR_PROPERTIES request = {};
  // Receivers that do not care return E_NOTIMPL; the request then stays empty.
  input->GetAllocatorRequirements(&request);
  if (request.cbAlign == 0) request.cbAlign = 1;

  IMemAllocator* allocator = nullptr;
  HRESULT hr = input->GetAllocator(&allocator);
  if (SUCCEEDED(hr) && allocator != nullptr) {
    ALLOCATOR_PROPERTIES props = request;
    hr = DecideBufferSize(allocator, &props);
    if (SUCCEEDED(hr)) hr = input->NotifyAllocator(allocator, FALSE);
    if (SUCCEEDED(hr)) {
      m_allocator = allocator;
      return S_OK;
    }
    allocator->Release();
    allocator = nullptr;
  }
  hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                        IID_IMemAllocator, reinterpret_cast<void**>(&allocator));
  if (FAILED(hr)) return hr;
  ALLOCATOR_PROPERTIES props = request;
  hr = DecideBufferSize(allocator, &props);
  if (SUCCEEDED(hr)) hr = input->NotifyAllocator(allocator, FALSE);
  if (FAILED(hr)) {
    allocator->Release();
    return hr;
  }
  m_allocator = allocator;
  return S_OK;
}

HRESULT CPushPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (allocator == nullptr || request == nullptr) return E_POINTER;
  LONG size = static_cast<LONG>(m_mt.lSampleSize);
  if (const VIDEOINFOHEADER* vih = m_mt.VideoInfo()) {
    LONG image = static_cast<LONG>(vih->bmiHeader.biSizeImage);
    if (image == 0)
      image = static_cast<LONG>(ImageSize(vih->bmiHeader.biCompression,
                                          vih->bmiHeader.biBitCount, vih->bmiHeader.biWidth,
                                          vih->bmiHeader.biHeight));
    if (image > size) size = image;
  }
  if (size <= 0) return VFW_E_TYPE_NOT_ACCEPTED;
  if (request->cBuffers < 1) request->cBuffers = 1;
  if (request->cbBuffer < size) request->cbBuffer = size;
  if (request->cbAlign < 1) request->cbAlign = 1;
  ALLOCATOR_PROPERTIES actual = {};
  HRESULT hr = allocator->SetProperties(request, &actual);
  if (FAILED(hr)) return hr;
  if (actual.cbBuffer < request->cbBuffer || actual.cBuffers < 1) return E_FAIL;
  return S_OK;
}

void CPushPin::ReleaseConnection() {
  if (m_allocator != nullptr) {
    m_allocator->Decommit();
    m_allocator->Release();
    m_allocator = nullptr;
  }
  if (m_input != nullptr) m_input->Release();
  m_input = nullptr;
  if (m_connected != nullptr) m_connected->Release();
  m_connected = nullptr;
}

STDMETHODIMP CPushPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) {
  return E_UNEXPECTED;  // an output pin only connects outwards
}

STDMETHODIMP CPushPin::Disconnect() {
  CAutoLock lock(m_pinLock);
  if (m_filter->State() != State_Stopped) return VFW_E_NOT_STOPPED;
  if (m_connected == nullptr) return S_FALSE;
  ReleaseConnection();
  BreakConnect();
  return S_OK;
}

STDMETHODIMP CPushPin::ConnectedTo(IPin** pin) {
  if (pin == nullptr) return E_POINTER;
  CAutoLock lock(m_pinLock);
  *pin = m_connected;
  if (m_connected == nullptr) return VFW_E_NOT_CONNECTED;
  m_connected->AddRef();
  return S_OK;
}

STDMETHODIMP CPushPin::ConnectionMediaType(AM_MEDIA_TYPE* mt) {
  if (mt == nullptr) return E_POINTER;
  CAutoLock lock(m_pinLock);
  if (m_connected == nullptr) {
    AM_MEDIA_TYPE empty = {};
    *mt = empty;
    return VFW_E_NOT_CONNECTED;
  }
  return CopyMediaType(mt, &m_mt);
}

STDMETHODIMP CPushPin::QueryPinInfo(PIN_INFO* info) {
  if (info == nullptr) return E_POINTER;
  info->pFilter = m_filter;
  m_filter->AddRef();
  info->dir = PINDIR_OUTPUT;
  wcsncpy(info->achName, m_name.c_str(), MAX_PIN_NAME - 1);
  info->achName[MAX_PIN_NAME - 1] = L'\0';
  return S_OK;
}

STDMETHODIMP CPushPin::QueryDirection(PIN_DIRECTION* dir) {
  if (dir == nullptr) return E_POINTER;
  *dir = PINDIR_OUTPUT;
  return S_OK;
}

STDMETHODIMP CPushPin::QueryId(LPWSTR* id) {
  if (id == nullptr) return E_POINTER;
  size_t bytes = (m_name.size() + 1) * sizeof(wchar_t);
  *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (*id == nullptr) return E_OUTOFMEMORY;
  memcpy(*id, m_name.c_str(), bytes);
  return S_OK;
}

STDMETHODIMP CPushPin::QueryAccept(const AM_MEDIA_TYPE* mt) {
  if (mt == nullptr) return E_POINTER;
  return CheckMediaType(mt) == S_OK ? S_OK : S_FALSE;
}

STDMETHODIMP CPushPin::EnumMediaTypes(IEnumMediaTypes** types) {
  if (types == nullptr) return E_POINTER;
  *types = new (std::nothrow) CEnumMediaTypes(this);
  return *types != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CPushPin::QueryInternalConnections(IPin** pins, ULONG* count) {
  return E_NOTIMPL;
}

// Data-flow calls come from upstream, and an output pin has none.
STDMETHODIMP CPushPin::EndOfStream() { return E_UNEXPECTED; }
STDMETHODIMP CPushPin::BeginFlush() { return E_UNEXPECTED; }
STDMETHODIMP CPushPin::EndFlush() { return E_UNEXPECTED; }
STDMETHODIMP CPushPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  return S_OK;
}

STDMETHODIMP CPushPin::Notify(IBaseFilter* sender, Quality q) {
  if (m_qualitySink != nullptr) return m_qualitySink->Notify(m_filter, q);
  return S_OK;
}

STDMETHODIMP CPushPin::SetSink(IQualityControl* sink) {
  m_qualitySink = sink;
  return S_OK;
}

// --- Media types --------------------------------------------------------------------

HRESULT CPushPin::CheckMediaType(const AM_MEDIA_TYPE* mt) {
  if (mt == nullptr) return E_POINTER;
  CMediaType offered;
  for (int i = 0; GetMediaType(i, &offered) == S_OK; ++i) {
    if (SameMediaType(offered, *mt)) return S_OK;
  }
  return S_FALSE;
}

HRESULT CPushPin::SetMediaType(const AM_MEDIA_TYPE* mt) {
  if (mt == nullptr) return E_POINTER;
  return m_mt.Set(*mt);
}

REFERENCE_TIME CPushPin::FrameDuration() const {
  const VIDEOINFOHEADER* vih = m_mt.VideoInfo();
  if (vih != nullptr && vih->AvgTimePerFrame > 0) return vih->AvgTimePerFrame;
  return 10000000 / 30;
}

HRESULT CPushPin::Reconnect() {
  IFilterGraph* graph = m_filter->Graph();
  if (graph == nullptr) return VFW_E_NOT_IN_GRAPH;
  IFilterGraph2* graph2 = nullptr;
  if (SUCCEEDED(graph->QueryInterface(IID_IFilterGraph2, reinterpret_cast<void**>(&graph2)))) {
    HRESULT hr = graph2->ReconnectEx(this, nullptr);
    graph2->Release();
    return hr;
  }
  return graph->Reconnect(this);
}

}  // namespace dshow

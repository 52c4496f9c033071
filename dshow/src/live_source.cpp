#include "dshow_base/live_source.h"

#include <cwchar>
#include <new>

#include "dshow_base/enumerators.h"
#include "dshow_base/push_pin.h"

namespace dshow {

CLiveSource::CLiveSource(const CLSID& clsid) : m_clsid(clsid) {}

CLiveSource::~CLiveSource() {
  // The graph stops filters before releasing them; this covers a bare Release.
  StopPins();
  for (CPushPin* pin : m_pins) delete pin;
  if (m_clock != nullptr) m_clock->Release();
}

HRESULT CLiveSource::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IUnknown || riid == IID_IPersist || riid == IID_IMediaFilter ||
      riid == IID_IBaseFilter)
    return GetInterface(static_cast<IBaseFilter*>(this), ppv);
  if (riid == IID_IAMFilterMiscFlags)
    return GetInterface(static_cast<IAMFilterMiscFlags*>(this), ppv);
  return E_NOINTERFACE;
}

void CLiveSource::AddPin(CPushPin* pin) { m_pins.push_back(pin); }

CPushPin* CLiveSource::Pin(int index) const {
  if (index < 0 || index >= PinCount()) return nullptr;
  return m_pins[static_cast<size_t>(index)];
}

FILTER_STATE CLiveSource::State() const {
  CAutoLock lock(m_stateLock);
  return m_state;
}

STDMETHODIMP CLiveSource::GetClassID(CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = m_clsid;
  return S_OK;
}

void CLiveSource::StopPins() {
  for (CPushPin* pin : m_pins) pin->Inactive();
}

STDMETHODIMP CLiveSource::Stop() {
  CAutoLock control(m_controlLock);
  StopPins();
  CAutoLock lock(m_stateLock);
  m_state = State_Stopped;
  return S_OK;
}

HRESULT CLiveSource::PauseLocked() {
  FILTER_STATE state = State();
  if (state == State_Stopped) {
    for (CPushPin* pin : m_pins) {
      if (!pin->IsConnected()) continue;
      HRESULT hr = pin->Active();
      if (FAILED(hr)) {
        StopPins();
        return hr;
      }
    }
  } else if (state == State_Running) {
    for (CPushPin* pin : m_pins) pin->SetRunning(false);
  }
  CAutoLock lock(m_stateLock);
  m_state = State_Paused;
  return VFW_S_CANT_CUE;
}

STDMETHODIMP CLiveSource::Pause() {
  CAutoLock control(m_controlLock);
  return PauseLocked();
}

STDMETHODIMP CLiveSource::Run(REFERENCE_TIME start) {
  CAutoLock control(m_controlLock);
  if (State() == State_Stopped) {
    HRESULT hr = PauseLocked();
    if (FAILED(hr)) return hr;
  }
  {
    CAutoLock lock(m_stateLock);
    m_runStart = start;
    m_state = State_Running;
  }
  for (CPushPin* pin : m_pins)
    if (pin->IsConnected()) pin->SetRunning(true);
  return S_OK;
}

STDMETHODIMP CLiveSource::GetState(DWORD timeoutMs, FILTER_STATE* state) {
  if (state == nullptr) return E_POINTER;
  *state = State();
  return *state == State_Paused ? VFW_S_CANT_CUE : S_OK;
}

STDMETHODIMP CLiveSource::SetSyncSource(IReferenceClock* clock) {
  CAutoLock lock(m_stateLock);
  if (clock != nullptr) clock->AddRef();
  if (m_clock != nullptr) m_clock->Release();
  m_clock = clock;
  return S_OK;
}

STDMETHODIMP CLiveSource::GetSyncSource(IReferenceClock** clock) {
  if (clock == nullptr) return E_POINTER;
  CAutoLock lock(m_stateLock);
  *clock = m_clock;
  if (m_clock != nullptr) m_clock->AddRef();
  return S_OK;
}

HRESULT CLiveSource::StreamTime(REFERENCE_TIME* time) const {
  if (time == nullptr) return E_POINTER;
  CAutoLock lock(m_stateLock);
  if (m_clock == nullptr) return VFW_E_NO_CLOCK;
  HRESULT hr = m_clock->GetTime(time);
  if (FAILED(hr)) return hr;
  *time -= m_runStart;
  return S_OK;
}

STDMETHODIMP CLiveSource::EnumPins(IEnumPins** pins) {
  if (pins == nullptr) return E_POINTER;
  *pins = new (std::nothrow) CEnumPins(this);
  return *pins != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CLiveSource::FindPin(LPCWSTR id, IPin** pin) {
  if (id == nullptr || pin == nullptr) return E_POINTER;
  for (CPushPin* p : m_pins) {
    if (p->Name() == id) return GetInterface(static_cast<IPin*>(p), reinterpret_cast<void**>(pin));
  }
  *pin = nullptr;
  return VFW_E_NOT_FOUND;
}

STDMETHODIMP CLiveSource::QueryFilterInfo(FILTER_INFO* info) {
  if (info == nullptr) return E_POINTER;
  CAutoLock lock(m_stateLock);
  wcsncpy(info->achName, m_name.c_str(), MAX_FILTER_NAME - 1);
  info->achName[MAX_FILTER_NAME - 1] = L'\0';
  info->pGraph = m_graph;
  if (m_graph != nullptr) m_graph->AddRef();
  return S_OK;
}

STDMETHODIMP CLiveSource::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
  CAutoLock lock(m_stateLock);
  m_graph = graph;
  m_name = name != nullptr ? name : L"";
  return S_OK;
}

STDMETHODIMP CLiveSource::QueryVendorInfo(LPWSTR* info) {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP_(ULONG) CLiveSource::GetMiscFlags() { return AM_FILTER_MISC_FLAGS_IS_SOURCE; }

IFilterGraph* CLiveSource::Graph() const {
  CAutoLock lock(m_stateLock);
  return m_graph;
}

std::wstring CLiveSource::GraphName() const {
  CAutoLock lock(m_stateLock);
  return m_name;
}

HRESULT CLiveSource::NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2) {
  IMediaEventSink* sink = nullptr;
  {
    CAutoLock lock(m_stateLock);
    if (m_graph == nullptr) return E_NOTIMPL;
    if (FAILED(m_graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink))))
      return E_NOTIMPL;
  }
  HRESULT hr = sink->Notify(code, param1, param2);
  sink->Release();
  return hr;
}

}  // namespace dshow

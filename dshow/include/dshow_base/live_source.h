// A live source filter: owns pushing output pins and drives their streaming threads
// from the graph's state changes. Derived filters create their pins in the constructor.
#pragma once

#include <string>
#include <vector>

#include "dshow_base/com_object.h"
#include "dshow_base/sync.h"

#include <dshow.h>

namespace dshow {

class CPushPin;

class CLiveSource : public CComObject, public IBaseFilter, public IAMFilterMiscFlags {
 public:
  explicit CLiveSource(const CLSID& clsid);
  ~CLiveSource() override;

  DSHOW_DECLARE_IUNKNOWN
  // IUnknown, IPersist, IMediaFilter, IBaseFilter, IAMFilterMiscFlags.
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // IPersist
  STDMETHODIMP GetClassID(CLSID* clsid) override;
  // IMediaFilter. Pause and GetState answer VFW_S_CANT_CUE while paused: a live source
  // has nothing to cue, and the graph must not wait for a preroll sample.
  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Run(REFERENCE_TIME start) override;
  STDMETHODIMP GetState(DWORD timeoutMs, FILTER_STATE* state) override;
  STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;
  // IBaseFilter
  STDMETHODIMP EnumPins(IEnumPins** pins) override;
  STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override;
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
  STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  STDMETHODIMP QueryVendorInfo(LPWSTR* info) override;
  // IAMFilterMiscFlags
  STDMETHODIMP_(ULONG) GetMiscFlags() override;

  int PinCount() const { return static_cast<int>(m_pins.size()); }
  CPushPin* Pin(int index) const;
  FILTER_STATE State() const;
  // Clock time minus the run start; VFW_E_NO_CLOCK without a clock.
  HRESULT StreamTime(REFERENCE_TIME* time) const;
  // The graph (no reference taken, as the graph owns the filter) and the filter's name in it.
  IFilterGraph* Graph() const;
  std::wstring GraphName() const;
  // Posts an event to the graph's event sink; E_NOTIMPL outside a graph.
  HRESULT NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2);
  // Guards the filter's fields; held only briefly, never while threads start or stop, so
  // streaming threads and derived classes may take it.
  CCritSec& StateLock() const { return m_stateLock; }

 protected:
  // Takes ownership; the pin's lifetime is the filter's.
  void AddPin(CPushPin* pin);

 private:
  HRESULT PauseLocked();
  void StopPins();

  const CLSID m_clsid;
  CCritSec m_controlLock;  // serialises Stop/Pause/Run, held while pin threads start/stop
  mutable CCritSec m_stateLock;
  FILTER_STATE m_state = State_Stopped;
  REFERENCE_TIME m_runStart = 0;
  IReferenceClock* m_clock = nullptr;
  IFilterGraph* m_graph = nullptr;
  std::wstring m_name;
  std::vector<CPushPin*> m_pins;
};

}  // namespace dshow

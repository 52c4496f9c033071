// A pushing output pin of a live source: connection and allocator negotiation, and a
// streaming thread that fills samples and delivers them downstream while the graph runs.
#pragma once

#include <atomic>
#include <string>

#include "dshow_base/media_type.h"
#include "dshow_base/sync.h"

namespace dshow {

class CLiveSource;

class CPushPin : public IPin, public IQualityControl {
 public:
  // The name is also the pin's id.
  CPushPin(CLiveSource* filter, const wchar_t* name);
  virtual ~CPushPin();
  CPushPin(const CPushPin&) = delete;
  CPushPin& operator=(const CPushPin&) = delete;

  // IUnknown: references count on the filter, which owns the pin.
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // Hook for extra interfaces (IAMStreamConfig, IKsPropertySet): answer them, then call
  // the base for IUnknown, IPin and IQualityControl.
  virtual HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv);

  // IPin
  STDMETHODIMP Connect(IPin* receiver, const AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP Disconnect() override;
  STDMETHODIMP ConnectedTo(IPin** pin) override;
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
  STDMETHODIMP QueryDirection(PIN_DIRECTION* dir) override;
  STDMETHODIMP QueryId(LPWSTR* id) override;
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
  STDMETHODIMP QueryInternalConnections(IPin** pins, ULONG* count) override;
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;
  STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
  // IQualityControl: the default passes messages to a sink set with SetSink, else ignores them.
  STDMETHODIMP Notify(IBaseFilter* sender, Quality q) override;
  STDMETHODIMP SetSink(IQualityControl* sink) override;

  // Media types offered in order of preference; VFW_S_NO_MORE_ITEMS past the end.
  virtual HRESULT GetMediaType(int position, CMediaType* mt) = 0;
  // S_OK to accept. The default accepts exactly the types GetMediaType lists.
  virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt);
  // Makes `mt` the pin's current type (called before the receiver is asked).
  virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* mt);
  // Sets the allocator's properties. The default asks for at least one buffer of one
  // sample of the current type and fails with E_FAIL when given less.
  virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request);
  // After the receiver agreed and the allocator is chosen / after a disconnect.
  virtual HRESULT CompleteConnect(IPin* receiver) { return S_OK; }
  virtual void BreakConnect() {}

  // On the streaming thread. OnThreadCreate runs once per Stopped->Paused (its failure
  // fails Pause); OnThreadDestroy once when the thread ends.
  virtual HRESULT OnThreadCreate() { return S_OK; }
  virtual void OnThreadDestroy() {}
  // Fills one sample, pacing itself (block until the frame is due, e.g. with
  // WaitForStop). S_OK delivers it, S_FALSE ends the stream (EndOfStream downstream), a
  // failure aborts it (EC_ERRORABORT). Time stamps set here are kept; otherwise
  // StampSample sets them. A failed Receive ends delivery quietly until Stop.
  virtual HRESULT FillBuffer(IMediaSample* sample) = 0;
  // Default: [stream time now, + FrameDuration()) or consecutive times without a clock.
  virtual HRESULT StampSample(IMediaSample* sample);
  // The current type's AvgTimePerFrame, else 1/30 s.
  virtual REFERENCE_TIME FrameDuration() const;

  // Called by the filter with its control lock held.
  virtual HRESULT Active();    // Stopped -> Paused: commit, start the thread
  virtual HRESULT Inactive();  // -> Stopped: decommit, join the thread
  virtual void SetRunning(bool running);

  bool IsConnected() const { return m_connected != nullptr; }
  IPin* ConnectedPin() const { return m_connected; }
  const CMediaType& CurrentMediaType() const { return m_mt; }
  CLiveSource* Filter() const { return m_filter; }
  const std::wstring& Name() const { return m_name; }
  IMemAllocator* Allocator() const { return m_allocator; }

  HRESULT DeliverEndOfStream();
  HRESULT DeliverBeginFlush();
  HRESULT DeliverEndFlush();
  HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);
  // Asks the graph to reconnect this pin, e.g. after the format was changed.
  HRESULT Reconnect();
  // Sleeps up to `ms`; true (early) when the streaming thread has been told to stop.
  bool WaitForStop(DWORD ms) const;

 protected:
  CCritSec m_pinLock;  // guards connection state on application threads
  CMediaType m_mt;     // current type; kept after a disconnect

 private:
  HRESULT AttemptConnection(IPin* receiver, const AM_MEDIA_TYPE* mt);
  HRESULT TryTypes(IPin* receiver, const AM_MEDIA_TYPE* pattern, IEnumMediaTypes* types);
  HRESULT DecideAllocator(IMemInputPin* input);
  void ReleaseConnection();
  static DWORD WINAPI ThreadEntry(void* self);
  void StreamLoop();
  bool StopRequested() const { return WaitForStop(0); }

  CLiveSource* const m_filter;
  const std::wstring m_name;
  IPin* m_connected = nullptr;
  IMemInputPin* m_input = nullptr;
  IMemAllocator* m_allocator = nullptr;
  IQualityControl* m_qualitySink = nullptr;  // not referenced, as IQualityControl asks
  HANDLE m_thread = nullptr;
  HANDLE m_stopEvent;
  HANDLE m_runEvent;
  HANDLE m_startedEvent;
  HRESULT m_threadCreateResult = S_OK;
  REFERENCE_TIME m_nextStart = 0;
  std::atomic<bool> m_discontinuity{true};
};

}  // namespace dshow

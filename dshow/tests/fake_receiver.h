// A downstream input pin (independent of the filter and pin code under test): records
// what the source pin asks and delivers; knobs refuse types and shape allocators.
#pragma once

#include <atomic>
#include <mutex>
#include <vector>

#include <windows.h>
#include <dshow.h>

namespace dshow_test {

struct SampleRecord {
  HRESULT timeResult;
  REFERENCE_TIME start, end;
  bool discontinuity, syncPoint;
  long length;
  BYTE firstByte;
};

class FakeReceiver : public IPin, public IMemInputPin {
 public:
  FakeReceiver();
  virtual ~FakeReceiver();

  // Knobs.
  LONG acceptWidth = 0;        // accept only this width (0: any)
  GUID acceptSubtype = GUID_NULL;
  bool offerAllocator = false; // GetAllocator hands out its own allocator
  bool holdSamples = false;    // keep received samples (starves a 1-buffer allocator)
  bool requireBuffers = false; // GetAllocatorRequirements asks for 3 buffers
  HRESULT receiveResult = S_OK;
  AM_MEDIA_TYPE* proposal = nullptr;  // the one type EnumMediaTypes offers (owned)

  // Observations.
  std::atomic<int> received{0};
  std::atomic<int> endOfStreams{0};
  std::atomic<bool> getAllocatorCalled{false};
  IMemAllocator* ownAllocator = nullptr;
  IMemAllocator* notifiedAllocator = nullptr;
  IPin* connector = nullptr;
  AM_MEDIA_TYPE connectedType = {};
  std::vector<SampleRecord> Records();
  // True once `count` samples arrived within `ms`.
  bool WaitForSamples(int count, DWORD ms);
  void ReleaseHeldSamples();
  LONG Refs() const { return m_ref; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // IPin
  STDMETHODIMP Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
  STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP Disconnect() override;
  STDMETHODIMP ConnectedTo(IPin** pin) override;
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
  STDMETHODIMP QueryDirection(PIN_DIRECTION* dir) override;
  STDMETHODIMP QueryId(LPWSTR* id) override;
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
  STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override { return S_OK; }
  STDMETHODIMP EndFlush() override { return S_OK; }
  STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }
  // IMemInputPin
  STDMETHODIMP GetAllocator(IMemAllocator** allocator) override;
  STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
  STDMETHODIMP Receive(IMediaSample* sample) override;
  STDMETHODIMP ReceiveMultiple(IMediaSample** samples, long count, long* done) override;
  STDMETHODIMP ReceiveCanBlock() override { return S_FALSE; }

 private:
  bool Accepts(const AM_MEDIA_TYPE* mt) const;

  volatile LONG m_ref = 1;
  std::mutex m_lock;
  std::vector<SampleRecord> m_records;
  std::vector<IMediaSample*> m_held;
  HANDLE m_sampleEvent;
};

}  // namespace dshow_test

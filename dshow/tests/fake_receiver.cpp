#include "fake_receiver.h"

#include <cstring>

#include "dshow_base/media_type.h"

namespace dshow_test {

namespace {

void FreeType(AM_MEDIA_TYPE& mt) {
  dshow::FreeMediaType(mt);
  mt = AM_MEDIA_TYPE{};
}

void CopyType(AM_MEDIA_TYPE* dst, const AM_MEDIA_TYPE* src) { dshow::CopyMediaType(dst, src); }

// Offers one type, once.
class OneTypeEnum : public IEnumMediaTypes {
 public:
  explicit OneTypeEnum(const AM_MEDIA_TYPE* mt) : m_mt(mt) {}
  virtual ~OneTypeEnum() = default;
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IEnumMediaTypes) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_ref; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG r = --m_ref;
    if (r == 0) delete this;
    return r;
  }
  STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override {
    ULONG n = 0;
    if (count > 0 && !m_done) {
      types[0] = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
      CopyType(types[0], m_mt);
      m_done = true;
      n = 1;
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG) override { return E_NOTIMPL; }
  STDMETHODIMP Reset() override {
    m_done = false;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumMediaTypes**) override { return E_NOTIMPL; }

 private:
  ULONG m_ref = 1;
  const AM_MEDIA_TYPE* m_mt;
  bool m_done = false;
};

}  // namespace

FakeReceiver::FakeReceiver() : m_sampleEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

FakeReceiver::~FakeReceiver() {
  ReleaseHeldSamples();
  if (notifiedAllocator) notifiedAllocator->Release();
  if (ownAllocator) ownAllocator->Release();
  if (connector) connector->Release();
  FreeType(connectedType);
  if (proposal) {
    FreeType(*proposal);
    CoTaskMemFree(proposal);
  }
  CloseHandle(m_sampleEvent);
}

STDMETHODIMP FakeReceiver::QueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IUnknown || riid == IID_IPin) {
    *ppv = static_cast<IPin*>(this);
  } else if (riid == IID_IMemInputPin) {
    *ppv = static_cast<IMemInputPin*>(this);
  } else {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) FakeReceiver::AddRef() { return InterlockedIncrement(&m_ref); }

STDMETHODIMP_(ULONG) FakeReceiver::Release() {
  LONG r = InterlockedDecrement(&m_ref);
  if (r == 0) delete this;
  return r;
}

bool FakeReceiver::Accepts(const AM_MEDIA_TYPE* mt) const {
  if (acceptSubtype != GUID_NULL && mt->subtype != acceptSubtype) return false;
  if (acceptWidth != 0) {
    if (mt->formattype != FORMAT_VideoInfo || mt->cbFormat < sizeof(VIDEOINFOHEADER))
      return false;
    auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat);
    if (vih->bmiHeader.biWidth != acceptWidth) return false;
  }
  return true;
}

STDMETHODIMP FakeReceiver::ReceiveConnection(IPin* from, const AM_MEDIA_TYPE* mt) {
  if (connector) return VFW_E_ALREADY_CONNECTED;
  if (!Accepts(mt)) return VFW_E_TYPE_NOT_ACCEPTED;
  connector = from;
  connector->AddRef();
  FreeType(connectedType);
  CopyType(&connectedType, mt);
  return S_OK;
}

STDMETHODIMP FakeReceiver::Disconnect() {
  if (!connector) return S_FALSE;
  connector->Release();
  connector = nullptr;
  if (notifiedAllocator) notifiedAllocator->Release();
  notifiedAllocator = nullptr;
  return S_OK;
}

STDMETHODIMP FakeReceiver::ConnectedTo(IPin** pin) {
  *pin = connector;
  if (!connector) return VFW_E_NOT_CONNECTED;
  connector->AddRef();
  return S_OK;
}

STDMETHODIMP FakeReceiver::ConnectionMediaType(AM_MEDIA_TYPE* mt) {
  if (!connector) return VFW_E_NOT_CONNECTED;
  CopyType(mt, &connectedType);
  return S_OK;
}

STDMETHODIMP FakeReceiver::QueryPinInfo(PIN_INFO* info) {
  info->pFilter = nullptr;
  info->dir = PINDIR_INPUT;
  wcscpy(info->achName, L"In");
  return S_OK;
}

STDMETHODIMP FakeReceiver::QueryDirection(PIN_DIRECTION* dir) {
  *dir = PINDIR_INPUT;
  return S_OK;
}

STDMETHODIMP FakeReceiver::QueryId(LPWSTR* id) {
  *id = static_cast<LPWSTR>(CoTaskMemAlloc(3 * sizeof(wchar_t)));
  wcscpy(*id, L"In");
  return S_OK;
}

STDMETHODIMP FakeReceiver::QueryAccept(const AM_MEDIA_TYPE* mt) {
  return Accepts(mt) ? S_OK : S_FALSE;
}

STDMETHODIMP FakeReceiver::EnumMediaTypes(IEnumMediaTypes** types) {
  if (!proposal) return E_NOTIMPL;
  *types = new OneTypeEnum(proposal);
  return S_OK;
}

STDMETHODIMP FakeReceiver::EndOfStream() {
  ++endOfStreams;
  SetEvent(m_sampleEvent);
  return S_OK;
}

STDMETHODIMP FakeReceiver::GetAllocator(IMemAllocator** allocator) {
  getAllocatorCalled = true;
  *allocator = nullptr;
  if (!offerAllocator) return VFW_E_NO_ALLOCATOR;
  if (!ownAllocator &&
      FAILED(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IMemAllocator, reinterpret_cast<void**>(&ownAllocator))))
    return E_FAIL;
  *allocator = ownAllocator;
  ownAllocator->AddRef();
  return S_OK;
}

STDMETHODIMP FakeReceiver::NotifyAllocator(IMemAllocator* allocator, BOOL) {
  allocator->AddRef();
  if (notifiedAllocator) notifiedAllocator->Release();
  notifiedAllocator = allocator;
  return S_OK;
}

STDMETHODIMP FakeReceiver::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) {
  if (!requireBuffers) return E_NOTIMPL;
  *props = ALLOCATOR_PROPERTIES{3, 0, 1, 0};
  return S_OK;
}

STDMETHODIMP FakeReceiver::Receive(IMediaSample* sample) {
  SampleRecord r = {};
  r.timeResult = sample->GetTime(&r.start, &r.end);
  r.discontinuity = sample->IsDiscontinuity() == S_OK;
  r.syncPoint = sample->IsSyncPoint() == S_OK;
  r.length = sample->GetActualDataLength();
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  r.firstByte = data ? data[0] : 0;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_records.push_back(r);
    if (holdSamples) {
      sample->AddRef();
      m_held.push_back(sample);
    }
  }
  ++received;
  SetEvent(m_sampleEvent);
  return receiveResult;
}

STDMETHODIMP FakeReceiver::ReceiveMultiple(IMediaSample** samples, long count, long* done) {
  *done = 0;
  for (long i = 0; i < count; ++i, ++*done) {
    HRESULT hr = Receive(samples[i]);
    if (hr != S_OK) return hr;
  }
  return S_OK;
}

std::vector<SampleRecord> FakeReceiver::Records() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_records;
}

bool FakeReceiver::WaitForSamples(int count, DWORD ms) {
  DWORD deadline = GetTickCount() + ms;
  while (received < count) {
    DWORD now = GetTickCount();
    if (static_cast<LONG>(deadline - now) <= 0) return false;
    WaitForSingleObject(m_sampleEvent, deadline - now);
  }
  return true;
}

void FakeReceiver::ReleaseHeldSamples() {
  std::vector<IMediaSample*> held;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    held.swap(m_held);
  }
  for (IMediaSample* s : held) s->Release();
}

}  // namespace dshow_test

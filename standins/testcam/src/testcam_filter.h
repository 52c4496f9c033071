// The test camera's filter and its capture pin.
#pragma once

#include <cstdint>

#include "dshow_base/live_source.h"
#include "dshow_base/push_pin.h"

namespace testcam {

class TestCamPin : public dshow::CPushPin, public IAMStreamConfig, public IKsPropertySet {
 public:
  explicit TestCamPin(dshow::CLiveSource* filter);

  DSHOW_FORWARD_IUNKNOWN(dshow::CPushPin)
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  HRESULT GetMediaType(int position, dshow::CMediaType* mt) override;
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT OnThreadCreate() override;
  HRESULT FillBuffer(IMediaSample* sample) override;

  // IAMStreamConfig
  STDMETHODIMP SetFormat(AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP GetFormat(AM_MEDIA_TYPE** mt) override;
  STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override;
  STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** mt, BYTE* caps) override;
  // IKsPropertySet: the pin category (capture), read-only.
  STDMETHODIMP Set(REFGUID set, DWORD id, LPVOID instance, DWORD instanceSize, LPVOID data,
                   DWORD dataSize) override;
  STDMETHODIMP Get(REFGUID set, DWORD id, LPVOID instance, DWORD instanceSize, LPVOID data,
                   DWORD dataSize, DWORD* returned) override;
  STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override;

 private:
  // Index into the size table of a type we can deliver; -1 otherwise.
  static int SizeIndex(const AM_MEDIA_TYPE* mt);

  dshow::CMediaType m_chosen;  // set by SetFormat; empty: every size is offered
  uint32_t m_frame = 0;
  LONGLONG m_scheduleStart = 0;
  LONGLONG m_scheduled = 0;  // frames due since m_scheduleStart
  LONGLONG m_ticksPerSecond = 1;
};

class TestCamFilter : public dshow::CLiveSource {
 public:
  TestCamFilter();
  static IUnknown* Create(HRESULT* hr);
};

}  // namespace testcam

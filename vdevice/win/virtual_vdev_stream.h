// The device's output pin: offers the 16 formats of the table, connects only the bound
// camera's own, and pushes its pictures at the connected frame interval.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "dshow_base/com_object.h"
#include "dshow_base/push_pin.h"

namespace mirage {

class CVirtualVideoDev;

class CVirtualVDevStream : public dshow::CPushPin, public IAMStreamConfig, public IKsPropertySet {
 public:
  // Sets *hr to E_OUTOFMEMORY when the binder cannot be made.
  CVirtualVDevStream(HRESULT* hr, dshow::CLiveSource* filter, const wchar_t* name);
  ~CVirtualVDevStream() override;

  DSHOW_FORWARD_IUNKNOWN(dshow::CPushPin)
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  HRESULT GetMediaType(int position, dshow::CMediaType* mt) override;
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE* mt) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT OnThreadCreate() override;
  HRESULT FillBuffer(IMediaSample* sample) override;

  // IQualityControl: the frame interval follows the downstream proportion; lateness moves
  // the next sample's time. Runs on any thread, without the pin's lock.
  STDMETHODIMP Notify(IBaseFilter* sender, Quality q) override;

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

  // The sleep after each sample; tests record it instead of waiting.
  using Pacer = std::function<void(DWORD ms)>;
  void SetPacer(Pacer pacer) { m_pacer = std::move(pacer); }
  int32_t FrameInterval() const { return m_frameInterval; }
  int32_t DefaultFrameInterval() const { return m_defaultFrameInterval; }
  REFERENCE_TIME SampleTime() const { return m_sampleTime; }
  CVirtualVideoDev* Binder() const { return m_pBinder; }

 private:
  // Binds the binder to the filter's name in its graph.
  void BindToGraphName();

  // Both change from Notify without the lock while the streaming thread uses them.
  std::atomic<int32_t> m_frameInterval;
  std::atomic<int64_t> m_sampleTime{0};
  int32_t m_defaultFrameInterval;
  dshow::CCritSec m_lock;  // the sample time's steps and every binder call while streaming
  CVirtualVideoDev* m_pBinder = nullptr;
  Pacer m_pacer;
};

}  // namespace mirage

// The pin's streaming side: the thread that fills and delivers samples, and the calls
// it passes downstream.
#include "dshow_base/push_pin.h"

#include "dshow_base/live_source.h"

namespace dshow {

// --- Delivery -----------------------------------------------------------------------

HRESULT CPushPin::DeliverEndOfStream() {
  IPin* peer = m_connected;
  return peer != nullptr ? peer->EndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT CPushPin::DeliverBeginFlush() {
  IPin* peer = m_connected;
  return peer != nullptr ? peer->BeginFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CPushPin::DeliverEndFlush() {
  IPin* peer = m_connected;
  return peer != nullptr ? peer->EndFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CPushPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  IPin* peer = m_connected;
  return peer != nullptr ? peer->NewSegment(start, stop, rate) : VFW_E_NOT_CONNECTED;
}

HRESULT CPushPin::StampSample(IMediaSample* sample) {
  REFERENCE_TIME start = 0;
  if (FAILED(m_filter->StreamTime(&start))) start = m_nextStart;
  REFERENCE_TIME end = start + FrameDuration();
  m_nextStart = end;
  return sample->SetTime(&start, &end);
}

// --- Streaming thread ---------------------------------------------------------------

bool CPushPin::WaitForStop(DWORD ms) const {
  return WaitForSingleObject(m_stopEvent, ms) == WAIT_OBJECT_0;
}

HRESULT CPushPin::Active() {
  if (m_thread != nullptr) return S_OK;
  if (m_allocator == nullptr) return VFW_E_NO_ALLOCATOR;
  HRESULT hr = m_allocator->Commit();
  if (FAILED(hr)) return hr;
  ResetEvent(m_stopEvent);
  ResetEvent(m_runEvent);
  m_nextStart = 0;
  m_discontinuity = true;
  m_threadCreateResult = E_FAIL;
  m_thread = CreateThread(nullptr, 0, &CPushPin::ThreadEntry, this, 0, nullptr);
  if (m_thread == nullptr) {
    hr = HRESULT_FROM_WIN32(GetLastError());
    m_allocator->Decommit();
    return hr;
  }
  // The thread reports OnThreadCreate's result, or ends.
  HANDLE waits[2] = {m_startedEvent, m_thread};
  WaitForMultipleObjects(2, waits, FALSE, INFINITE);
  if (FAILED(m_threadCreateResult)) {
    hr = m_threadCreateResult;
    Inactive();
    return hr;
  }
  return S_OK;
}

HRESULT CPushPin::Inactive() {
  SetEvent(m_stopEvent);
  ResetEvent(m_runEvent);
  // Decommitting releases a thread blocked in GetBuffer.
  if (m_allocator != nullptr) m_allocator->Decommit();
  if (m_thread != nullptr) {
    WaitForSingleObject(m_thread, INFINITE);
    CloseHandle(m_thread);
    m_thread = nullptr;
  }
  return S_OK;
}

void CPushPin::SetRunning(bool running) {
  if (running) {
    SetEvent(m_runEvent);
  } else {
    ResetEvent(m_runEvent);
    m_discontinuity = true;  // times jump across the pause
  }
}

DWORD WINAPI CPushPin::ThreadEntry(void* self) {
  auto* pin = static_cast<CPushPin*>(self);
  HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  HRESULT hr = pin->OnThreadCreate();
  pin->m_threadCreateResult = hr;
  SetEvent(pin->m_startedEvent);
  if (SUCCEEDED(hr)) {
    pin->StreamLoop();
    pin->OnThreadDestroy();
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}

void CPushPin::StreamLoop() {
  HANDLE waits[2] = {m_stopEvent, m_runEvent};
  HRESULT hr = S_OK;
  for (;;) {
    // Samples flow only while running: a live source has nothing to show when paused.
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return;
    IMediaSample* sample = nullptr;
    hr = m_allocator->GetBuffer(&sample, nullptr, nullptr, 0);
    if (FAILED(hr) || sample == nullptr) {
      if (StopRequested()) return;
      if (SUCCEEDED(hr)) hr = E_POINTER;
      break;
    }
    sample->SetTime(nullptr, nullptr);
    sample->SetSyncPoint(TRUE);
    sample->SetDiscontinuity(m_discontinuity.exchange(false) ? TRUE : FALSE);
    hr = FillBuffer(sample);
    if (StopRequested()) {
      sample->Release();
      return;
    }
    if (hr == S_OK) {
      REFERENCE_TIME start, end;
      if (sample->GetTime(&start, &end) == VFW_E_SAMPLE_TIME_NOT_SET) StampSample(sample);
      hr = m_input->Receive(sample);
      sample->Release();
      // S_FALSE: downstream declines for now (flushing, stopping); keep producing.
      if (SUCCEEDED(hr)) continue;
      // Downstream reports its own failures, and fails Receive when the graph stops it
      // first: stop delivering without raising an error.
      WaitForStop(INFINITE);
      return;
    }
    sample->Release();
    if (hr == S_FALSE) {
      DeliverEndOfStream();
      WaitForStop(INFINITE);
      return;
    }
    break;
  }
  // A failure aborts the stream; the thread idles until stopped.
  m_filter->NotifyEvent(EC_ERRORABORT, FAILED(hr) ? hr : E_FAIL, 0);
  DeliverEndOfStream();
  WaitForStop(INFINITE);
}

}  // namespace dshow

// A small live source for the tests: one or two pins offering RGB24 640x480 then RGB32
// 320x240, filling each sample with its sequence number.
#pragma once

#include <atomic>

#include "dshow_base/live_source.h"
#include "dshow_base/push_pin.h"

namespace dshow_test {

extern const CLSID CLSID_TestSource;

class TestPin : public dshow::CPushPin {
 public:
  TestPin(dshow::CLiveSource* filter, const wchar_t* name) : CPushPin(filter, name) {}

  HRESULT GetMediaType(int position, dshow::CMediaType* mt) override;
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
  HRESULT OnThreadCreate() override;
  void OnThreadDestroy() override { ++threadDestroys; }
  HRESULT FillBuffer(IMediaSample* sample) override;

  // Knobs and observations.
  HRESULT threadCreateResult = S_OK;
  DWORD pacingMs = 5;
  int endAfter = -1;          // FillBuffer returns S_FALSE from this sample on
  int failAfter = -1;         // FillBuffer returns E_FAIL from this sample on
  bool setOwnTimes = false;   // FillBuffer stamps [n*1000, n*1000+500)
  bool acceptAnyRgb24 = false;  // CheckMediaType takes RGB24 of any size
  std::atomic<int> threadCreates{0};
  std::atomic<int> threadDestroys{0};
  std::atomic<int> fills{0};
};

class TestSource : public dshow::CLiveSource {
 public:
  explicit TestSource(int pins = 1);
  TestPin* TestPinAt(int i) const { return static_cast<TestPin*>(Pin(i)); }
};

}  // namespace dshow_test

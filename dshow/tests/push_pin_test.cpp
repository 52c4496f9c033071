// The pushing pin: type negotiation, allocators, the streaming thread and its stops.
#include "dshow_base/push_pin.h"

#include <gtest/gtest.h>

#include "dshow_base/com_object.h"
#include "dshow_base/pin_category.h"
#include "fake_receiver.h"
#include "test_source.h"

using dshow_test::FakeReceiver;
using dshow_test::SampleRecord;
using dshow_test::TestPin;
using dshow_test::TestSource;

namespace {

LONG WidthOf(const AM_MEDIA_TYPE& mt) {
  return reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader.biWidth;
}

class PushPinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    m_baseline = dshow::CModule::ObjectCount();
    source = new TestSource(1);
    pin = source->TestPinAt(0);
    receiver = new FakeReceiver;
  }
  void TearDown() override {
    source->Stop();
    receiver->ReleaseHeldSamples();  // before the allocator goes
    pin->Disconnect();
    receiver->Disconnect();
    receiver->Release();
    if (clock) clock->Release();
    EXPECT_EQ(1, source->RefCount());  // nothing kept a reference to the filter
    source->Release();
    EXPECT_EQ(m_baseline, dshow::CModule::ObjectCount());
    CoUninitialize();
  }
  void UseClock() {
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IReferenceClock, reinterpret_cast<void**>(&clock)));
    source->SetSyncSource(clock);
  }
  REFERENCE_TIME Now() {
    REFERENCE_TIME t = 0;
    clock->GetTime(&t);
    return t;
  }

  TestSource* source = nullptr;
  TestPin* pin = nullptr;
  FakeReceiver* receiver = nullptr;
  IReferenceClock* clock = nullptr;

 private:
  LONG m_baseline = 0;
};

// --- Connection ----------------------------------------------------------------------

TEST_F(PushPinTest, ConnectsWithTheFirstOwnTypeTheReceiverTakes) {
  receiver->acceptWidth = 320;
  ASSERT_EQ(S_OK, pin->Connect(receiver, nullptr));
  EXPECT_EQ(MEDIASUBTYPE_RGB32, receiver->connectedType.subtype);
  AM_MEDIA_TYPE mt;
  ASSERT_EQ(S_OK, pin->ConnectionMediaType(&mt));
  EXPECT_EQ(320, WidthOf(mt));
  dshow::FreeMediaType(mt);
  IPin* peer = nullptr;
  ASSERT_EQ(S_OK, pin->ConnectedTo(&peer));
  EXPECT_EQ(static_cast<IPin*>(receiver), peer);
  peer->Release();
  EXPECT_EQ(static_cast<IPin*>(pin), receiver->connector);
  EXPECT_EQ(VFW_E_ALREADY_CONNECTED, pin->Connect(receiver, nullptr));

  EXPECT_EQ(S_OK, pin->Disconnect());
  EXPECT_EQ(S_FALSE, pin->Disconnect());
  EXPECT_EQ(VFW_E_NOT_CONNECTED, pin->ConnectedTo(&peer));
  EXPECT_EQ(nullptr, peer);
  EXPECT_EQ(VFW_E_NOT_CONNECTED, pin->ConnectionMediaType(&mt));
}

TEST_F(PushPinTest, TypesFromTheCallerNarrowTheChoice) {
  dshow::CMediaType mt;
  dshow::MakeVideoInfoType(&mt, MEDIASUBTYPE_RGB24, 160, 120, 333333);
  EXPECT_EQ(VFW_E_TYPE_NOT_ACCEPTED, pin->Connect(receiver, &mt));  // full: only that one
  EXPECT_FALSE(pin->IsConnected());
  AM_MEDIA_TYPE partial = {};
  partial.majortype = MEDIATYPE_Video;
  partial.subtype = MEDIASUBTYPE_RGB32;
  ASSERT_EQ(S_OK, pin->Connect(receiver, &partial));
  EXPECT_EQ(320, WidthOf(receiver->connectedType));
}

TEST_F(PushPinTest, FallsBackToTheReceiversProposals) {
  pin->acceptAnyRgb24 = true;
  receiver->acceptWidth = 160;
  dshow::CMediaType proposal;
  dshow::MakeVideoInfoType(&proposal, MEDIASUBTYPE_RGB24, 160, 120, 333333);
  receiver->proposal = dshow::CreateMediaType(&proposal);
  ASSERT_EQ(S_OK, pin->Connect(receiver, nullptr));
  EXPECT_EQ(160, WidthOf(pin->CurrentMediaType()));
}

TEST_F(PushPinTest, RefusedConnectionLeavesThePinAsItWas) {
  receiver->acceptWidth = 1;
  EXPECT_EQ(VFW_E_NO_ACCEPTABLE_TYPES, pin->Connect(receiver, nullptr));
  EXPECT_FALSE(pin->IsConnected());
  EXPECT_FALSE(pin->CurrentMediaType().IsValid());
  EXPECT_EQ(1, receiver->Refs());
  EXPECT_EQ(E_POINTER, pin->Connect(nullptr, nullptr));
}

TEST_F(PushPinTest, OutputPinRefusesIncomingConnectionsAndUpstreamCalls) {
  EXPECT_EQ(E_UNEXPECTED, pin->ReceiveConnection(receiver, &pin->CurrentMediaType()));
  EXPECT_EQ(E_UNEXPECTED, pin->EndOfStream());
  EXPECT_EQ(E_UNEXPECTED, pin->BeginFlush());
  EXPECT_EQ(E_UNEXPECTED, pin->EndFlush());
  EXPECT_EQ(S_OK, pin->NewSegment(0, 0, 1.0));
  EXPECT_EQ(E_NOTIMPL, pin->QueryInternalConnections(nullptr, nullptr));
  PIN_DIRECTION dir;
  EXPECT_EQ(S_OK, pin->QueryDirection(&dir));
  EXPECT_EQ(PINDIR_OUTPUT, dir);
  LPWSTR id = nullptr;
  ASSERT_EQ(S_OK, pin->QueryId(&id));
  EXPECT_STREQ(L"Capture", id);
  CoTaskMemFree(id);
}

TEST_F(PushPinTest, QueryAcceptAndMediaTypeEnumerationFollowTheOfferedList) {
  dshow::CMediaType mt;
  pin->GetMediaType(0, &mt);
  EXPECT_EQ(S_OK, pin->QueryAccept(&mt));
  reinterpret_cast<VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader.biWidth = 600;
  EXPECT_EQ(S_FALSE, pin->QueryAccept(&mt));

  IEnumMediaTypes* types = nullptr;
  ASSERT_EQ(S_OK, pin->EnumMediaTypes(&types));
  AM_MEDIA_TYPE* got[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(S_FALSE, types->Next(3, got, &fetched));
  ASSERT_EQ(2u, fetched);
  EXPECT_EQ(640, WidthOf(*got[0]));
  EXPECT_EQ(320, WidthOf(*got[1]));
  dshow::DeleteMediaType(got[0]);
  dshow::DeleteMediaType(got[1]);
  EXPECT_EQ(S_OK, types->Reset());
  EXPECT_EQ(S_OK, types->Skip(1));
  IEnumMediaTypes* clone = nullptr;
  ASSERT_EQ(S_OK, types->Clone(&clone));
  EXPECT_EQ(S_OK, clone->Next(1, got, nullptr));
  EXPECT_EQ(320, WidthOf(*got[0]));
  dshow::DeleteMediaType(got[0]);
  EXPECT_EQ(S_FALSE, clone->Skip(1));
  clone->Release();
  types->Release();
}

// --- Allocators ----------------------------------------------------------------------

TEST_F(PushPinTest, MakesItsOwnAllocatorWhenTheReceiverHasNone) {
  ASSERT_EQ(S_OK, pin->Connect(receiver, nullptr));
  EXPECT_TRUE(receiver->getAllocatorCalled);
  ASSERT_NE(nullptr, receiver->notifiedAllocator);
  EXPECT_EQ(receiver->notifiedAllocator, pin->Allocator());
  ALLOCATOR_PROPERTIES props;
  ASSERT_EQ(S_OK, pin->Allocator()->GetProperties(&props));
  EXPECT_GE(props.cbBuffer, 640 * 480 * 3);
  EXPECT_GE(props.cBuffers, 1);
}

TEST_F(PushPinTest, UsesTheReceiversAllocatorAndRequirements) {
  receiver->offerAllocator = true;
  receiver->requireBuffers = true;
  ASSERT_EQ(S_OK, pin->Connect(receiver, nullptr));
  ASSERT_NE(nullptr, receiver->ownAllocator);
  EXPECT_EQ(receiver->ownAllocator, receiver->notifiedAllocator);
  ALLOCATOR_PROPERTIES props;
  ASSERT_EQ(S_OK, receiver->ownAllocator->GetProperties(&props));
  EXPECT_EQ(3, props.cBuffers);
  EXPECT_GE(props.cbBuffer, 640 * 480 * 3);
}

// --- Streaming -----------------------------------------------------------------------

TEST_F(PushPinTest, DeliversOnlyWhileRunningWithStreamTimesAndFlags) {
  UseClock();
  ASSERT_EQ(S_OK, pin->Connect(receiver, nullptr));
  ASSERT_EQ(VFW_S_CANT_CUE, source->Pause());
  EXPECT_EQ(1, pin->threadCreates);
  Sleep(60);
  EXPECT_EQ(0, receiver->received);  // nothing while paused

  REFERENCE_TIME start = Now();
  ASSERT_EQ(S_OK, source->Run(start));
  ASSERT_TRUE(receiver->WaitForSamples(5, 2000));
  ASSERT_EQ(S_OK, source->Stop());
  EXPECT_EQ(1, pin->threadDestroys);
  int after = receiver->received;
  Sleep(30);
  EXPECT_EQ(after, receiver->received);  // nothing after Stop

  std::vector<SampleRecord> r = receiver->Records();
  EXPECT_TRUE(r[0].discontinuity);
  EXPECT_FALSE(r[1].discontinuity);
  for (size_t i = 0; i < r.size(); ++i) {
    EXPECT_EQ(S_OK, r[i].timeResult) << i;
    EXPECT_TRUE(r[i].syncPoint);
    EXPECT_EQ(640 * 480 * 3, r[i].length);
    EXPECT_EQ(static_cast<BYTE>(i), r[i].firstByte);
    EXPECT_EQ(333333, r[i].end - r[i].start);
    EXPECT_GE(r[i].start, 0);
    EXPECT_LT(r[i].start, 20000000);
    if (i > 0) {
      EXPECT_GT(r[i].start, r[i - 1].start);
    }
  }
}

TEST_F(PushPinTest, PauseHaltsAndRunResumesWithoutANewThread) {
  ASSERT_EQ(S_OK, pin->Connect(receiver, nullptr));
  ASSERT_EQ(S_OK, source->Run(0));
  ASSERT_TRUE(receiver->WaitForSamples(2, 2000));
  source->Pause();
  Sleep(20);  // a sample in flight may still land
  int paused = receiver->received;
  Sleep(60);
  EXPECT_EQ(paused, receiver->received);
  source->Run(0);
  ASSERT_TRUE(receiver->WaitForSamples(paused + 2, 2000));
  EXPECT_EQ(1, pin->threadCreates);
  EXPECT_TRUE(receiver->Records()[paused].discontinuity);
}

TEST_F(PushPinTest, RunStopCyclesRestartTheStream) {
  ASSERT_EQ(S_OK, pin->Connect(receiver, nullptr));
  for (int cycle = 1; cycle <= 3; ++cycle) {
    int before = receiver->received;
    ASSERT_EQ(S_OK, source->Run(0));
    ASSERT_TRUE(receiver->WaitForSamples(before + 3, 2000)) << cycle;
    ASSERT_EQ(S_OK, source->Stop());
    EXPECT_EQ(cycle, pin->threadCreates);
    EXPECT_EQ(cycle, pin->threadDestroys);
    EXPECT_TRUE(receiver->Records()[before].discontinuity);
  }
}

TEST_F(PushPinTest, WithoutAClockTimesAreConsecutive) {
  ASSERT_EQ(S_OK, pin->Connect(receiver, nullptr));
  source->Run(0);
  ASSERT_TRUE(receiver->WaitForSamples(3, 2000));
  source->Stop();
  std::vector<SampleRecord> r = receiver->Records();
  EXPECT_EQ(0, r[0].start);
  EXPECT_EQ(r[0].end, r[1].start);
  EXPECT_EQ(r[1].end, r[2].start);
}

TEST_F(PushPinTest, TimesSetByFillBufferAreKept) {
  UseClock();
  pin->setOwnTimes = true;
  ASSERT_EQ(S_OK, pin->Connect(receiver, nullptr));
  source->Run(Now());
  ASSERT_TRUE(receiver->WaitForSamples(3, 2000));
  source->Stop();
  std::vector<SampleRecord> r = receiver->Records();
  EXPECT_EQ(2000, r[2].start);
  EXPECT_EQ(2500, r[2].end);
}

TEST_F(PushPinTest, FailingOnThreadCreateFailsPause) {
  pin->threadCreateResult = E_ACCESSDENIED;
  ASSERT_EQ(S_OK, pin->Connect(receiver, nullptr));
  EXPECT_EQ(E_ACCESSDENIED, source->Pause());
  EXPECT_EQ(State_Stopped, source->State());
  EXPECT_EQ(0, pin->threadDestroys);
  EXPECT_EQ(E_ACCESSDENIED, source->Run(0));
  pin->threadCreateResult = S_OK;
  EXPECT_EQ(S_OK, source->Run(0));
  ASSERT_TRUE(receiver->WaitForSamples(1, 2000));
}

TEST_F(PushPinTest, FillBufferSFalseEndsTheStream) {
  pin->endAfter = 2;
  ASSERT_EQ(S_OK, pin->Connect(receiver, nullptr));
  source->Run(0);
  DWORD t0 = GetTickCount();
  while (receiver->endOfStreams == 0 && GetTickCount() - t0 < 2000) Sleep(5);
  EXPECT_EQ(1, receiver->endOfStreams);
  EXPECT_EQ(2, receiver->received);
  EXPECT_EQ(S_OK, source->Stop());
}

TEST_F(PushPinTest, ReceiveFailureEndsDeliveryQuietly) {
  receiver->receiveResult = VFW_E_WRONG_STATE;  // as from a renderer stopped first
  ASSERT_EQ(S_OK, pin->Connect(receiver, nullptr));
  source->Run(0);
  ASSERT_TRUE(receiver->WaitForSamples(1, 2000));
  Sleep(50);
  EXPECT_EQ(1, receiver->received);
  EXPECT_EQ(0, receiver->endOfStreams);
  EXPECT_EQ(S_OK, source->Stop());
}

TEST_F(PushPinTest, FillBufferFailureAbortsTheStream) {
  pin->failAfter = 1;
  ASSERT_EQ(S_OK, pin->Connect(receiver, nullptr));
  source->Run(0);
  DWORD t0 = GetTickCount();
  while (receiver->endOfStreams == 0 && GetTickCount() - t0 < 2000) Sleep(5);
  Sleep(30);
  EXPECT_EQ(1, receiver->received);
  EXPECT_EQ(1, receiver->endOfStreams);
  EXPECT_EQ(S_OK, source->Stop());
}

TEST_F(PushPinTest, ReceiveSFalseDoesNotEndTheStream) {
  receiver->receiveResult = S_FALSE;
  ASSERT_EQ(S_OK, pin->Connect(receiver, nullptr));
  source->Run(0);
  ASSERT_TRUE(receiver->WaitForSamples(3, 2000));
  EXPECT_EQ(0, receiver->endOfStreams);
}

TEST_F(PushPinTest, StopInterruptsAFillBufferWaitingForItsFrame) {
  pin->pacingMs = 20000;
  ASSERT_EQ(S_OK, pin->Connect(receiver, nullptr));
  source->Run(0);
  Sleep(30);
  DWORD t0 = GetTickCount();
  EXPECT_EQ(S_OK, source->Stop());
  EXPECT_LT(GetTickCount() - t0, 1000u);
  EXPECT_EQ(0, receiver->received);
}

TEST_F(PushPinTest, StopReleasesAThreadWaitingForAFreeBuffer) {
  receiver->holdSamples = true;  // the single buffer never comes back
  ASSERT_EQ(S_OK, pin->Connect(receiver, nullptr));
  source->Run(0);
  ASSERT_TRUE(receiver->WaitForSamples(1, 2000));
  Sleep(30);
  EXPECT_EQ(1, receiver->received);
  DWORD t0 = GetTickCount();
  EXPECT_EQ(S_OK, source->Stop());
  EXPECT_LT(GetTickCount() - t0, 1000u);
}

TEST_F(PushPinTest, DisconnectIsRefusedUnlessStopped) {
  ASSERT_EQ(S_OK, pin->Connect(receiver, nullptr));
  source->Pause();
  EXPECT_EQ(VFW_E_NOT_STOPPED, pin->Disconnect());
  source->Stop();
  EXPECT_EQ(S_OK, pin->Disconnect());
}

// --- Interfaces on the pin -----------------------------------------------------------

class QualitySink : public IQualityControl {
 public:
  STDMETHODIMP QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP Notify(IBaseFilter* sender, Quality q) override {
    from = sender;
    proportion = q.Proportion;
    return S_OK;
  }
  STDMETHODIMP SetSink(IQualityControl*) override { return S_OK; }
  IBaseFilter* from = nullptr;
  long proportion = 0;
};

TEST_F(PushPinTest, QualityMessagesGoToTheSinkWhenOneIsSet) {
  IQualityControl* qc = nullptr;
  ASSERT_EQ(S_OK, pin->QueryInterface(IID_IQualityControl, reinterpret_cast<void**>(&qc)));
  Quality q = {Famine, 500, 0, 0};
  EXPECT_EQ(S_OK, qc->Notify(nullptr, q));
  QualitySink sink;
  qc->SetSink(&sink);
  EXPECT_EQ(S_OK, qc->Notify(nullptr, q));
  EXPECT_EQ(500, sink.proportion);
  EXPECT_EQ(static_cast<IBaseFilter*>(source), sink.from);
  qc->SetSink(nullptr);
  qc->Release();
  void* none = nullptr;
  EXPECT_EQ(E_NOINTERFACE, pin->QueryInterface(IID_IAMStreamConfig, &none));
}

TEST(PinCategory, AnswersCaptureCategoryWithSizeChecks) {
  GUID got = GUID_NULL;
  DWORD size = 0;
  EXPECT_EQ(S_OK, dshow::GetPinCategory(PIN_CATEGORY_CAPTURE, AMPROPSETID_Pin,
                                        AMPROPERTY_PIN_CATEGORY, &got, sizeof got, &size));
  EXPECT_EQ(PIN_CATEGORY_CAPTURE, got);
  EXPECT_EQ(16u, size);
  size = 0;
  EXPECT_EQ(E_UNEXPECTED, dshow::GetPinCategory(PIN_CATEGORY_CAPTURE, AMPROPSETID_Pin,
                                                AMPROPERTY_PIN_CATEGORY, &got, 15, &size));
  EXPECT_EQ(16u, size);
  EXPECT_EQ(E_POINTER, dshow::GetPinCategory(PIN_CATEGORY_CAPTURE, AMPROPSETID_Pin,
                                             AMPROPERTY_PIN_CATEGORY, nullptr, 0, nullptr));
  EXPECT_EQ(E_PROP_ID_UNSUPPORTED,
            dshow::GetPinCategory(PIN_CATEGORY_CAPTURE, AMPROPSETID_Pin, AMPROPERTY_PIN_MEDIUM,
                                  &got, sizeof got, &size));
  EXPECT_EQ(E_PROP_SET_UNSUPPORTED,
            dshow::GetPinCategory(PIN_CATEGORY_CAPTURE, PIN_CATEGORY_CAPTURE,
                                  AMPROPERTY_PIN_CATEGORY, &got, sizeof got, &size));
  DWORD support = 0;
  EXPECT_EQ(S_OK, dshow::QueryPinCategorySupport(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY,
                                                 &support));
  EXPECT_EQ(static_cast<DWORD>(KSPROPERTY_SUPPORT_GET), support);
}

}  // namespace

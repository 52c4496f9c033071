// The filter: identity, pins, graph membership, clock and the state machine.
#include "dshow_base/live_source.h"

#include <gtest/gtest.h>

#include "dshow_base/com_object.h"
#include "fake_receiver.h"
#include "test_source.h"

using dshow_test::FakeReceiver;
using dshow_test::TestSource;

namespace {

class LiveSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    m_baseline = dshow::CModule::ObjectCount();
    source = new TestSource(2);
  }
  void TearDown() override {
    if (source) source->Release();
    // Every object the test made, enumerators included, is gone again.
    EXPECT_EQ(m_baseline, dshow::CModule::ObjectCount());
    CoUninitialize();
  }
  TestSource* source = nullptr;

 private:
  LONG m_baseline = 0;
};

TEST_F(LiveSourceTest, AnswersFilterInterfacesWithOneIdentity) {
  IUnknown* unk = nullptr;
  IBaseFilter* filter = nullptr;
  IMediaFilter* media = nullptr;
  IPersist* persist = nullptr;
  ASSERT_EQ(S_OK, source->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unk)));
  ASSERT_EQ(S_OK, unk->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&filter)));
  ASSERT_EQ(S_OK, unk->QueryInterface(IID_IMediaFilter, reinterpret_cast<void**>(&media)));
  ASSERT_EQ(S_OK, unk->QueryInterface(IID_IPersist, reinterpret_cast<void**>(&persist)));
  EXPECT_EQ(static_cast<void*>(filter), static_cast<void*>(unk));
  IUnknown* again = nullptr;
  media->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&again));
  EXPECT_EQ(unk, again);
  again->Release();
  CLSID clsid;
  EXPECT_EQ(S_OK, persist->GetClassID(&clsid));
  EXPECT_EQ(dshow_test::CLSID_TestSource, clsid);

  IAMFilterMiscFlags* flags = nullptr;
  ASSERT_EQ(S_OK, unk->QueryInterface(IID_IAMFilterMiscFlags, reinterpret_cast<void**>(&flags)));
  EXPECT_EQ(static_cast<ULONG>(AM_FILTER_MISC_FLAGS_IS_SOURCE), flags->GetMiscFlags());

  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, unk->QueryInterface(IID_IReferenceClock, &none));
  EXPECT_EQ(nullptr, none);
  EXPECT_EQ(E_POINTER, unk->QueryInterface(IID_IUnknown, nullptr));
  for (IUnknown* p : {static_cast<IUnknown*>(flags), static_cast<IUnknown*>(persist),
                      static_cast<IUnknown*>(media), static_cast<IUnknown*>(filter), unk})
    p->Release();
  EXPECT_EQ(1, source->RefCount());
}

TEST_F(LiveSourceTest, EnumeratesAndFindsPins) {
  IEnumPins* pins = nullptr;
  ASSERT_EQ(S_OK, source->EnumPins(&pins));
  IPin* got[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(S_FALSE, pins->Next(3, got, &fetched));
  ASSERT_EQ(2u, fetched);
  EXPECT_EQ(static_cast<IPin*>(source->Pin(0)), got[0]);
  EXPECT_EQ(static_cast<IPin*>(source->Pin(1)), got[1]);
  got[0]->Release();
  got[1]->Release();

  EXPECT_EQ(S_OK, pins->Reset());
  EXPECT_EQ(S_OK, pins->Skip(1));
  IEnumPins* clone = nullptr;
  ASSERT_EQ(S_OK, pins->Clone(&clone));
  EXPECT_EQ(S_OK, clone->Next(1, got, nullptr));
  EXPECT_EQ(static_cast<IPin*>(source->Pin(1)), got[0]);
  got[0]->Release();
  EXPECT_EQ(S_FALSE, clone->Skip(5));
  EXPECT_EQ(E_INVALIDARG, clone->Next(2, got, nullptr));
  clone->Release();
  pins->Release();

  IPin* found = nullptr;
  ASSERT_EQ(S_OK, source->FindPin(L"Preview", &found));
  EXPECT_EQ(static_cast<IPin*>(source->Pin(1)), found);
  found->Release();
  EXPECT_EQ(VFW_E_NOT_FOUND, source->FindPin(L"Output", &found));
  EXPECT_EQ(nullptr, found);
}

TEST_F(LiveSourceTest, TakesItsNameAndGraphFromTheGraph) {
  FILTER_INFO info;
  ASSERT_EQ(S_OK, source->QueryFilterInfo(&info));
  EXPECT_STREQ(L"", info.achName);
  EXPECT_EQ(nullptr, info.pGraph);

  IGraphBuilder* graph = nullptr;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IGraphBuilder, reinterpret_cast<void**>(&graph)));
  ASSERT_EQ(S_OK, graph->AddFilter(source, L"Devicequil@cam@1"));
  ASSERT_EQ(S_OK, source->QueryFilterInfo(&info));
  EXPECT_STREQ(L"Devicequil@cam@1", info.achName);
  EXPECT_EQ(source->GraphName(), L"Devicequil@cam@1");
  ASSERT_NE(nullptr, info.pGraph);
  EXPECT_EQ(static_cast<IFilterGraph*>(graph), info.pGraph);
  info.pGraph->Release();
  EXPECT_EQ(S_OK, graph->RemoveFilter(source));
  EXPECT_EQ(nullptr, source->Graph());
  graph->Release();
}

TEST_F(LiveSourceTest, LiveStateMachineAnswersCantCueWhilePaused) {
  FILTER_STATE state;
  EXPECT_EQ(S_OK, source->GetState(0, &state));
  EXPECT_EQ(State_Stopped, state);
  EXPECT_EQ(VFW_S_CANT_CUE, source->Pause());
  EXPECT_EQ(VFW_S_CANT_CUE, source->GetState(INFINITE, &state));
  EXPECT_EQ(State_Paused, state);
  EXPECT_EQ(S_OK, source->Run(0));
  EXPECT_EQ(S_OK, source->GetState(0, &state));
  EXPECT_EQ(State_Running, state);
  EXPECT_EQ(VFW_S_CANT_CUE, source->Pause());
  EXPECT_EQ(S_OK, source->Stop());
  EXPECT_EQ(S_OK, source->GetState(0, &state));
  EXPECT_EQ(State_Stopped, state);
  EXPECT_EQ(S_OK, source->Run(0));  // straight from stopped
  EXPECT_EQ(State_Running, source->State());
  EXPECT_EQ(S_OK, source->Stop());
  EXPECT_EQ(E_POINTER, source->GetState(0, nullptr));
  // Unconnected pins never start a thread.
  EXPECT_EQ(0, source->TestPinAt(0)->threadCreates);
}

TEST_F(LiveSourceTest, HoldsItsReferenceClockAndMeasuresStreamTime) {
  REFERENCE_TIME t;
  EXPECT_EQ(VFW_E_NO_CLOCK, source->StreamTime(&t));
  IReferenceClock* clock = nullptr;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IReferenceClock, reinterpret_cast<void**>(&clock)));
  EXPECT_EQ(S_OK, source->SetSyncSource(clock));
  IReferenceClock* got = nullptr;
  EXPECT_EQ(S_OK, source->GetSyncSource(&got));
  EXPECT_EQ(clock, got);
  got->Release();

  REFERENCE_TIME now = 0;
  clock->GetTime(&now);
  const REFERENCE_TIME start = now + 2000000;  // the graph starts streams 200 ms ahead
  ASSERT_EQ(S_OK, source->Run(start));
  ASSERT_EQ(S_OK, source->StreamTime(&t));
  EXPECT_LT(t, 0);
  EXPECT_GT(t, -3000000);
  source->Stop();

  EXPECT_EQ(S_OK, source->SetSyncSource(nullptr));
  EXPECT_EQ(S_OK, source->GetSyncSource(&got));
  EXPECT_EQ(nullptr, got);
  EXPECT_EQ(0u, clock->Release());  // the filter let go of it
}

TEST_F(LiveSourceTest, PinReferencesKeepTheFilterAlive) {
  IPin* pin = source->Pin(0);
  pin->AddRef();
  EXPECT_EQ(2, source->RefCount());
  source->Release();
  source = nullptr;
  PIN_INFO info;
  ASSERT_EQ(S_OK, pin->QueryPinInfo(&info));  // still alive through the pin
  EXPECT_EQ(PINDIR_OUTPUT, info.dir);
  EXPECT_STREQ(L"Capture", info.achName);
  info.pFilter->Release();
  pin->Release();
}

TEST_F(LiveSourceTest, PauseStartsOnlyConnectedPinsAndStopJoinsThem) {
  FakeReceiver* receiver = new FakeReceiver;
  ASSERT_EQ(S_OK, source->Pin(1)->Connect(receiver, nullptr));
  EXPECT_EQ(VFW_S_CANT_CUE, source->Pause());
  EXPECT_EQ(0, source->TestPinAt(0)->threadCreates);
  EXPECT_EQ(1, source->TestPinAt(1)->threadCreates);
  EXPECT_EQ(S_OK, source->Stop());
  EXPECT_EQ(1, source->TestPinAt(1)->threadDestroys);
  EXPECT_EQ(S_OK, source->Pin(1)->Disconnect());
  receiver->Disconnect();
  receiver->Release();
}

}  // namespace

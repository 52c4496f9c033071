// The filter and its output pin without a graph: the media-type list, what connects,
// buffers, time stamps and pacing, quality messages, stream capabilities, the pin
// category and the binding rules. A fake downstream pin stands in for the graph.
#include <gtest/gtest.h>

#include <vector>

#include "Rookery.h"
#include "dshow_base/media_type.h"
#include "fake_receiver.h"
#include "mirage_ids.h"
#include "mirage_test_support.h"
#include "virtual_vdev.h"
#include "virtual_vdev_stream.h"
#include "virtual_video_dev.h"

using namespace mirage;
using namespace mirage_test;
using dshow_test::FakeReceiver;

namespace {

const VIDEOINFOHEADER& Header(const AM_MEDIA_TYPE& mt) {
  return *reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
}

// A filter as a graph would hold it, named `name` in its graph.
struct Device {
  explicit Device(const wchar_t* name = L"Video Capture") {
    HRESULT hr = S_OK;
    filter = static_cast<CVirtualVDev*>(static_cast<IBaseFilter*>(CVirtualVDev::CreateInstance(&hr)));
    EXPECT_EQ(S_OK, hr);
    filter->JoinFilterGraph(nullptr, name);
    pin = filter->Stream();
    receiver = new FakeReceiver;
  }
  ~Device() {
    filter->Stop();
    pin->Disconnect();
    receiver->Disconnect();
    receiver->Release();
    filter->Release();
  }
  // The positions of the media-type list the pin accepts.
  std::vector<int> Accepted() {
    std::vector<int> accepted;
    for (int p = 0; p < 16; ++p) {
      dshow::CMediaType mt;
      EXPECT_EQ(S_OK, pin->GetMediaType(p, &mt));
      HRESULT hr = pin->CheckMediaType(&mt);
      EXPECT_TRUE(hr == S_OK || hr == E_INVALIDARG) << p;
      if (hr == S_OK) accepted.push_back(p);
    }
    return accepted;
  }
  // A sample of the pin's own allocator, its bytes set to `fill`.
  IMediaSample* Sample(BYTE fill) {
    IMediaSample* sample = nullptr;
    EXPECT_EQ(S_OK, pin->Allocator()->GetBuffer(&sample, nullptr, nullptr, 0));
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    memset(data, fill, static_cast<size_t>(sample->GetSize()));
    return sample;
  }

  CVirtualVDev* filter = nullptr;
  CVirtualVDevStream* pin = nullptr;
  FakeReceiver* receiver = nullptr;
};

bool AllZero(IMediaSample* sample) {
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  for (long i = 0; i < sample->GetSize(); ++i)
    if (data[i] != 0) return false;
  return true;
}

}  // namespace

// --- Without cameras (no list beside the test program) --------------------------------

TEST(MiragePin, MediaTypeListPositionsAndFields) {
  Device d;
  dshow::CMediaType mt;
  EXPECT_EQ(VFW_S_NO_MORE_ITEMS, d.pin->GetMediaType(16, &mt));
  EXPECT_EQ(E_INVALIDARG, d.pin->GetMediaType(-1, &mt));
  EXPECT_EQ(E_POINTER, d.pin->GetMediaType(0, nullptr));

  ASSERT_EQ(S_OK, d.pin->GetMediaType(14, &mt));
  EXPECT_EQ(MEDIATYPE_Video, mt.majortype);
  EXPECT_EQ(MEDIASUBTYPE_RGB32, mt.subtype);
  EXPECT_EQ(FORMAT_VideoInfo, mt.formattype);
  EXPECT_EQ(1128u, mt.cbFormat);
  EXPECT_TRUE(mt.bFixedSizeSamples);
  EXPECT_FALSE(mt.bTemporalCompression);
  EXPECT_EQ(307200u, mt.lSampleSize);
  const VIDEOINFOHEADER& v = Header(mt);
  EXPECT_EQ(40u, v.bmiHeader.biSize);
  EXPECT_EQ(320, v.bmiHeader.biWidth);
  EXPECT_EQ(240, v.bmiHeader.biHeight);
  EXPECT_EQ(1, v.bmiHeader.biPlanes);
  EXPECT_EQ(32, v.bmiHeader.biBitCount);
  EXPECT_EQ(0u, v.bmiHeader.biCompression);
  EXPECT_EQ(307200u, v.bmiHeader.biSizeImage);
  EXPECT_EQ(400000, v.AvgTimePerFrame);
  EXPECT_EQ(0, v.rcSource.right);
  EXPECT_EQ(0u, v.dwBitRate);

  ASSERT_EQ(S_OK, d.pin->GetMediaType(0, &mt));
  EXPECT_EQ(MEDIASUBTYPE_YUY2, mt.subtype);
  EXPECT_EQ(352, Header(mt).bmiHeader.biWidth);
  EXPECT_EQ(16, Header(mt).bmiHeader.biBitCount);
  EXPECT_EQ(202752u, mt.lSampleSize);
  ASSERT_EQ(S_OK, d.pin->GetMediaType(5, &mt));
  EXPECT_EQ(MEDIASUBTYPE_IYUV, mt.subtype);
  EXPECT_EQ(576, Header(mt).bmiHeader.biHeight);
  EXPECT_EQ(12, Header(mt).bmiHeader.biBitCount);
  ASSERT_EQ(S_OK, d.pin->GetMediaType(11, &mt));
  EXPECT_EQ(MEDIASUBTYPE_YV12, mt.subtype);
  EXPECT_EQ(640, Header(mt).bmiHeader.biWidth);

  // The enumerator lists the same 16 types.
  IEnumMediaTypes* types = nullptr;
  ASSERT_EQ(S_OK, d.pin->EnumMediaTypes(&types));
  AM_MEDIA_TYPE* each = nullptr;
  int n = 0;
  while (types->Next(1, &each, nullptr) == S_OK) {
    ++n;
    dshow::DeleteMediaType(each);
  }
  types->Release();
  EXPECT_EQ(16, n);
}

TEST(MiragePin, EmptyListConnectsOnlyAsRgb32At704x576AndSendsBlack) {
  Device d;
  EXPECT_EQ(std::vector<int>{13}, d.Accepted());
  ASSERT_EQ(S_OK, d.pin->Connect(d.receiver, nullptr));
  EXPECT_EQ(MEDIASUBTYPE_RGB32, d.receiver->connectedType.subtype);
  EXPECT_EQ(704, Header(d.receiver->connectedType).bmiHeader.biWidth);
  // One buffer of exactly one image.
  ALLOCATOR_PROPERTIES props = {};
  ASSERT_EQ(S_OK, d.pin->Allocator()->GetProperties(&props));
  EXPECT_EQ(1, props.cBuffers);
  EXPECT_EQ(704 * 576 * 4, props.cbBuffer);
  // Nothing bound: the graph name stays, no channel.
  EXPECT_EQ(L"Video Capture", d.pin->Binder()->DeviceName());
  EXPECT_FALSE(d.pin->Binder()->HasChannel());

  d.pin->SetPacer([](DWORD) {});
  ASSERT_EQ(S_OK, d.pin->Allocator()->Commit());
  IMediaSample* sample = d.Sample(0xAB);
  EXPECT_EQ(S_OK, d.pin->FillBuffer(sample));
  EXPECT_TRUE(AllZero(sample));
  EXPECT_EQ(704 * 576 * 4, sample->GetActualDataLength());
  sample->Release();
  d.pin->Allocator()->Decommit();
}

TEST(MiragePin, TimeStampsAreAdjacentFromZeroAndPacingSleepsTheIntervalLessThree) {
  Device d;
  ASSERT_EQ(S_OK, d.pin->Connect(d.receiver, nullptr));
  EXPECT_EQ(40, d.pin->DefaultFrameInterval());  // the offered 400000
  std::vector<DWORD> sleeps;
  d.pin->SetPacer([&sleeps](DWORD ms) { sleeps.push_back(ms); });
  ASSERT_EQ(S_OK, d.pin->Allocator()->Commit());
  EXPECT_EQ(E_POINTER, d.pin->FillBuffer(nullptr));

  auto fill = [&d](REFERENCE_TIME* start, REFERENCE_TIME* end) {
    IMediaSample* sample = d.Sample(0);
    EXPECT_EQ(S_OK, d.pin->FillBuffer(sample));
    EXPECT_EQ(S_OK, sample->GetTime(start, end));
    EXPECT_EQ(S_OK, sample->IsSyncPoint());
    sample->Release();
  };
  REFERENCE_TIME s = -1, e = -1;
  ASSERT_EQ(S_OK, d.pin->OnThreadCreate());
  for (int i = 0; i < 3; ++i) {
    fill(&s, &e);
    EXPECT_EQ(400000 * i, s);
    EXPECT_EQ(400000 * (i + 1), e);
  }
  EXPECT_EQ((std::vector<DWORD>{37, 37, 37}), sleeps);

  // Lateness moves the next start; a faster proportion shortens the next samples.
  Quality q = {Famine, 1000, 50000, 0};
  EXPECT_EQ(S_OK, d.pin->Notify(d.filter, q));
  fill(&s, &e);
  EXPECT_EQ(1250000, s);
  q.Late = 0;
  q.Proportion = 2000;
  d.pin->Notify(d.filter, q);
  fill(&s, &e);
  EXPECT_EQ(1650000, s);
  EXPECT_EQ(1850000, e);
  EXPECT_EQ(17u, sleeps.back());

  // Every run starts from 0 at the default interval.
  ASSERT_EQ(S_OK, d.pin->OnThreadCreate());
  fill(&s, &e);
  EXPECT_EQ(0, s);
  EXPECT_EQ(400000, e);
  d.pin->Allocator()->Decommit();
}

TEST(MiragePin, QualityMessagesScaleTheFrameInterval) {
  Device d;
  ASSERT_EQ(S_OK, d.pin->Connect(d.receiver, nullptr));
  auto after = [&d](long proportion, bool fresh) {
    if (fresh) d.pin->OnThreadCreate();  // back to 40 ms
    Quality q = {Famine, proportion, 0, 0};
    EXPECT_EQ(S_OK, d.pin->Notify(d.filter, q));
    return d.pin->FrameInterval();
  };
  EXPECT_EQ(1000, after(0, true));
  EXPECT_EQ(20, after(2000, true));
  EXPECT_EQ(400, after(100, true));
  EXPECT_EQ(10, after(100000, true));
  EXPECT_EQ(1000, after(1, false));
  EXPECT_EQ(1000, after(-7, true));
  EXPECT_EQ(0, d.pin->SampleTime());  // no lateness, no move
}

TEST(MiragePin, ConnectionFormatRulesAndBufferFailures) {
  Device d;
  dshow::CMediaType mt;
  ASSERT_EQ(S_OK, d.pin->GetMediaType(13, &mt));
  mt.bFixedSizeSamples = FALSE;
  EXPECT_EQ(E_INVALIDARG, d.pin->CheckMediaType(&mt));
  mt.bFixedSizeSamples = TRUE;
  EXPECT_EQ(S_OK, d.pin->CheckMediaType(&mt));
  reinterpret_cast<VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader.biHeight = -576;  // top-down
  EXPECT_EQ(S_OK, d.pin->CheckMediaType(&mt));
  mt.cbFormat = 40;  // too short to hold a header
  EXPECT_EQ(E_INVALIDARG, d.pin->CheckMediaType(&mt));
  mt.cbFormat = 1128;
  EXPECT_EQ(E_INVALIDARG, d.pin->CheckMediaType(nullptr));

  // A format of another compression than the channel's.
  dshow::CMediaType yuy2;
  ASSERT_EQ(S_OK, d.pin->GetMediaType(1, &yuy2));
  EXPECT_EQ(E_UNEXPECTED, d.pin->SetMediaType(&yuy2));
  dshow::CMediaType bare;
  bare.majortype = MEDIATYPE_Video;
  EXPECT_EQ(E_UNEXPECTED, d.pin->SetMediaType(&bare));
  // A format without a frame time cannot stop the pacing.
  reinterpret_cast<VIDEOINFOHEADER*>(mt.pbFormat)->AvgTimePerFrame = 0;
  EXPECT_EQ(S_OK, d.pin->SetMediaType(&mt));
  EXPECT_EQ(10, d.pin->DefaultFrameInterval());
  EXPECT_EQ(32, d.pin->Binder()->m_biBitCount);

  IMemAllocator* allocator = nullptr;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IMemAllocator, reinterpret_cast<void**>(&allocator)));
  ALLOCATOR_PROPERTIES request = {};
  EXPECT_EQ(E_POINTER, d.pin->DecideBufferSize(nullptr, &request));
  EXPECT_EQ(E_POINTER, d.pin->DecideBufferSize(allocator, nullptr));
  EXPECT_EQ(S_OK, d.pin->DecideBufferSize(allocator, &request));
  EXPECT_EQ(1, request.cBuffers);
  EXPECT_EQ(704 * 576 * 4, request.cbBuffer);
  allocator->Release();
}

TEST(MiragePin, StreamCapabilities) {
  Device d;
  IAMStreamConfig* config = nullptr;
  ASSERT_EQ(S_OK, d.pin->QueryInterface(IID_IAMStreamConfig, reinterpret_cast<void**>(&config)));
  int count = 0, size = 0;
  ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
  EXPECT_EQ(4, count);
  EXPECT_EQ(128, size);

  VIDEO_STREAM_CONFIG_CAPS caps;
  AM_MEDIA_TYPE* mt = nullptr;
  EXPECT_EQ(E_POINTER, config->GetStreamCaps(0, &mt, reinterpret_cast<BYTE*>(&caps)));  // no type yet
  EXPECT_EQ(nullptr, mt);
  AM_MEDIA_TYPE* current = nullptr;
  ASSERT_EQ(S_OK, config->GetFormat(&current));
  EXPECT_EQ(GUID_NULL, current->majortype);
  dshow::DeleteMediaType(current);

  // SetFormat on an unconnected pin only stores the type.
  dshow::CMediaType rgb;
  ASSERT_EQ(S_OK, d.pin->GetMediaType(14, &rgb));
  ASSERT_EQ(S_OK, config->SetFormat(&rgb));
  ASSERT_EQ(S_OK, config->GetFormat(&current));
  EXPECT_TRUE(dshow::SameMediaType(rgb, *current));
  dshow::DeleteMediaType(current);

  EXPECT_EQ(E_INVALIDARG, config->GetStreamCaps(4, &mt, reinterpret_cast<BYTE*>(&caps)));
  EXPECT_EQ(E_INVALIDARG, config->GetStreamCaps(-1, &mt, reinterpret_cast<BYTE*>(&caps)));
  EXPECT_EQ(E_POINTER, config->GetStreamCaps(1, &mt, nullptr));
  EXPECT_EQ(E_POINTER, config->GetStreamCaps(1, nullptr, reinterpret_cast<BYTE*>(&caps)));
  ASSERT_EQ(S_OK, config->GetStreamCaps(1, &mt, reinterpret_cast<BYTE*>(&caps)));
  EXPECT_EQ(MEDIASUBTYPE_YUY2, mt->subtype);
  EXPECT_EQ(FORMAT_VideoInfo, mt->formattype);
  EXPECT_EQ(88u, mt->cbFormat);
  EXPECT_FALSE(mt->bFixedSizeSamples);
  EXPECT_EQ(811008u, mt->lSampleSize);
  EXPECT_EQ(704, Header(*mt).bmiHeader.biWidth);
  EXPECT_EQ(16, Header(*mt).bmiHeader.biBitCount);
  EXPECT_EQ(400000, Header(*mt).AvgTimePerFrame);
  dshow::DeleteMediaType(mt);
  EXPECT_EQ(FORMAT_VideoInfo, caps.guid);
  EXPECT_EQ(704, caps.InputSize.cx);
  EXPECT_EQ(576, caps.InputSize.cy);
  EXPECT_EQ(352, caps.MinCroppingSize.cx);
  EXPECT_EQ(480, caps.MaxCroppingSize.cy);
  EXPECT_EQ(352, caps.CropGranularityX);
  EXPECT_EQ(288, caps.CropGranularityY);
  EXPECT_EQ(0, caps.CropAlignX);
  EXPECT_EQ(288, caps.MinOutputSize.cy);
  EXPECT_EQ(640, caps.MaxOutputSize.cx);
  EXPECT_EQ(0, caps.OutputGranularityX);
  EXPECT_EQ(40000, caps.MinFrameInterval);
  EXPECT_EQ(500000, caps.MaxFrameInterval);
  EXPECT_EQ(3244032, caps.MinBitsPerSecond);    // 16 x 288 x 352 x 2
  EXPECT_EQ(122880000, caps.MaxBitsPerSecond);  // 16 x 480 x 640 x 25
  config->Release();
}

TEST(MiragePin, PinCategoryAndWhichObjectAnswersWhat) {
  Device d;
  IPin* pin = nullptr;
  ASSERT_EQ(S_OK, d.filter->FindPin(L"A Vidoe Input Device!", &pin));
  IKsPropertySet* props = nullptr;
  ASSERT_EQ(S_OK, pin->QueryInterface(IID_IKsPropertySet, reinterpret_cast<void**>(&props)));
  const LONG refs = d.filter->RefCount();
  props->AddRef();  // counts on the filter, which owns the pin
  EXPECT_EQ(refs + 1, d.filter->RefCount());
  props->Release();

  BYTE data[16];
  DWORD returned = 0;
  EXPECT_EQ(E_UNEXPECTED, props->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, data, 15, &returned));
  EXPECT_EQ(16u, returned);
  returned = 0;
  ASSERT_EQ(S_OK, props->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, data, 16, &returned));
  EXPECT_EQ(0, memcmp(data, &PIN_CATEGORY_CAPTURE, 16));
  EXPECT_EQ(16u, returned);
  EXPECT_EQ(S_OK, props->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, nullptr, 0, &returned));
  EXPECT_EQ(E_POINTER, props->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, nullptr, 0, nullptr));
  EXPECT_EQ(E_PROP_SET_UNSUPPORTED, props->Get(PIN_CATEGORY_CAPTURE, 0, nullptr, 0, data, 16, &returned));
  EXPECT_EQ(E_PROP_ID_UNSUPPORTED, props->Get(AMPROPSETID_Pin, 1, nullptr, 0, data, 16, &returned));
  EXPECT_EQ(E_NOTIMPL, props->Set(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, data, 16));
  DWORD support = 99;
  EXPECT_EQ(S_OK, props->QuerySupported(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, &support));
  EXPECT_EQ(static_cast<DWORD>(KSPROPERTY_SUPPORT_GET), support);
  EXPECT_EQ(S_OK, props->QuerySupported(PIN_CATEGORY_CAPTURE, 5, &support));
  EXPECT_EQ(0u, support);

  IPin* back = nullptr;
  ASSERT_EQ(S_OK, props->QueryInterface(IID_IPin, reinterpret_cast<void**>(&back)));
  EXPECT_EQ(pin, back);
  back->Release();
  props->Release();
  PIN_INFO info;
  ASSERT_EQ(S_OK, pin->QueryPinInfo(&info));
  EXPECT_STREQ(L"A Vidoe Input Device!", info.achName);
  EXPECT_EQ(PINDIR_OUTPUT, info.dir);
  info.pFilter->Release();
  pin->Release();

  // The filter keeps to its own interfaces.
  void* none = nullptr;
  EXPECT_EQ(E_NOINTERFACE, d.filter->QueryInterface(IID_IAMStreamConfig, &none));
  EXPECT_EQ(E_NOINTERFACE, d.filter->QueryInterface(IID_IKsPropertySet, &none));
  CLSID clsid;
  ASSERT_EQ(S_OK, d.filter->GetClassID(&clsid));
  EXPECT_EQ(kClsid, clsid);
}

// --- Binding, each with its own list ---------------------------------------------------

namespace {
const IniCamera kQuil0 = [] { IniCamera c; c.name = "gate"; c.webport = 9; return c; }();
const IniCamera kQuil1 = [] { IniCamera c; c.name = "yard"; c.ip = "127.0.0.2"; c.webport = 9; return c; }();
const IniCamera kOtherCase = [] { IniCamera c; c.name = "hall"; c.type = "Quil"; return c; }();
}  // namespace

TEST(MirageBinding, QuilCameraConnectsOnlyAsPosition14) {
  RunScenario("QuilCameraConnectsOnlyAsPosition14", Ini({kQuil0, kQuil1}));
}
TEST(InScenario, QuilCameraConnectsOnlyAsPosition14) {
  IN_SCENARIO();
  Device d(CameraString(kQuil1).c_str());
  EXPECT_EQ(std::vector<int>{14}, d.Accepted());
  EXPECT_EQ(CameraString(kQuil1), d.pin->Binder()->DeviceName());
  EXPECT_TRUE(d.pin->Binder()->HasChannel());
  ASSERT_EQ(S_OK, d.pin->Connect(d.receiver, nullptr));
  EXPECT_EQ(MEDIASUBTYPE_RGB32, d.receiver->connectedType.subtype);
  EXPECT_EQ(320, Header(d.receiver->connectedType).bmiHeader.biWidth);
  EXPECT_EQ(240, Header(d.receiver->connectedType).bmiHeader.biHeight);
  // Binding happens once: another name later changes nothing.
  d.pin->Binder()->SetDevice(CameraString(kQuil0).c_str());
  EXPECT_EQ(CameraString(kQuil1), d.pin->Binder()->DeviceName());
}

TEST(MirageBinding, NameThatIsNoCameraStringBindsCameraZero) {
  RunScenario("NameThatIsNoCameraStringBindsCameraZero", Ini({kQuil0, kQuil1}));
}
TEST(InScenario, NameThatIsNoCameraStringBindsCameraZero) {
  IN_SCENARIO();
  Device d(L"Video Capture");
  EXPECT_EQ(std::vector<int>{14}, d.Accepted());
  EXPECT_EQ(CameraString(kQuil0), d.pin->Binder()->DeviceName());
  EXPECT_TRUE(d.pin->Binder()->HasChannel());

  // A filter outside any graph has no name yet and binds nothing.
  CVirtualVideoDev binder(704, 576);
  binder.SetDevice(L"");
  EXPECT_TRUE(binder.DeviceName().empty());
  binder.SetDevice(L"Devicequil@127.0.0.1");  // one '@': no camera string either
  EXPECT_EQ(CameraString(kQuil0), binder.DeviceName());
}

TEST(MirageBinding, CameraTypeOfAnotherCaseGetsNoChannelAndBlackSamples) {
  RunScenario("CameraTypeOfAnotherCaseGetsNoChannelAndBlackSamples", Ini({kOtherCase}));
}
TEST(InScenario, CameraTypeOfAnotherCaseGetsNoChannelAndBlackSamples) {
  IN_SCENARIO();
  Device d(CameraString(kOtherCase).c_str());
  EXPECT_EQ(std::vector<int>{13}, d.Accepted());
  EXPECT_EQ(CameraString(kOtherCase), d.pin->Binder()->DeviceName());
  EXPECT_FALSE(d.pin->Binder()->HasChannel());
  ASSERT_EQ(S_OK, d.pin->Connect(d.receiver, nullptr));
  d.pin->SetPacer([](DWORD) {});
  ASSERT_EQ(S_OK, d.pin->Allocator()->Commit());
  ASSERT_EQ(S_OK, d.pin->OnThreadCreate());
  IMediaSample* sample = d.Sample(0x5A);
  EXPECT_EQ(S_OK, d.pin->FillBuffer(sample));
  EXPECT_TRUE(AllZero(sample));
  EXPECT_TRUE(d.pin->Binder()->Started());
  sample->Release();
  d.pin->Allocator()->Decommit();
}

int main(int argc, char** argv) { return mirage_test::Main(argc, argv); }

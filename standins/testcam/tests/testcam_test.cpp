// TestCam.ax under Wine: registration, enumeration as a video input device, and frames
// through source -> Sample Grabber (RGB24) -> Null Renderer at both sizes.
#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "dshow_base/device_list.h"
#include "dshow_base/media_type.h"
#include "testcam/test_camera.h"
#include "testcam/test_pattern.h"

#include <qedit.h>

namespace {

// Not in mingw-w64's libraries.
const CLSID kClsidSampleGrabber = {0xC1F400A0, 0x3F08, 0x11d3,
                                   {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
const CLSID kClsidNullRenderer = {0xC1F400A4, 0x3F08, 0x11d3,
                                  {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};

template <class T>
void SafeRelease(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

std::wstring ModuleDir() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path);
  return dir.substr(0, dir.rfind(L'\\') + 1);
}

std::wstring ClsidText() {
  wchar_t text[40];
  StringFromGUID2(testcam::kClsid, text, 40);
  return text;
}

std::vector<dshow::DeviceEntry> OurDevices() {
  std::vector<dshow::DeviceEntry> all, ours;
  dshow::ListDevices(CLSID_VideoInputDeviceCategory, &all);
  for (const auto& d : all)
    if (d.clsid == testcam::kClsid) ours.push_back(d);
  return ours;
}

IPin* FindPin(IBaseFilter* filter, PIN_DIRECTION want) {
  IEnumPins* pins = nullptr;
  IPin* found = nullptr;
  if (FAILED(filter->EnumPins(&pins))) return nullptr;
  IPin* pin = nullptr;
  while (!found && pins->Next(1, &pin, nullptr) == S_OK) {
    PIN_DIRECTION dir;
    pin->QueryDirection(&dir);
    if (dir == want)
      found = pin;
    else
      pin->Release();
  }
  pins->Release();
  return found;
}

// Loads TestCam.ax and registers its default device for each test suite.
class TestCamera : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    s_path = ModuleDir() + testcam::kFileName;
    s_module = LoadLibraryW(s_path.c_str());
    ASSERT_NE(nullptr, s_module);
    auto reg = Export<HRESULT(WINAPI*)()>("DllRegisterServer");
    ASSERT_NE(nullptr, reg);
    ASSERT_EQ(S_OK, reg());
  }
  static void TearDownTestSuite() {
    auto unreg = Export<HRESULT(WINAPI*)()>("DllUnregisterServer");
    EXPECT_EQ(S_OK, unreg());
    EXPECT_TRUE(OurDevices().empty());
    CoFreeUnusedLibraries();
    CoUninitialize();
  }
  template <class F>
  static F Export(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(s_module, name)));
  }

  static std::wstring s_path;
  static HMODULE s_module;
};
std::wstring TestCamera::s_path;
HMODULE TestCamera::s_module = nullptr;

// --- Registration --------------------------------------------------------------------

using TestCamRegistration = TestCamera;

TEST_F(TestCamRegistration, DefaultDeviceIsAVideoInputDeviceWithItsFriendlyName) {
  std::vector<dshow::DeviceEntry> devices = OurDevices();
  ASSERT_EQ(1u, devices.size());
  EXPECT_EQ(testcam::kFriendlyName, devices[0].friendlyName);
  EXPECT_EQ(L"@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\" + ClsidText(),
            devices[0].displayName);

  wchar_t value[MAX_PATH] = {};
  DWORD bytes = sizeof value;
  std::wstring key = L"CLSID\\" + ClsidText() + L"\\InprocServer32";
  ASSERT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), L"ThreadingModel",
                                        RRF_RT_REG_SZ, nullptr, value, &bytes));
  EXPECT_STREQ(L"Both", value);
  bytes = sizeof value;
  ASSERT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ,
                                        nullptr, value, &bytes));
  EXPECT_EQ(0, lstrcmpiW(s_path.c_str(), value));
}

TEST_F(TestCamRegistration, RundllCommandsAddRemoveAndSetTheScene) {
  auto run = [](const std::wstring& args) -> DWORD {
    std::wstring line = L"rundll32.exe " + s_path + L",TestCamCommand " + args;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
      return 0xFFFFFFFF;
    WaitForSingleObject(pi.hProcess, 20000);
    DWORD code = 0xFFFFFFFE;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
  };
  EXPECT_EQ(0u, run(L"add quil-yard Devicequil@10.0.0.2@Back Yard"));
  std::vector<dshow::DeviceEntry> devices = OurDevices();
  ASSERT_EQ(2u, devices.size());
  EXPECT_TRUE(devices[0].friendlyName == L"Devicequil@10.0.0.2@Back Yard" ||
              devices[1].friendlyName == L"Devicequil@10.0.0.2@Back Yard");
  EXPECT_EQ(0u, run(L"remove quil-yard"));
  EXPECT_EQ(1u, OurDevices().size());

  auto getScene = Export<GetTestCameraSceneFn>("GetTestCameraScene");
  EXPECT_EQ(0u, run(L"scene 2"));
  EXPECT_EQ(2, getScene());
  EXPECT_EQ(0u, run(L"scene 0"));
  EXPECT_EQ(0, getScene());
  EXPECT_EQ(1u, run(L"bogus"));
}

// --- The pin's configuration interfaces ----------------------------------------------

class TestCamPinTest : public TestCamera {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, CoCreateInstance(testcam::kClsid, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IBaseFilter, reinterpret_cast<void**>(&filter)));
    ASSERT_EQ(S_OK, filter->FindPin(testcam::kPinName, &pin));
    ASSERT_EQ(S_OK, pin->QueryInterface(IID_IAMStreamConfig, reinterpret_cast<void**>(&config)));
  }
  void TearDown() override {
    SafeRelease(config);
    SafeRelease(pin);
    SafeRelease(filter);
    EXPECT_EQ(S_OK, Export<HRESULT(WINAPI*)()>("DllCanUnloadNow")());  // nothing leaked
  }
  std::vector<LONG> OfferedWidths() {
    std::vector<LONG> widths;
    IEnumMediaTypes* types = nullptr;
    pin->EnumMediaTypes(&types);
    AM_MEDIA_TYPE* mt = nullptr;
    while (types->Next(1, &mt, nullptr) == S_OK) {
      EXPECT_EQ(MEDIASUBTYPE_RGB24, mt->subtype);
      widths.push_back(reinterpret_cast<VIDEOINFOHEADER*>(mt->pbFormat)->bmiHeader.biWidth);
      dshow::DeleteMediaType(mt);
    }
    types->Release();
    return widths;
  }
  IBaseFilter* filter = nullptr;
  IPin* pin = nullptr;
  IAMStreamConfig* config = nullptr;
};

TEST_F(TestCamPinTest, OffersBothSizesUntilSetFormatPicksOne) {
  EXPECT_EQ((std::vector<LONG>{640, 320}), OfferedWidths());
  int count = 0, size = 0;
  ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
  EXPECT_EQ(2, count);
  EXPECT_EQ(static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS)), size);

  VIDEO_STREAM_CONFIG_CAPS caps;
  AM_MEDIA_TYPE* mt = nullptr;
  ASSERT_EQ(S_OK, config->GetStreamCaps(1, &mt, reinterpret_cast<BYTE*>(&caps)));
  EXPECT_EQ(320, caps.MaxOutputSize.cx);
  EXPECT_EQ(333333, caps.MinFrameInterval);
  ASSERT_EQ(S_OK, config->SetFormat(mt));
  EXPECT_EQ((std::vector<LONG>{320}), OfferedWidths());
  dshow::DeleteMediaType(mt);
  AM_MEDIA_TYPE* current = nullptr;
  ASSERT_EQ(S_OK, config->GetFormat(&current));
  EXPECT_EQ(240, reinterpret_cast<VIDEOINFOHEADER*>(current->pbFormat)->bmiHeader.biHeight);
  dshow::DeleteMediaType(current);

  EXPECT_EQ(S_FALSE, config->GetStreamCaps(2, &mt, reinterpret_cast<BYTE*>(&caps)));
  EXPECT_EQ(E_INVALIDARG, config->GetStreamCaps(-1, &mt, reinterpret_cast<BYTE*>(&caps)));
  dshow::CMediaType odd;
  dshow::MakeVideoInfoType(&odd, MEDIASUBTYPE_RGB24, 800, 600, 333333);
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, config->SetFormat(&odd));
  dshow::MakeVideoInfoType(&odd, MEDIASUBTYPE_YUY2, 640, 480, 333333);
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, config->SetFormat(&odd));
  EXPECT_EQ(S_OK, config->SetFormat(nullptr));
  EXPECT_EQ((std::vector<LONG>{640, 320}), OfferedWidths());
}

TEST_F(TestCamPinTest, IsACapturePinOfASourceFilter) {
  IKsPropertySet* props = nullptr;
  ASSERT_EQ(S_OK, pin->QueryInterface(IID_IKsPropertySet, reinterpret_cast<void**>(&props)));
  GUID category = GUID_NULL;
  DWORD returned = 0;
  EXPECT_EQ(S_OK, props->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                             sizeof category, &returned));
  EXPECT_EQ(PIN_CATEGORY_CAPTURE, category);
  EXPECT_EQ(E_NOTIMPL, props->Set(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0,
                                  &category, sizeof category));
  // Every interface of the pin leads back to the same IPin.
  IPin* back = nullptr;
  ASSERT_EQ(S_OK, props->QueryInterface(IID_IPin, reinterpret_cast<void**>(&back)));
  EXPECT_EQ(pin, back);
  back->Release();
  props->Release();

  IAMFilterMiscFlags* flags = nullptr;
  ASSERT_EQ(S_OK,
            filter->QueryInterface(IID_IAMFilterMiscFlags, reinterpret_cast<void**>(&flags)));
  EXPECT_EQ(static_cast<ULONG>(AM_FILTER_MISC_FLAGS_IS_SOURCE), flags->GetMiscFlags());
  flags->Release();
}

// --- Frames through a Sample Grabber -------------------------------------------------

// Keeps the latest frame and the counter of every frame; called on the streaming thread.
class FrameSink : public ISampleGrabberCB {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_ISampleGrabberCB) {
      *ppv = static_cast<ISampleGrabberCB*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP SampleCB(double, IMediaSample*) override { return S_OK; }
  STDMETHODIMP BufferCB(double, BYTE* data, long length) override {
    std::lock_guard<std::mutex> guard(lock);
    if (frames == 0) firstTick = GetTickCount();
    lastTick = GetTickCount();
    last.assign(data, data + length);
    counters.push_back(testcam::ReadFrameCounter(data, width, height));
    ++frames;
    return S_OK;
  }
  int Frames() {
    std::lock_guard<std::mutex> guard(lock);
    return frames;
  }
  bool WaitForFrames(int n, DWORD ms) {
    DWORD start = GetTickCount();
    while (Frames() < n) {
      if (GetTickCount() - start > ms) return false;
      Sleep(5);
    }
    return true;
  }
  void Reset() {
    std::lock_guard<std::mutex> guard(lock);
    frames = 0;
    counters.clear();
    last.clear();
  }

  std::mutex lock;
  int width = 0, height = 0;
  int frames = 0;
  DWORD firstTick = 0, lastTick = 0;
  std::vector<BYTE> last;
  std::vector<uint32_t> counters;
};

class TestCamStream : public TestCamera {
 protected:
  void TearDown() override {
    if (control) control->Stop();
    SafeRelease(control);
    SafeRelease(grabber);
    SafeRelease(grabberFilter);
    SafeRelease(renderer);
    SafeRelease(source);
    SafeRelease(graph);
    EXPECT_EQ(S_OK, Export<HRESULT(WINAPI*)()>("DllCanUnloadNow")());  // nothing leaked
    Export<SetTestCameraSceneFn>("SetTestCameraScene")(0);
  }

  // source -> Sample Grabber (RGB24) -> Null Renderer, with the size picked through
  // IAMStreamConfig when `width` is given.
  void Build(const wchar_t* device, LONG width) {
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IGraphBuilder, reinterpret_cast<void**>(&graph)));
    DWORD t0 = GetTickCount();
    ASSERT_EQ(S_OK, dshow::CreateDeviceFilter(CLSID_VideoInputDeviceCategory, device, &source));
    bindMs = GetTickCount() - t0;
    ASSERT_EQ(S_OK, graph->AddFilter(source, device));
    ASSERT_EQ(S_OK, CoCreateInstance(kClsidSampleGrabber, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IBaseFilter, reinterpret_cast<void**>(&grabberFilter)));
    ASSERT_EQ(S_OK, grabberFilter->QueryInterface(IID_ISampleGrabber,
                                                  reinterpret_cast<void**>(&grabber)));
    ASSERT_EQ(S_OK, graph->AddFilter(grabberFilter, L"Grabber"));
    ASSERT_EQ(S_OK, CoCreateInstance(kClsidNullRenderer, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IBaseFilter, reinterpret_cast<void**>(&renderer)));
    ASSERT_EQ(S_OK, graph->AddFilter(renderer, L"Video Null Render"));

    AM_MEDIA_TYPE want = {};
    want.majortype = MEDIATYPE_Video;
    want.subtype = MEDIASUBTYPE_RGB24;
    ASSERT_EQ(S_OK, grabber->SetMediaType(&want));

    IPin* out = FindPin(source, PINDIR_OUTPUT);
    IPin* in = FindPin(grabberFilter, PINDIR_INPUT);
    ASSERT_TRUE(out && in);
    if (width != 0) {
      IAMStreamConfig* config = nullptr;
      ASSERT_EQ(S_OK, out->QueryInterface(IID_IAMStreamConfig, reinterpret_cast<void**>(&config)));
      AM_MEDIA_TYPE* mt = nullptr;
      VIDEO_STREAM_CONFIG_CAPS caps;
      for (int i = 0; config->GetStreamCaps(i, &mt, reinterpret_cast<BYTE*>(&caps)) == S_OK; ++i) {
        if (caps.MaxOutputSize.cx == width) {
          EXPECT_EQ(S_OK, config->SetFormat(mt));
        }
        dshow::DeleteMediaType(mt);
      }
      config->Release();
    }
    HRESULT hr = graph->Connect(out, in);
    out->Release();
    in->Release();
    ASSERT_EQ(S_OK, hr);
    IPin* grabberOut = FindPin(grabberFilter, PINDIR_OUTPUT);
    ASSERT_NE(nullptr, grabberOut);
    hr = graph->Render(grabberOut);
    grabberOut->Release();
    ASSERT_TRUE(SUCCEEDED(hr)) << std::hex << hr;

    AM_MEDIA_TYPE mt = {};
    ASSERT_EQ(S_OK, grabber->GetConnectedMediaType(&mt));
    ASSERT_EQ(FORMAT_VideoInfo, mt.formattype);
    auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.pbFormat);
    sink.width = vih->bmiHeader.biWidth;
    sink.height = vih->bmiHeader.biHeight;
    dshow::FreeMediaType(mt);

    grabber->SetBufferSamples(FALSE);
    grabber->SetOneShot(FALSE);
    ASSERT_EQ(S_OK, grabber->SetCallback(&sink, 1));
    ASSERT_EQ(S_OK, graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)));
  }

  // Runs until `frames` arrived (or 3 s), stops, and reports the pace. `counted`: the
  // picture carries the frame counter.
  void RunFor(int frames, bool counted = true) {
    sink.Reset();
    DWORD t0 = GetTickCount();
    HRESULT hr = control->Run();  // S_FALSE under Wine: the graph finishes the change later
    ASSERT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
    ASSERT_TRUE(sink.WaitForFrames(frames, 3000)) << "frames: " << sink.Frames();
    hr = control->Stop();
    ASSERT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
    int atStop = sink.Frames();
    Sleep(60);
    EXPECT_EQ(atStop, sink.Frames()) << "frames after Stop";
    std::lock_guard<std::mutex> guard(sink.lock);
    double seconds = (sink.lastTick - sink.firstTick) / 1000.0;
    double fps = seconds > 0 ? (sink.frames - 1) / seconds : 0;
    printf("[ timing ] %dx%d: device bound in %lu ms, first frame %lu ms after Run, "
           "%d frames at %.1f fps\n",
           sink.width, sink.height, static_cast<unsigned long>(bindMs),
           static_cast<unsigned long>(sink.firstTick - t0), sink.frames, fps);
    EXPECT_GT(fps, 15.0);
    EXPECT_LT(fps, 40.0);
    // Consecutive frames, counted from 0 at each start.
    if (!counted) return;
    ASSERT_FALSE(sink.counters.empty());
    EXPECT_EQ(0u, sink.counters[0]);
    for (size_t i = 1; i < sink.counters.size(); ++i)
      EXPECT_EQ(sink.counters[i - 1] + 1, sink.counters[i]) << i;
  }

  // Checks the latest frame byte for byte against the picture definition.
  void ExpectPicture(int scene) {
    std::lock_guard<std::mutex> guard(sink.lock);
    const int w = sink.width, h = sink.height, stride = testcam::Rgb24Stride(w);
    ASSERT_EQ(static_cast<size_t>(stride) * h, sink.last.size());
    auto stored = [&](int x, int y) {  // displayed (x, y) -> its B, G, R bytes
      const BYTE* p = &sink.last[static_cast<size_t>(h - 1 - y) * stride + 3 * x];
      return std::vector<int>{p[0], p[1], p[2]};
    };
    const std::vector<int> red = {0, 0, 255}, blue = {255, 0, 0}, green = {0, 255, 0};
    for (int x : {0, w / 2, w - 1}) {
      EXPECT_EQ(red, stored(x, 0)) << x;
      EXPECT_EQ(red, stored(x, h / 8 - 1)) << x;
      EXPECT_EQ(blue, stored(x, h - 1)) << x;
      EXPECT_EQ(blue, stored(x, h - h / 8)) << x;
    }
    EXPECT_EQ(green, stored(0, h / 2));
    std::vector<BYTE> expected(sink.last.size());
    testcam::PaintFrame(expected.data(), w, h, sink.counters.back(), scene);
    EXPECT_TRUE(expected == sink.last) << "frame differs from the definition, scene " << scene;
  }

  IGraphBuilder* graph = nullptr;
  IBaseFilter* source = nullptr;
  IBaseFilter* grabberFilter = nullptr;
  ISampleGrabber* grabber = nullptr;
  IBaseFilter* renderer = nullptr;
  IMediaControl* control = nullptr;
  FrameSink sink;
  DWORD bindMs = 0;
};

TEST_F(TestCamStream, DeliversTheTestPictureAt640x480ThroughTwoRuns) {
  ASSERT_NO_FATAL_FAILURE(Build(testcam::kFriendlyName, 0));  // the first offered size
  ASSERT_EQ(640, sink.width);
  ASSERT_EQ(480, sink.height);
  ASSERT_NO_FATAL_FAILURE(RunFor(10));
  ExpectPicture(0);
  ASSERT_NO_FATAL_FAILURE(RunFor(10));
  ExpectPicture(0);
}

TEST_F(TestCamStream, DeliversTheTestPictureAt320x240ThroughTwoRuns) {
  ASSERT_NO_FATAL_FAILURE(Build(testcam::kFriendlyName, 320));
  ASSERT_EQ(320, sink.width);
  ASSERT_EQ(240, sink.height);
  ASSERT_NO_FATAL_FAILURE(RunFor(10));
  ExpectPicture(0);
  ASSERT_NO_FATAL_FAILURE(RunFor(10));
  ExpectPicture(0);
}

TEST_F(TestCamStream, SetFormatOnAConnectedPinReconnectsIt) {
  ASSERT_NO_FATAL_FAILURE(Build(testcam::kFriendlyName, 0));
  IPin* out = FindPin(source, PINDIR_OUTPUT);
  IAMStreamConfig* config = nullptr;
  ASSERT_EQ(S_OK, out->QueryInterface(IID_IAMStreamConfig, reinterpret_cast<void**>(&config)));
  dshow::CMediaType small;
  dshow::MakeVideoInfoType(&small, MEDIASUBTYPE_RGB24, 320, 240, 333333);
  EXPECT_EQ(S_OK, config->SetFormat(&small));
  config->Release();
  AM_MEDIA_TYPE mt = {};
  ASSERT_EQ(S_OK, out->ConnectionMediaType(&mt));
  out->Release();
  EXPECT_EQ(320, reinterpret_cast<VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader.biWidth);
  dshow::FreeMediaType(mt);
  ASSERT_EQ(S_OK, grabber->GetConnectedMediaType(&mt));
  sink.width = reinterpret_cast<VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader.biWidth;
  sink.height = reinterpret_cast<VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader.biHeight;
  dshow::FreeMediaType(mt);
  EXPECT_EQ(320, sink.width);
  ASSERT_NO_FATAL_FAILURE(RunFor(5));
  ExpectPicture(0);
}

TEST_F(TestCamStream, SceneChangesShowInTheNextFrames) {
  ASSERT_NO_FATAL_FAILURE(Build(testcam::kFriendlyName, 320));
  auto setScene = Export<SetTestCameraSceneFn>("SetTestCameraScene");
  ASSERT_EQ(S_OK, setScene(testcam::kSceneChecker));
  ASSERT_NO_FATAL_FAILURE(RunFor(3));
  ExpectPicture(testcam::kSceneChecker);
  ASSERT_EQ(S_OK, setScene(testcam::kSceneGrey | testcam::kSceneNoCounter));
  ASSERT_NO_FATAL_FAILURE(RunFor(3, false));
  ExpectPicture(testcam::kSceneGrey | testcam::kSceneNoCounter);
}

TEST_F(TestCamStream, SecondDeviceStreamsUnderItsOwnNameAndGoesAlone) {
  auto remove = Export<UnregisterTestCameraFn>("UnregisterTestCamera");
  ASSERT_EQ(S_OK, Export<RegisterTestCameraFn>("RegisterTestCamera")(L"Devicequil@10.0.0.9@Gate",
                                                                     L"quil-gate"));
  std::vector<dshow::DeviceEntry> devices = OurDevices();
  ASSERT_EQ(2u, devices.size());
  const dshow::DeviceEntry& second =
      devices[0].instanceName == L"quil-gate" ? devices[0] : devices[1];
  EXPECT_EQ(L"Devicequil@10.0.0.9@Gate", second.friendlyName);
  EXPECT_EQ(L"@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\quil-gate", second.displayName);

  ASSERT_NO_FATAL_FAILURE(Build(L"Devicequil@10.0.0.9@Gate", 0));
  ASSERT_NO_FATAL_FAILURE(RunFor(10));
  ExpectPicture(0);
  FILTER_INFO info;
  source->QueryFilterInfo(&info);
  EXPECT_STREQ(L"Devicequil@10.0.0.9@Gate", info.achName);
  SafeRelease(info.pGraph);

  EXPECT_EQ(S_OK, remove(L"quil-gate"));
  EXPECT_EQ(S_OK, remove(L"quil-gate"));  // already gone
  devices = OurDevices();
  ASSERT_EQ(1u, devices.size());
  EXPECT_EQ(testcam::kFriendlyName, devices[0].friendlyName);
}

}  // namespace

// Registry work runs in the test's private Wine prefix; every test removes what it made.
#include "dshow_base/registration.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dshow_base/device_list.h"
#include "test_source.h"

using dshow_test::CLSID_TestSource;

namespace {

class RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
  void TearDown() override {
    dshow::UnregisterAllInstances(CLSID_TestSource, CLSID_VideoInputDeviceCategory);
    dshow::UnregisterComServer(CLSID_TestSource);
    CoUninitialize();
  }
  static std::wstring ClsidKey() {
    wchar_t text[40];
    StringFromGUID2(CLSID_TestSource, text, 40);
    return std::wstring(L"CLSID\\") + text;
  }
  static std::wstring ReadValue(const std::wstring& key, const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    DWORD bytes = sizeof value;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value,
                     &bytes) != ERROR_SUCCESS)
      return L"<missing>";
    return value;
  }
  static std::vector<dshow::DeviceEntry> OurDevices() {
    std::vector<dshow::DeviceEntry> all, ours;
    dshow::ListDevices(CLSID_VideoInputDeviceCategory, &all);
    for (const auto& d : all)
      if (d.clsid == CLSID_TestSource) ours.push_back(d);
    return ours;
  }
  const REGFILTER2 data = dshow::VideoSourceFilterData(MERIT_DO_NOT_USE);
};

TEST_F(RegistrationTest, ComServerKeysNameTheModuleAndBothThreadingModels) {
  ASSERT_EQ(S_OK, dshow::RegisterComServer(CLSID_TestSource, L"Test Source", nullptr));
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  EXPECT_EQ(L"Test Source", ReadValue(ClsidKey(), nullptr));
  EXPECT_EQ(path, ReadValue(ClsidKey() + L"\\InprocServer32", nullptr));
  EXPECT_EQ(L"Both", ReadValue(ClsidKey() + L"\\InprocServer32", L"ThreadingModel"));

  EXPECT_EQ(S_OK, dshow::UnregisterComServer(CLSID_TestSource));
  EXPECT_EQ(L"<missing>", ReadValue(ClsidKey(), nullptr));
  EXPECT_EQ(S_OK, dshow::UnregisterComServer(CLSID_TestSource));  // already gone
}

TEST_F(RegistrationTest, DeviceCategoryEntriesCarryFriendlyAndInstanceNames) {
  ASSERT_EQ(S_OK, dshow::RegisterFilter(CLSID_TestSource, L"Devicequil@cam@one",
                                        &CLSID_VideoInputDeviceCategory, L"inst-one", data));
  std::vector<dshow::DeviceEntry> devices = OurDevices();
  ASSERT_EQ(1u, devices.size());
  EXPECT_EQ(L"Devicequil@cam@one", devices[0].friendlyName);
  EXPECT_EQ(L"inst-one", devices[0].instanceName);
  EXPECT_EQ(L"@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\inst-one",
            devices[0].displayName);

  EXPECT_EQ(S_OK, dshow::UnregisterFilter(CLSID_TestSource, &CLSID_VideoInputDeviceCategory,
                                          L"inst-one"));
  EXPECT_TRUE(OurDevices().empty());
  // An absent entry counts as removed.
  EXPECT_EQ(S_OK, dshow::UnregisterFilter(CLSID_TestSource, &CLSID_VideoInputDeviceCategory,
                                          L"inst-one"));
}

TEST_F(RegistrationTest, WithoutInstanceNameTheClsidIsTheKey) {
  ASSERT_EQ(S_OK, dshow::RegisterFilter(CLSID_TestSource, L"Plain", &CLSID_VideoInputDeviceCategory,
                                        nullptr, data));
  std::vector<dshow::DeviceEntry> devices = OurDevices();
  ASSERT_EQ(1u, devices.size());
  wchar_t clsid[40];
  StringFromGUID2(CLSID_TestSource, clsid, 40);
  EXPECT_EQ(clsid, devices[0].instanceName);
  EXPECT_EQ(S_OK, dshow::UnregisterFilter(CLSID_TestSource, &CLSID_VideoInputDeviceCategory,
                                          nullptr));
  EXPECT_TRUE(OurDevices().empty());
}

TEST_F(RegistrationTest, UnregisterAllInstancesRemovesEveryNameOfTheClass) {
  ASSERT_EQ(S_OK, dshow::RegisterFilter(CLSID_TestSource, L"A", &CLSID_VideoInputDeviceCategory,
                                        L"a", data));
  ASSERT_EQ(S_OK, dshow::RegisterFilter(CLSID_TestSource, L"B", &CLSID_VideoInputDeviceCategory,
                                        L"b", data));
  EXPECT_EQ(2u, OurDevices().size());
  EXPECT_EQ(S_OK, dshow::UnregisterAllInstances(CLSID_TestSource,
                                                CLSID_VideoInputDeviceCategory));
  EXPECT_TRUE(OurDevices().empty());
  EXPECT_EQ(S_OK, dshow::UnregisterAllInstances(CLSID_TestSource,
                                                CLSID_VideoInputDeviceCategory));
}

TEST_F(RegistrationTest, DefaultCategoryRegistrationRoundTrips) {
  EXPECT_EQ(S_OK, dshow::RegisterFilter(CLSID_TestSource, L"Test Source", nullptr, nullptr, data));
  EXPECT_EQ(S_OK, dshow::UnregisterFilter(CLSID_TestSource, nullptr, nullptr));
  EXPECT_EQ(S_OK, dshow::UnregisterFilter(CLSID_TestSource, nullptr, nullptr));
}

TEST_F(RegistrationTest, MissingDeviceIsNotFound) {
  IBaseFilter* filter = reinterpret_cast<IBaseFilter*>(1);
  HRESULT hr = dshow::CreateDeviceFilter(CLSID_VideoInputDeviceCategory, L"No such camera",
                                         &filter);
  EXPECT_TRUE(hr == VFW_E_NOT_FOUND || hr == S_FALSE) << std::hex << hr;
  EXPECT_EQ(nullptr, filter);
}

}  // namespace

#include "dshow_base/class_factory.h"

#include <gtest/gtest.h>

#include "test_source.h"

namespace {

// {0E3C8B52-7F1A-4D6E-8C29-5A4B3D2E1F00}
const CLSID CLSID_Failing = {0x0e3c8b52, 0x7f1a, 0x4d6e,
                             {0x8c, 0x29, 0x5a, 0x4b, 0x3d, 0x2e, 0x1f, 0x00}};

IUnknown* CreateTestSource(HRESULT* hr) {
  *hr = S_OK;
  return static_cast<IBaseFilter*>(new dshow_test::TestSource(1));
}

IUnknown* CreateFailing(HRESULT* hr) {
  *hr = E_ACCESSDENIED;
  return nullptr;
}

const dshow::FactoryTemplate kTemplates[] = {
    {L"Test Source", &dshow_test::CLSID_TestSource, &CreateTestSource},
    {L"Failing", &CLSID_Failing, &CreateFailing},
};

IClassFactory* Factory(const CLSID& clsid) {
  IClassFactory* factory = nullptr;
  EXPECT_EQ(S_OK, dshow::GetClassObject(kTemplates, 2, clsid, IID_IClassFactory,
                                        reinterpret_cast<void**>(&factory)));
  return factory;
}

TEST(ClassFactory, CreatesTheTemplatesClassAndCountsTheModule) {
  ASSERT_EQ(S_OK, dshow::CanUnloadNow());
  IClassFactory* factory = Factory(dshow_test::CLSID_TestSource);
  ASSERT_NE(nullptr, factory);
  EXPECT_EQ(S_FALSE, dshow::CanUnloadNow());  // the factory itself is an object

  IBaseFilter* filter = nullptr;
  ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IBaseFilter,
                                          reinterpret_cast<void**>(&filter)));
  CLSID clsid;
  filter->GetClassID(&clsid);
  EXPECT_EQ(dshow_test::CLSID_TestSource, clsid);
  void* none = nullptr;
  EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IClassFactory, &none));
  EXPECT_EQ(nullptr, none);
  factory->Release();
  EXPECT_EQ(S_FALSE, dshow::CanUnloadNow());
  EXPECT_EQ(0u, filter->Release());
  EXPECT_EQ(S_OK, dshow::CanUnloadNow());
}

TEST(ClassFactory, LockServerHoldsTheModule) {
  IClassFactory* factory = Factory(dshow_test::CLSID_TestSource);
  ASSERT_NE(nullptr, factory);
  factory->LockServer(TRUE);
  factory->Release();
  EXPECT_EQ(S_FALSE, dshow::CanUnloadNow());
  IClassFactory* again = Factory(dshow_test::CLSID_TestSource);
  again->LockServer(FALSE);
  again->Release();
  EXPECT_EQ(S_OK, dshow::CanUnloadNow());
}

TEST(ClassFactory, RefusesAggregationUnknownClassesAndPassesCreationFailures) {
  IClassFactory* factory = Factory(dshow_test::CLSID_TestSource);
  ASSERT_NE(nullptr, factory);
  void* object = nullptr;
  EXPECT_EQ(CLASS_E_NOAGGREGATION,
            factory->CreateInstance(reinterpret_cast<IUnknown*>(factory), IID_IUnknown, &object));
  factory->Release();

  IClassFactory* failing = Factory(CLSID_Failing);
  ASSERT_NE(nullptr, failing);
  EXPECT_EQ(E_ACCESSDENIED, failing->CreateInstance(nullptr, IID_IUnknown, &object));
  failing->Release();

  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
            dshow::GetClassObject(kTemplates, 2, CLSID_FilterGraph, IID_IClassFactory, &object));
  EXPECT_EQ(E_NOINTERFACE, dshow::GetClassObject(kTemplates, 2, CLSID_Failing,
                                                 IID_IBaseFilter, &object));
  EXPECT_EQ(S_OK, dshow::CanUnloadNow());
}

}  // namespace

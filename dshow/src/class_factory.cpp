#include "dshow_base/class_factory.h"

#include <new>

namespace dshow {

HRESULT CClassFactory::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IUnknown || riid == IID_IClassFactory)
    return GetInterface(static_cast<IClassFactory*>(this), ppv);
  return E_NOINTERFACE;
}

STDMETHODIMP CClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  HRESULT hr = S_OK;
  IUnknown* object = m_entry.create(&hr);
  if (object == nullptr) return FAILED(hr) ? hr : E_OUTOFMEMORY;
  if (FAILED(hr)) {
    object->Release();
    return hr;
  }
  hr = object->QueryInterface(riid, ppv);
  object->Release();
  return hr;
}

STDMETHODIMP CClassFactory::LockServer(BOOL lock) {
  CModule::Lock(lock != FALSE);
  return S_OK;
}

HRESULT GetClassObject(const FactoryTemplate* templates, size_t count, REFCLSID clsid,
                       REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
  for (size_t i = 0; i < count; ++i) {
    if (*templates[i].clsid != clsid) continue;
    CClassFactory* factory = new (std::nothrow) CClassFactory(templates[i]);
    if (factory == nullptr) return E_OUTOFMEMORY;
    HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CanUnloadNow() { return CModule::CanUnload() ? S_OK : S_FALSE; }

}  // namespace dshow

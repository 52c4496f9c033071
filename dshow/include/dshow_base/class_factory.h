// Class factory over a module's table of creatable classes, and the two COM server
// entry points built on it.
#pragma once

#include <cstddef>

#include "dshow_base/com_object.h"

namespace dshow {

// Makes a new object with one reference held by the caller; sets *hr on failure.
using CreateFunction = IUnknown* (*)(HRESULT* hr);

struct FactoryTemplate {
  const wchar_t* name;
  const CLSID* clsid;
  CreateFunction create;
};

class CClassFactory : public CComObject, public IClassFactory {
 public:
  explicit CClassFactory(const FactoryTemplate& entry) : m_entry(entry) {}
  DSHOW_DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  STDMETHODIMP LockServer(BOOL lock) override;

 private:
  FactoryTemplate m_entry;
};

// Bodies of DllGetClassObject / DllCanUnloadNow for a module's template table.
HRESULT GetClassObject(const FactoryTemplate* templates, size_t count, REFCLSID clsid,
                       REFIID riid, void** ppv);
HRESULT CanUnloadNow();

}  // namespace dshow

// Reference counting and interface lookup shared by every COM object of a filter module.
#pragma once

#ifndef STRSAFE_NO_DEPRECATE
#define STRSAFE_NO_DEPRECATE
#endif
#include <windows.h>
#include <unknwn.h>

namespace dshow {

// Counts live objects and server locks of the module, for DllCanUnloadNow.
class CModule {
 public:
  static void ObjectCreated();
  static void ObjectDestroyed();
  static void Lock(bool lock);
  static bool CanUnload();
  static LONG ObjectCount();
  // The module's handle, for registration (set from DllMain; the exe when unset).
  static void SetInstance(HINSTANCE instance);
  static HINSTANCE Instance();
};

// Hands out `iface` with one added reference.
template <class I>
HRESULT GetInterface(I* iface, void** ppv) {
  *ppv = iface;
  iface->AddRef();
  return S_OK;
}

// A self-deleting, reference-counted object without aggregation. Derived classes list
// their interfaces in NonDelegatingQueryInterface and declare IUnknown with
// DSHOW_DECLARE_IUNKNOWN, which routes to the members here.
class CComObject {
 public:
  CComObject();
  virtual ~CComObject();
  CComObject(const CComObject&) = delete;
  CComObject& operator=(const CComObject&) = delete;

  // Answers IUnknown identity and the object's interfaces; E_NOINTERFACE otherwise.
  virtual HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) = 0;
  ULONG NonDelegatingAddRef();
  ULONG NonDelegatingRelease();
  LONG RefCount() const { return m_ref; }

 private:
  volatile LONG m_ref = 1;  // the creator holds the first reference
};

}  // namespace dshow

// IUnknown of a class that derives from CComObject and from COM interfaces.
#define DSHOW_DECLARE_IUNKNOWN                                                        \
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {                   \
    if (ppv == nullptr) return E_POINTER;                                             \
    *ppv = nullptr;                                                                   \
    return NonDelegatingQueryInterface(riid, ppv);                                    \
  }                                                                                   \
  STDMETHODIMP_(ULONG) AddRef() override { return NonDelegatingAddRef(); }           \
  STDMETHODIMP_(ULONG) Release() override { return NonDelegatingRelease(); }

// IUnknown of a class that adds interfaces to a base that already implements IUnknown
// (e.g. a pin answering IAMStreamConfig): all paths go to `Base`.
#define DSHOW_FORWARD_IUNKNOWN(Base)                                                  \
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {                   \
    return Base::QueryInterface(riid, ppv);                                           \
  }                                                                                   \
  STDMETHODIMP_(ULONG) AddRef() override { return Base::AddRef(); }                  \
  STDMETHODIMP_(ULONG) Release() override { return Base::Release(); }

#include "dshow_base/com_object.h"

namespace dshow {

namespace {
volatile LONG g_objects = 0;
volatile LONG g_locks = 0;
HINSTANCE g_instance = nullptr;
}  // namespace

void CModule::ObjectCreated() { InterlockedIncrement(&g_objects); }
void CModule::ObjectDestroyed() { InterlockedDecrement(&g_objects); }

void CModule::Lock(bool lock) {
  if (lock)
    InterlockedIncrement(&g_locks);
  else
    InterlockedDecrement(&g_locks);
}

bool CModule::CanUnload() { return g_objects == 0 && g_locks == 0; }
LONG CModule::ObjectCount() { return g_objects; }

void CModule::SetInstance(HINSTANCE instance) { g_instance = instance; }
HINSTANCE CModule::Instance() {
  return g_instance ? g_instance : GetModuleHandleW(nullptr);
}

CComObject::CComObject() { CModule::ObjectCreated(); }
CComObject::~CComObject() { CModule::ObjectDestroyed(); }

ULONG CComObject::NonDelegatingAddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&m_ref));
}

ULONG CComObject::NonDelegatingRelease() {
  LONG ref = InterlockedDecrement(&m_ref);
  if (ref == 0) {
    // Guards against a re-entrant Release from the destructor deleting twice.
    m_ref = 1;
    delete this;
    return 0;
  }
  return static_cast<ULONG>(ref);
}

}  // namespace dshow

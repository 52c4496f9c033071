#include "dshow_base/enumerators.h"

#include <new>

#include "dshow_base/live_source.h"
#include "dshow_base/media_type.h"
#include "dshow_base/push_pin.h"

namespace dshow {

CEnumPins::CEnumPins(CLiveSource* filter, ULONG position)
    : m_filter(filter), m_position(position) {
  m_filter->AddRef();
}

CEnumPins::~CEnumPins() { m_filter->Release(); }

HRESULT CEnumPins::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IUnknown || riid == IID_IEnumPins)
    return GetInterface(static_cast<IEnumPins*>(this), ppv);
  return E_NOINTERFACE;
}

STDMETHODIMP CEnumPins::Next(ULONG count, IPin** pins, ULONG* fetched) {
  if (pins == nullptr) return E_POINTER;
  if (count > 1 && fetched == nullptr) return E_INVALIDARG;
  ULONG done = 0;
  const ULONG total = static_cast<ULONG>(m_filter->PinCount());
  while (done < count && m_position < total) {
    pins[done] = m_filter->Pin(static_cast<int>(m_position++));
    pins[done]->AddRef();
    ++done;
  }
  if (fetched != nullptr) *fetched = done;
  return done == count ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumPins::Skip(ULONG count) {
  const ULONG total = static_cast<ULONG>(m_filter->PinCount());
  if (count > total - m_position) {
    m_position = total;
    return S_FALSE;
  }
  m_position += count;
  return S_OK;
}

STDMETHODIMP CEnumPins::Reset() {
  m_position = 0;
  return S_OK;
}

STDMETHODIMP CEnumPins::Clone(IEnumPins** copy) {
  if (copy == nullptr) return E_POINTER;
  *copy = new (std::nothrow) CEnumPins(m_filter, m_position);
  return *copy != nullptr ? S_OK : E_OUTOFMEMORY;
}

CEnumMediaTypes::CEnumMediaTypes(CPushPin* pin, ULONG position)
    : m_pin(pin), m_position(position) {
  m_pin->AddRef();
}

CEnumMediaTypes::~CEnumMediaTypes() { m_pin->Release(); }

HRESULT CEnumMediaTypes::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IUnknown || riid == IID_IEnumMediaTypes)
    return GetInterface(static_cast<IEnumMediaTypes*>(this), ppv);
  return E_NOINTERFACE;
}

STDMETHODIMP CEnumMediaTypes::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) {
  if (types == nullptr) return E_POINTER;
  if (count > 1 && fetched == nullptr) return E_INVALIDARG;
  ULONG done = 0;
  HRESULT hr = S_OK;
  while (done < count) {
    CMediaType mt;
    if (m_pin->GetMediaType(static_cast<int>(m_position), &mt) != S_OK) break;
    AM_MEDIA_TYPE* copy = CreateMediaType(&mt);
    if (copy == nullptr) {
      hr = E_OUTOFMEMORY;
      break;
    }
    types[done++] = copy;
    ++m_position;
  }
  if (fetched != nullptr) *fetched = done;
  if (FAILED(hr)) {
    while (done > 0) DeleteMediaType(types[--done]);
    if (fetched != nullptr) *fetched = 0;
    return hr;
  }
  return done == count ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumMediaTypes::Skip(ULONG count) {
  while (count > 0) {
    CMediaType mt;
    if (m_pin->GetMediaType(static_cast<int>(m_position), &mt) != S_OK) return S_FALSE;
    ++m_position;
    --count;
  }
  return S_OK;
}

STDMETHODIMP CEnumMediaTypes::Reset() {
  m_position = 0;
  return S_OK;
}

STDMETHODIMP CEnumMediaTypes::Clone(IEnumMediaTypes** copy) {
  if (copy == nullptr) return E_POINTER;
  *copy = new (std::nothrow) CEnumMediaTypes(m_pin, m_position);
  return *copy != nullptr ? S_OK : E_OUTOFMEMORY;
}

}  // namespace dshow

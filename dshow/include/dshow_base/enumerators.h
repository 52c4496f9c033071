// IEnumPins over a filter's pins and IEnumMediaTypes over a pin's GetMediaType list.
#pragma once

#include <vector>

#include "dshow_base/com_object.h"

#include <dshow.h>

namespace dshow {

class CLiveSource;
class CPushPin;

// A snapshot of the filter's pins, which do not change after construction.
class CEnumPins : public CComObject, public IEnumPins {
 public:
  explicit CEnumPins(CLiveSource* filter, ULONG position = 0);
  ~CEnumPins() override;
  DSHOW_DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumPins** copy) override;

 private:
  CLiveSource* m_filter;  // referenced
  ULONG m_position;
};

// Asks the pin at each step, so a changed list (e.g. after a format was chosen) shows.
class CEnumMediaTypes : public CComObject, public IEnumMediaTypes {
 public:
  explicit CEnumMediaTypes(CPushPin* pin, ULONG position = 0);
  ~CEnumMediaTypes() override;
  DSHOW_DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumMediaTypes** copy) override;

 private:
  CPushPin* m_pin;  // referenced
  ULONG m_position;
};

}  // namespace dshow

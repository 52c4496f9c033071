// The device's filter: a live source with one output pin; which camera it shows follows
// from its name in the filter graph.
#pragma once

#include "dshow_base/live_source.h"

namespace mirage {

class CVirtualVDevStream;

class CVirtualVDev : public dshow::CLiveSource {
 public:
  // Sets *hr to E_OUTOFMEMORY when the pin or its binder cannot be made.
  explicit CVirtualVDev(HRESULT* hr);
  // The class factory's creation function.
  static IUnknown* CreateInstance(HRESULT* hr);
  CVirtualVDevStream* Stream() const;
};

}  // namespace mirage

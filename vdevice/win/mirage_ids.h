// Identities of the virtual video input device.
#pragma once

#include <windows.h>

namespace mirage {

// {E492CD61-B19D-4613-8E49-18D4E5F0E282}
constexpr CLSID kClsid = {0xe492cd61, 0xb19d, 0x4613,
                          {0x8e, 0x49, 0x18, 0xd4, 0xe5, 0xf0, 0xe2, 0x82}};
// Class factory template, registry default value, object name of filter and pin.
constexpr wchar_t kFilterName[] = L"Monitor Video Device";
// The pin's name (and id) as created; the registration data calls it "Output".
constexpr wchar_t kPinName[] = L"A Vidoe Input Device!";
constexpr DWORD kMerit = 0x600000;  // MERIT_NORMAL
// The binder's size before a camera is bound.
constexpr int kInitialWidth = 704;
constexpr int kInitialHeight = 576;

}  // namespace mirage

// On 64-bit Windows a 32-bit Mirage.ax reaches only 32-bit programs. Where the setup put the
// 64-bit build beside it (x64\Mirage.ax), registering or unregistering the 32-bit one does the
// same for that one through the system's own 64-bit regsvr32, so whoever re-registers after a
// camera change (the service does, from a 32-bit process) updates the devices that both kinds
// of program see.
#pragma once

#include <windows.h>

namespace mirage {

// S_OK where there is nothing to pass on (a 64-bit module, a 32-bit system, no x64\Mirage.ax);
// else the 64-bit regsvr32's outcome: S_OK when it ended with 0, E_FAIL otherwise or when it
// did not end within a minute.
HRESULT PassRegistrationToCompanion(HMODULE self, bool unregister);

}  // namespace mirage

// The comctl32 window-subclass functions, bound by ordinal: comctl32 before version 6
// exports them only that way.
#pragma once

#include <windows.h>

namespace veneer {

using SUBCLASSPROC_T = LRESULT(CALLBACK*)(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

BOOL SetSubclass(HWND hWnd, SUBCLASSPROC_T proc, UINT_PTR id, DWORD_PTR refData);
BOOL GetSubclass(HWND hWnd, SUBCLASSPROC_T proc, UINT_PTR id, DWORD_PTR* refData);
BOOL RemoveSubclass(HWND hWnd, SUBCLASSPROC_T proc, UINT_PTR id);
LRESULT DefSubclass(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace veneer

#include "comctl_subclass.h"

namespace veneer {
namespace {

struct Functions {
  BOOL(WINAPI* set)(HWND, SUBCLASSPROC_T, UINT_PTR, DWORD_PTR) = nullptr;
  BOOL(WINAPI* get)(HWND, SUBCLASSPROC_T, UINT_PTR, DWORD_PTR*) = nullptr;
  BOOL(WINAPI* remove)(HWND, SUBCLASSPROC_T, UINT_PTR) = nullptr;
  LRESULT(WINAPI* def)(HWND, UINT, WPARAM, LPARAM) = nullptr;

  Functions() {
    HMODULE m = LoadLibraryW(L"comctl32.dll");
    if (!m) return;
    set = reinterpret_cast<decltype(set)>(reinterpret_cast<void*>(GetProcAddress(m, MAKEINTRESOURCEA(410))));
    get = reinterpret_cast<decltype(get)>(reinterpret_cast<void*>(GetProcAddress(m, MAKEINTRESOURCEA(411))));
    remove = reinterpret_cast<decltype(remove)>(reinterpret_cast<void*>(GetProcAddress(m, MAKEINTRESOURCEA(412))));
    def = reinterpret_cast<decltype(def)>(reinterpret_cast<void*>(GetProcAddress(m, MAKEINTRESOURCEA(413))));
  }
};

const Functions& Get() {
  static Functions f;
  return f;
}

}  // namespace

BOOL SetSubclass(HWND hWnd, SUBCLASSPROC_T proc, UINT_PTR id, DWORD_PTR refData) {
  return Get().set ? Get().set(hWnd, proc, id, refData) : FALSE;
}

BOOL GetSubclass(HWND hWnd, SUBCLASSPROC_T proc, UINT_PTR id, DWORD_PTR* refData) {
  return Get().get ? Get().get(hWnd, proc, id, refData) : FALSE;
}

BOOL RemoveSubclass(HWND hWnd, SUBCLASSPROC_T proc, UINT_PTR id) {
  return Get().remove ? Get().remove(hWnd, proc, id) : FALSE;
}

LRESULT DefSubclass(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return Get().def ? Get().def(hWnd, message, wParam, lParam) : DefWindowProcW(hWnd, message, wParam, lParam);
}

}  // namespace veneer

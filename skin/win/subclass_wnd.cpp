#include "VeneerWnd.h"

#include "comctl_subclass.h"

namespace {

const wchar_t kObjectProp[] = L"VeneerSkinObject";
const UINT_PTR kSubclassId = 0x56454E31;  // one object per window
const UINT_PTR kReflectId = 0x56454E32;   // one hook per parent, counted in its ref data

HWND ReflectTarget(HWND parent, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DRAWITEM: {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      return dis != nullptr && dis->CtlType != ODT_MENU ? dis->hwndItem : nullptr;
    }
    case WM_MEASUREITEM: {
      auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      return mis != nullptr && mis->CtlType != ODT_MENU ? GetDlgItem(parent, mis->CtlID) : nullptr;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_HSCROLL:
    case WM_VSCROLL:
      return reinterpret_cast<HWND>(lParam);
    case WM_COMMAND:
      return reinterpret_cast<HWND>(lParam);
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lParam);
      return hdr != nullptr ? hdr->hwndFrom : nullptr;
    }
    default:
      return nullptr;
  }
}

}  // namespace

CSubclassWnd::CSubclassWnd()
    : m_hWnd(nullptr), m_hParent(nullptr), m_nBusy(0), m_bDeleteLater(false), m_msg(0), m_wParam(0), m_lParam(0) {}

CSubclassWnd::~CSubclassWnd() { UnsubclassWindow(); }

CSubclassWnd* CSubclassWnd::FromHandlePermanent(HWND hWnd) {
  if (hWnd == nullptr || !IsWindow(hWnd)) return nullptr;
  return static_cast<CSubclassWnd*>(GetPropW(hWnd, kObjectProp));
}

BOOL CSubclassWnd::SubclassWindow(HWND hWnd) {
  if (m_hWnd != nullptr || hWnd == nullptr || !IsWindow(hWnd)) return FALSE;
  if (GetPropW(hWnd, kObjectProp) != nullptr) return FALSE;
  if (!SetPropW(hWnd, kObjectProp, this)) return FALSE;
  if (!veneer::SetSubclass(hWnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
    RemovePropW(hWnd, kObjectProp);
    return FALSE;
  }
  m_hWnd = hWnd;
  if (GetWindowLongW(hWnd, GWL_STYLE) & WS_CHILD) {
    m_hParent = GetParent(hWnd);
    if (m_hParent != nullptr) HookParent(m_hParent);
  }
  return TRUE;
}

HWND CSubclassWnd::UnsubclassWindow() {
  HWND hWnd = m_hWnd;
  if (hWnd == nullptr) return nullptr;
  if (IsWindow(hWnd)) {
    veneer::RemoveSubclass(hWnd, SubclassProc, kSubclassId);
    if (GetPropW(hWnd, kObjectProp) == this) RemovePropW(hWnd, kObjectProp);
  }
  if (m_hParent != nullptr) UnhookParent(m_hParent);
  m_hParent = nullptr;
  m_hWnd = nullptr;
  return hWnd;
}

LRESULT CSubclassWnd::WindowProc(UINT, WPARAM, LPARAM) { return Default(); }

LRESULT CSubclassWnd::Default() {
  if (m_hWnd == nullptr) return 0;
  return veneer::DefSubclass(m_hWnd, m_msg, m_wParam, m_lParam);
}

LRESULT CSubclassWnd::DefaultFor(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_hWnd == nullptr) return 0;
  return veneer::DefSubclass(m_hWnd, message, wParam, lParam);
}

BOOL CSubclassWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

LRESULT CALLBACK CSubclassWnd::SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR, DWORD_PTR refData) {
  auto* self = reinterpret_cast<CSubclassWnd*>(refData);
  ++self->m_nBusy;
  LRESULT r;
  if (message == WM_NCDESTROY) {
    r = veneer::DefSubclass(hWnd, message, wParam, lParam);
    if (self->m_hWnd == hWnd) {
      self->UnsubclassWindow();
      self->OnFinalDetach();
    }
  } else {
    // Nested messages (sent while handling another) keep the outer one for Default().
    UINT savedMsg = self->m_msg;
    WPARAM savedW = self->m_wParam;
    LPARAM savedL = self->m_lParam;
    self->m_msg = message;
    self->m_wParam = wParam;
    self->m_lParam = lParam;
    r = self->WindowProc(message, wParam, lParam);
    self->m_msg = savedMsg;
    self->m_wParam = savedW;
    self->m_lParam = savedL;
  }
  if (--self->m_nBusy == 0 && self->m_bDeleteLater) delete self;
  return r;
}

void CSubclassWnd::DeleteWhenIdle(CSubclassWnd* object) {
  if (object == nullptr) return;
  if (object->m_nBusy > 0) {
    object->m_bDeleteLater = true;
    return;
  }
  delete object;
}

void CSubclassWnd::HookParent(HWND parent) {
  DWORD_PTR count = 0;
  if (veneer::GetSubclass(parent, ReflectProc, kReflectId, &count)) {
    veneer::SetSubclass(parent, ReflectProc, kReflectId, count + 1);
  } else {
    veneer::SetSubclass(parent, ReflectProc, kReflectId, 1);
  }
}

void CSubclassWnd::UnhookParent(HWND parent) {
  DWORD_PTR count = 0;
  if (!IsWindow(parent) || !veneer::GetSubclass(parent, ReflectProc, kReflectId, &count)) return;
  if (count <= 1) {
    veneer::RemoveSubclass(parent, ReflectProc, kReflectId);
  } else {
    veneer::SetSubclass(parent, ReflectProc, kReflectId, count - 1);
  }
}

LRESULT CALLBACK CSubclassWnd::ReflectProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR, DWORD_PTR) {
  if (message == WM_NCDESTROY) {
    veneer::RemoveSubclass(hWnd, ReflectProc, kReflectId);
    return veneer::DefSubclass(hWnd, message, wParam, lParam);
  }
  HWND child = ReflectTarget(hWnd, message, wParam, lParam);
  if (child != nullptr) {
    CSubclassWnd* target = FromHandlePermanent(child);
    LRESULT result = 0;
    if (target != nullptr && target->OnChildNotify(message, wParam, lParam, &result)) return result;
  }
  return veneer::DefSubclass(hWnd, message, wParam, lParam);
}

LRESULT VeneerAnswerParentBackground(HWND host, WPARAM wParam, HBITMAP background) {
  auto* req = reinterpret_cast<const VENEER_PARENTBKGND*>(wParam);
  if (req == nullptr || req->hDC == nullptr) return 0;
  POINT at = {req->left, req->top};
  if (req->hWnd != nullptr) {
    ClientToScreen(req->hWnd, &at);
    ScreenToClient(host, &at);
  }
  int width = req->right - req->left;
  int height = req->bottom - req->top;
  if (background != nullptr) {
    HDC mem = CreateCompatibleDC(req->hDC);
    HGDIOBJ old = SelectObject(mem, background);
    BitBlt(req->hDC, req->left, req->top, width, height, mem, at.x, at.y, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
  } else {
    HDC client = GetDC(host);
    BitBlt(req->hDC, req->left, req->top, width, height, client, at.x, at.y, SRCCOPY);
    ReleaseDC(host, client);
  }
  return 1;
}

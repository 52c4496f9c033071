#include "SkinResourceManager.h"
#include "skin_controls.h"

CSkinEdit::~CSkinEdit() {
  CSkinEdit::SkinDetach();
  if (m_hNormal) DeleteObject(m_hNormal);
  if (m_hDisabled) DeleteObject(m_hDisabled);
}

BOOL CSkinEdit::SkinAttach(HWND hWnd, const std::wstring& name, bool) {
  CSkinResourceManager* m = CSkinResourceManager::GetInstance();
  if (m == nullptr) return FALSE;
  const tagSKINEDITINFO* info = m->GetSkinEditInfo(name);
  m_info = info ? *info : *m->GetDefaultEditInfo();
  if (m_hNormal) DeleteObject(m_hNormal);
  if (m_hDisabled) DeleteObject(m_hDisabled);
  m_hNormal = CreateSolidBrush(m_info.clrBackNormal);
  m_hDisabled = CreateSolidBrush(m_info.clrDisable);
  if (!SubclassWindow(hWnd)) return FALSE;
  if (m_scroll.LoadBitmapW(m_info.strScroll)) {
    m_bScrollSkin = veneer::SetScrollSkin(hWnd, m_scroll.GetSafeHandle()) != 0;
  }
  SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return TRUE;
}

void CSkinEdit::SkinDetach() {
  if (m_bScrollSkin && m_hWnd) veneer::RemoveScrollSkin(m_hWnd);
  m_bScrollSkin = false;
  HWND hWnd = UnsubclassWindow();
  if (hWnd != nullptr && IsWindow(hWnd)) {
    SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

int CSkinEdit::SystemBorder() const {
  LONG style = GetWindowLongW(m_hWnd, GWL_STYLE);
  LONG ex = GetWindowLongW(m_hWnd, GWL_EXSTYLE);
  if (ex & WS_EX_CLIENTEDGE) return (style & WS_BORDER) ? 3 : 2;
  if ((style & WS_BORDER) || (ex & WS_EX_STATICEDGE)) return 1;
  return 0;
}

void CSkinEdit::DrawFrame() {
  HDC dc = GetWindowDC(m_hWnd);
  if (!dc) return;
  RECT rc;
  GetWindowRect(m_hWnd, &rc);
  OffsetRect(&rc, -rc.left, -rc.top);
  veneer::FrameSolid(dc, rc, m_info.clrBorder);
  InflateRect(&rc, -1, -1);
  veneer::FrameSolid(dc, rc, RGB(255, 255, 255));
  ReleaseDC(m_hWnd, dc);
}

LRESULT CSkinEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCALCSIZE: {
      LRESULT r = Default();
      if (!m_hWnd) return r;
      // A frame of exactly two pixels whatever border the edit was made with.
      int extra = 2 - SystemBorder();
      RECT* rc = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
      rc->left += extra;
      rc->top += extra;
      rc->right -= extra;
      rc->bottom -= extra;
      return r;
    }
    case WM_NCPAINT: {
      LRESULT r = Default();
      if (m_hWnd) DrawFrame();
      return r;
    }
    case WM_ENABLE: {
      LRESULT r = Default();
      if (m_hWnd) RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE);
      return r;
    }
    default:
      return Default();
  }
}

BOOL CSkinEdit::OnChildNotify(UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
  if (message != WM_CTLCOLOREDIT && message != WM_CTLCOLORSTATIC) return FALSE;
  LONG style = GetWindowLongW(m_hWnd, GWL_STYLE);
  bool grey = !IsWindowEnabled(m_hWnd) || (style & ES_READONLY);
  HDC dc = reinterpret_cast<HDC>(wParam);
  SetBkColor(dc, grey ? m_info.clrDisable : m_info.clrBackNormal);
  *result = reinterpret_cast<LRESULT>(grey ? m_hDisabled : m_hNormal);
  return TRUE;
}

#include <cstdio>

#include "SkinResourceManager.h"
#include "skin_controls.h"

CSkinProgressCtrl::~CSkinProgressCtrl() { CSkinBase::SkinDetach(); }

BOOL CSkinProgressCtrl::SkinAttach(HWND hWnd, const std::wstring& name, bool) {
  CSkinResourceManager* m = CSkinResourceManager::GetInstance();
  if (m == nullptr) return FALSE;
  const tagSKINPROGRESSINFO* info = m->GetSkinProgressInfo(name);
  m_info = info ? *info : *m->GetDefaultProgressInfo();
  m_normal.Load(m_info.strChannelNormal);
  m_active.Load(m_info.strChannelActive);
  CreateSkinFont(m_info.pFont);
  if (!SubclassWindow(hWnd)) return FALSE;
  InvalidateRect(hWnd, nullptr, TRUE);
  return TRUE;
}

void CSkinProgressCtrl::Paint(HDC dc) {
  RECT rc;
  GetClientRect(m_hWnd, &rc);
  veneer::Canvas canvas(dc, rc.right, rc.bottom);
  DrawParentBackground(canvas.dc(), rc);
  int lo = static_cast<int>(SendMessageW(m_hWnd, PBM_GETRANGE, TRUE, 0));
  int hi = static_cast<int>(SendMessageW(m_hWnd, PBM_GETRANGE, FALSE, 0));
  int pos = static_cast<int>(SendMessageW(m_hWnd, PBM_GETPOS, 0, 0));
  double fraction = hi > lo ? static_cast<double>(pos - lo) / (hi - lo) : 0.0;
  if (fraction < 0) fraction = 0;
  if (fraction > 1) fraction = 1;
  bool vertical = (GetWindowLongW(m_hWnd, GWL_STYLE) & PBS_VERTICAL) != 0;

  int off = m_info.nBmpOffset;
  RECT margins = vertical ? RECT{0, off, 0, off} : RECT{off, 0, off, 0};
  RECT bar = rc;
  if (vertical) bar.top = rc.bottom - static_cast<int>((rc.bottom - rc.top) * fraction + 0.5);
  else bar.right = rc.left + static_cast<int>((rc.right - rc.left) * fraction + 0.5);

  if (m_normal.IsValid()) {
    m_normal.Draw9Grid(canvas.dc(), rc, margins, m_info.clrTransparent);
  } else {
    veneer::FillSolid(canvas.dc(), rc, RGB(255, 255, 255));
    veneer::FrameSolid(canvas.dc(), rc, m_info.clrProgress);
  }
  if (bar.right > bar.left && bar.bottom > bar.top) {
    int saved = SaveDC(canvas.dc());
    IntersectClipRect(canvas.dc(), bar.left, bar.top, bar.right, bar.bottom);
    if (m_active.IsValid()) {
      RECT part = rc;
      OffsetRect(&part, m_info.ptOffsetPart.x, m_info.ptOffsetPart.y);
      m_active.Draw9Grid(canvas.dc(), part, margins, m_info.clrTransparent);
    } else {
      veneer::FillSolid(canvas.dc(), bar, m_info.clrProgress);
    }
    RestoreDC(canvas.dc(), saved);
  }
  if (m_info.bHasText) {
    wchar_t text[16];
    swprintf(text, 16, L"%d%%", static_cast<int>(fraction * 100 + 0.5));
    SetBkMode(canvas.dc(), TRANSPARENT);
    SetTextColor(canvas.dc(), m_info.clrText);
    HGDIOBJ oldFont = SelectObject(canvas.dc(), m_hFont ? m_hFont : GetStockObject(DEFAULT_GUI_FONT));
    DrawTextW(canvas.dc(), text, -1, &rc, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    SelectObject(canvas.dc(), oldFont);
  }
  canvas.CopyTo(dc);
}

LRESULT CSkinProgressCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT painted = 0;
  if (HandlePaintMessage(message, wParam, [this](HDC dc) { Paint(dc); }, &painted)) return painted;
  switch (message) {
    case PBM_SETPOS:
    case PBM_DELTAPOS:
    case PBM_STEPIT:
    case PBM_SETRANGE:
    case PBM_SETRANGE32: {
      LRESULT r = Default();
      if (m_hWnd) InvalidateRect(m_hWnd, nullptr, FALSE);
      return r;
    }
    default:
      return Default();
  }
}

#include <vector>

#include "SkinResourceManager.h"
#include "skin_controls.h"

CSkinHeaderCtrl::~CSkinHeaderCtrl() { CSkinBase::SkinDetach(); }

BOOL CSkinHeaderCtrl::SkinAttach(HWND hWnd, const std::wstring& name, bool) {
  CSkinResourceManager* m = CSkinResourceManager::GetInstance();
  if (m == nullptr) return FALSE;
  const tagSKINHEADERINFO* info = m->GetSkinHeadCtrlInfo(name);
  m_info = info ? *info : *m->GetDefaultHeadCtrlInfo();
  m_normal.LoadBitmapW(m_info.strItemNormal);
  m_hot.LoadBitmapW(m_info.strItemHot);
  m_down.LoadBitmapW(m_info.strItemDown);
  CreateSkinFont(m_info.pFont);
  if (!SubclassWindow(hWnd)) return FALSE;
  InvalidateRect(hWnd, nullptr, TRUE);
  return TRUE;
}

int CSkinHeaderCtrl::HitItem(POINT pt) const {
  HDHITTESTINFO hit = {};
  hit.pt = pt;
  int item = static_cast<int>(SendMessageW(m_hWnd, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  return (hit.flags & (HHT_ONHEADER | HHT_ONDIVIDER | HHT_ONDIVOPEN)) ? item : -1;
}

void CSkinHeaderCtrl::Paint(HDC dc) {
  RECT rc;
  GetClientRect(m_hWnd, &rc);
  veneer::Canvas canvas(dc, rc.right, rc.bottom);
  RECT margins = {m_info.rcBorderOffset.left, m_info.rcBorderOffset.top, m_info.rcBorderOffset.right,
                  m_info.rcBorderOffset.bottom};
  auto fill = [&](const CSkinBitmap& bmp, const RECT& r) {
    const CSkinBitmap& use = bmp.GetSafeHandle() ? bmp : m_normal;
    if (use.GetSafeHandle()) use.FillRect9Grid(canvas.dc(), r, margins);
    else veneer::FillSolid(canvas.dc(), r, GetSysColor(COLOR_BTNFACE));
  };
  HGDIOBJ oldFont = SelectObject(canvas.dc(), m_hFont ? m_hFont : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(canvas.dc(), TRANSPARENT);
  int count = static_cast<int>(SendMessageW(m_hWnd, HDM_GETITEMCOUNT, 0, 0));
  int right = 0;
  for (int i = 0; i < count; ++i) {
    RECT item;
    if (!SendMessageW(m_hWnd, HDM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item))) continue;
    right = item.right > right ? item.right : right;
    COLORREF color = m_info.clrTextNormal;
    if (i == m_nHot && m_bPressed) {
      fill(m_down, item);
      color = m_info.clrTextDown;
    } else if (i == m_nHot) {
      fill(m_hot, item);
      color = m_info.clrTextHot;
    } else {
      fill(m_normal, item);
    }
    wchar_t text[260] = {};
    HDITEMW hdi = {};
    hdi.mask = HDI_TEXT | HDI_FORMAT;
    hdi.pszText = text;
    hdi.cchTextMax = 260;
    SendMessageW(m_hWnd, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(&hdi));
    UINT align = (hdi.fmt & HDF_JUSTIFYMASK) == HDF_CENTER ? DT_CENTER
                 : (hdi.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT ? DT_RIGHT : DT_LEFT;
    RECT textRc = item;
    InflateRect(&textRc, -6, 0);
    SetTextColor(canvas.dc(), color);
    DrawTextW(canvas.dc(), text, -1, &textRc, align | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
  }
  if (right < rc.right) {
    RECT rest = {right, rc.top, rc.right, rc.bottom};
    fill(m_normal, rest);
  }
  SelectObject(canvas.dc(), oldFont);
  canvas.CopyTo(dc);
}

LRESULT CSkinHeaderCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT painted = 0;
  if (HandlePaintMessage(message, wParam, [this](HDC dc) { Paint(dc); }, &painted)) return painted;
  switch (message) {
    case HDM_LAYOUT: {
      LRESULT r = Default();
      auto* layout = reinterpret_cast<HDLAYOUT*>(lParam);
      if (r && m_hWnd && layout && layout->prc && layout->pwpos && m_info.nItemHeight > 0 &&
          !(GetWindowLongW(m_hWnd, GWL_STYLE) & HDS_HIDDEN)) {
        layout->pwpos->cy = m_info.nItemHeight;
        layout->prc->top = layout->pwpos->y + m_info.nItemHeight;
      }
      return r;
    }
    case WM_MOUSEMOVE: {
      POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      int hot = HitItem(pt);
      if (!m_bTracking) {
        TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, m_hWnd, 0};
        m_bTracking = TrackMouseEvent(&tme) != FALSE;
      }
      if (hot != m_nHot && !m_bPressed) {
        m_nHot = hot;
        InvalidateRect(m_hWnd, nullptr, FALSE);
      }
      break;
    }
    case WM_MOUSELEAVE:
      m_bTracking = false;
      m_nHot = -1;
      InvalidateRect(m_hWnd, nullptr, FALSE);
      break;
    case WM_LBUTTONDOWN: {
      POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      m_nHot = HitItem(pt);
      m_bPressed = true;
      InvalidateRect(m_hWnd, nullptr, FALSE);
      break;
    }
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (m_bPressed) {
        m_bPressed = false;
        InvalidateRect(m_hWnd, nullptr, FALSE);
      }
      break;
    default:
      break;
  }
  return Default();
}

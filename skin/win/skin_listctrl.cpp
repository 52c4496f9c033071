#include "SkinResourceManager.h"
#include "skin_controls.h"

namespace {
const COLORREF kSelectKey = RGB(255, 0, 255);
const COLORREF kSelectPlain = RGB(0x78, 0x78, 0x78);
}  // namespace

CSkinListCtrl::~CSkinListCtrl() { CSkinListCtrl::SkinDetach(); }

BOOL CSkinListCtrl::SkinAttach(HWND hWnd, const std::wstring& name, bool) {
  CSkinResourceManager* m = CSkinResourceManager::GetInstance();
  if (m == nullptr) return FALSE;
  const tagSKINLISTCTRLINFO* info = m->GetSkinListCtrlInfo(name);
  m_info = info ? *info : *m->GetDefaultListCtrlInfo();
  m_select.LoadBitmapW(m_info.strItemSelect);
  CreateSkinFont(m_info.pFont);

  HWND header = reinterpret_cast<HWND>(SendMessageW(hWnd, LVM_GETHEADER, 0, 0));
  if (header != nullptr) {
    m_header.reset(new CSkinHeaderCtrl);
    if (!m_header->SkinAttach(header, m_info.strHeadLabel, false)) m_header.reset();
  }

  m_originalStyle = GetWindowLongW(hWnd, GWL_STYLE);
  SetWindowLongW(hWnd, GWL_STYLE, m_originalStyle | LVS_OWNERDRAWFIXED);
  if (!SubclassWindow(hWnd)) {
    SetWindowLongW(hWnd, GWL_STYLE, m_originalStyle);
    if (m_header) m_header->SkinDetach();
    m_header.reset();
    return FALSE;
  }
  if (m_scroll.LoadBitmapW(m_info.strScroll)) {
    m_bScrollSkin = veneer::SetScrollSkin(hWnd, m_scroll.GetSafeHandle()) != 0;
  }

  // Down one pixel and back, so the list measures its rows again.
  RECT rc;
  GetWindowRect(hWnd, &rc);
  HWND parent = GetParent(hWnd);
  if (parent) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
  int w = rc.right - rc.left, h = rc.bottom - rc.top;
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;
  SetWindowPos(hWnd, nullptr, rc.left, rc.top + 1, w, h - 1, flags);
  SetWindowPos(hWnd, nullptr, rc.left, rc.top, w, h, flags);
  InvalidateRect(hWnd, nullptr, TRUE);
  return TRUE;
}

void CSkinListCtrl::SkinDetach() {
  if (m_bScrollSkin && m_hWnd) veneer::RemoveScrollSkin(m_hWnd);
  m_bScrollSkin = false;
  if (m_header) m_header->SkinDetach();
  m_header.reset();
  HWND hWnd = UnsubclassWindow();
  if (hWnd != nullptr && IsWindow(hWnd)) {
    SetWindowLongW(hWnd, GWL_STYLE, m_originalStyle);
    SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hWnd, nullptr, TRUE);
  }
}

LRESULT CSkinListCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  bool edge = (GetWindowLongW(m_hWnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0;
  switch (message) {
    case WM_NCCALCSIZE: {
      LRESULT r = Default();
      if (edge && m_hWnd) {
        // One pixel of frame instead of the two-pixel client edge.
        RECT* rc = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
        InflateRect(rc, 1, 1);
      }
      return r;
    }
    case WM_NCPAINT: {
      LRESULT r = Default();
      if (edge && m_hWnd) {
        HDC dc = GetWindowDC(m_hWnd);
        RECT rc;
        GetWindowRect(m_hWnd, &rc);
        OffsetRect(&rc, -rc.left, -rc.top);
        veneer::FrameSolid(dc, rc, m_info.clrBorder);
        ReleaseDC(m_hWnd, dc);
      }
      return r;
    }
    default:
      return Default();
  }
}

BOOL CSkinListCtrl::OnChildNotify(UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
  if (message == WM_MEASUREITEM) {
    auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    if (m_info.nItemHeight != 0) mis->itemHeight = static_cast<UINT>(m_info.nItemHeight);
    *result = TRUE;
    return TRUE;
  }
  if (message == WM_DRAWITEM) {
    DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    *result = TRUE;
    return TRUE;
  }
  return FALSE;
}

void CSkinListCtrl::DrawItem(const DRAWITEMSTRUCT* dis) {
  HDC dc = dis->hDC;
  int item = static_cast<int>(dis->itemID);
  HWND header = reinterpret_cast<HWND>(SendMessageW(m_hWnd, LVM_GETHEADER, 0, 0));
  int columns = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
  if (columns < 1) columns = 1;

  HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageW(m_hWnd, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
  if (!images) images = reinterpret_cast<HIMAGELIST>(SendMessageW(m_hWnd, LVM_GETIMAGELIST, LVSIL_NORMAL, 0));
  if (!images) images = reinterpret_cast<HIMAGELIST>(SendMessageW(m_hWnd, LVM_GETIMAGELIST, LVSIL_STATE, 0));
  int iconW = 0, iconH = 0;
  if (images) ImageList_GetIconSize(images, &iconW, &iconH);

  RECT first = {};
  first.top = 0;
  first.left = LVIR_LABEL;
  SendMessageW(m_hWnd, LVM_GETSUBITEMRECT, item, reinterpret_cast<LPARAM>(&first));
  int rowRight = first.left;
  if (header) {
    RECT last = {};
    if (SendMessageW(header, HDM_GETITEMRECT, columns - 1, reinterpret_cast<LPARAM>(&last))) {
      RECT firstHead = {};
      SendMessageW(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&firstHead));
      RECT bounds = {};
      bounds.left = LVIR_BOUNDS;
      SendMessageW(m_hWnd, LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&bounds));
      rowRight = bounds.left + (last.right - firstHead.left);
    }
  }
  RECT row = {first.left, dis->rcItem.top, rowRight, dis->rcItem.bottom};
  if (images) row.left -= iconW + 2;

  bool selected = (SendMessageW(m_hWnd, LVM_GETITEMSTATE, item, LVIS_SELECTED) & LVIS_SELECTED) != 0;
  if (selected) {
    if (m_select.GetSafeHandle()) {
      RECT margins = {m_info.rcBorderOffset.left, m_info.rcBorderOffset.top, m_info.rcBorderOffset.right,
                      m_info.rcBorderOffset.bottom};
      m_select.FillRect9Grid(dc, row, margins, kSelectKey);
    } else {
      veneer::FillSolid(dc, row, kSelectPlain);
    }
  } else {
    veneer::FillSolid(dc, row, (item % 2) ? m_info.clrItemBack1 : m_info.clrItemBack2);
  }

  if (images) {
    LVITEMW lvi = {};
    lvi.mask = LVIF_IMAGE;
    lvi.iItem = item;
    if (SendMessageW(m_hWnd, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&lvi)) && lvi.iImage >= 0 &&
        iconH <= row.bottom - row.top) {
      int y = row.top + (row.bottom - row.top - iconH) / 2;
      ImageList_Draw(images, lvi.iImage, dc, first.left - iconW - 1, y, ILD_TRANSPARENT);
    }
  }

  HGDIOBJ oldFont = SelectObject(dc, m_hFont ? m_hFont : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, selected ? m_info.clrTextSelect : m_info.clrTextNormal);
  for (int col = 0; col < columns; ++col) {
    RECT cell = {};
    cell.top = col;
    cell.left = col == 0 ? LVIR_LABEL : LVIR_BOUNDS;
    if (!SendMessageW(m_hWnd, LVM_GETSUBITEMRECT, item, reinterpret_cast<LPARAM>(&cell))) continue;
    if (col == 0 && header) {
      RECT head = {};
      SendMessageW(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&head));
      cell.right = cell.left + (head.right - head.left) - (images ? iconW + 2 : 0);
    }
    wchar_t text[512] = {};
    LVITEMW lvi = {};
    lvi.iSubItem = col;
    lvi.pszText = text;
    lvi.cchTextMax = 512;
    SendMessageW(m_hWnd, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&lvi));
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT;
    SendMessageW(m_hWnd, LVM_GETCOLUMNW, col, reinterpret_cast<LPARAM>(&column));
    UINT align = (column.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER ? DT_CENTER : DT_LEFT;
    cell.top = row.top;
    cell.bottom = row.bottom;
    InflateRect(&cell, -5, 0);
    DrawTextW(dc, text, -1, &cell, align | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
  }
  SelectObject(dc, oldFont);
}

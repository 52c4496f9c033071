#include "SkinResourceManager.h"
#include "skin_controls.h"

using veneer::Canvas;

CSkinRadioCheck::~CSkinRadioCheck() { CSkinRadioCheck::SkinDetach(); }

BOOL CSkinRadioCheck::SkinAttach(HWND hWnd, const std::wstring& name, bool) {
  CSkinResourceManager* m = CSkinResourceManager::GetInstance();
  if (m == nullptr) return FALSE;
  const tagSKINADIOCHECKBTNINFO* info = m->GetSkinRadioCheckInfo(name);
  m_info = info ? *info : *m->GetDefaultRadioCheckInfo();
  const std::wstring* names[2][5] = {
      {&m_info.strBackNormal, &m_info.strBackHot, &m_info.strBackDown, &m_info.strBackDisable, &m_info.strBackFocus},
      {&m_info.strBackNormalS, &m_info.strBackHotS, &m_info.strBackDownS, &m_info.strBackDisableS, &m_info.strBackFocusS}};
  for (int c = 0; c < 2; ++c) {
    for (int s = 0; s < 5; ++s) m_pic[c][s].Load(*names[c][s]);
  }
  CreateSkinFont(m_info.pFont);
  if (!SubclassWindow(hWnd)) return FALSE;
  InvalidateRect(hWnd, nullptr, TRUE);
  return TRUE;
}

void CSkinRadioCheck::SkinDetach() {
  HWND hWnd = UnsubclassWindow();
  if (hWnd != nullptr && IsWindow(hWnd)) InvalidateRect(hWnd, nullptr, TRUE);
}

// Only the focus state borrows the normal picture; another missing state shows none.
const veneer::SkinPicture& CSkinRadioCheck::Picture(bool checked, int state) const {
  const veneer::SkinPicture& pic = m_pic[checked ? 1 : 0][state];
  return pic.IsValid() || state != 4 ? pic : m_pic[checked ? 1 : 0][0];
}

void CSkinRadioCheck::RedrawNow() {
  HDC dc = GetDC(m_hWnd);
  if (dc) {
    Paint(dc);
    ReleaseDC(m_hWnd, dc);
  }
}

void CSkinRadioCheck::PaintGroupBox(HDC dc) {
  RECT rc;
  GetClientRect(m_hWnd, &rc);
  int saved = SaveDC(dc);
  // Controls placed over the box are its siblings: leave their pixels alone.
  HWND parent = GetParent(m_hWnd);
  for (HWND s = parent ? GetWindow(parent, GW_CHILD) : nullptr; s != nullptr; s = GetWindow(s, GW_HWNDNEXT)) {
    if (s == m_hWnd || !IsWindowVisible(s)) continue;
    RECT sr;
    GetWindowRect(s, &sr);
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&sr), 2);
    ExcludeClipRect(dc, sr.left, sr.top, sr.right, sr.bottom);
  }
  if (m_info.bFreeBack) DrawParentBackground(dc, rc); else veneer::FillSolid(dc, rc, m_info.clrBack);

  std::wstring text = veneer::WindowText(m_hWnd);
  HGDIOBJ oldFont = SelectObject(dc, m_hFont ? m_hFont : GetStockObject(DEFAULT_GUI_FONT));
  SIZE size = {0, 0};
  GetTextExtentPoint32W(dc, L"X", 1, &size);
  bool enabled = IsWindowEnabled(m_hWnd) != FALSE;
  COLORREF frame = enabled ? m_info.clrNormal : m_info.clrDisable;
  RECT box = {rc.left, rc.top + size.cy / 2, rc.right, rc.bottom};
  veneer::FrameSolid(dc, box, frame);
  if (!text.empty()) {
    RECT textRc = {rc.left + 8, rc.top, rc.right - 8, rc.top + size.cy};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRc, DT_SINGLELINE | DT_CALCRECT);
    RECT back = {textRc.left - 3, rc.top, textRc.right + 3, rc.top + size.cy};
    if (m_info.bFreeBack) DrawParentBackground(dc, back); else veneer::FillSolid(dc, back, m_info.clrBack);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, enabled ? m_info.clrNormal : m_info.clrDisable);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRc, DT_SINGLELINE);
  }
  SelectObject(dc, oldFont);
  RestoreDC(dc, saved);
}

void CSkinRadioCheck::Paint(HDC dc) {
  LONG style = GetWindowLongW(m_hWnd, GWL_STYLE);
  if ((style & 0x0F) == BS_GROUPBOX) {
    PaintGroupBox(dc);
    return;
  }
  RECT rc;
  GetClientRect(m_hWnd, &rc);
  Canvas canvas(dc, rc.right, rc.bottom);
  if (m_info.bFreeBack) DrawParentBackground(canvas.dc(), rc); else veneer::FillSolid(canvas.dc(), rc, m_info.clrBack);

  int state;
  if (!IsWindowEnabled(m_hWnd)) state = 3;
  else if (m_bHover) state = m_bPressed ? 2 : 1;
  else if (GetFocus() == m_hWnd) state = 4;
  else state = 0;
  bool checked = SendMessageW(m_hWnd, BM_GETCHECK, 0, 0) != BST_UNCHECKED;
  const veneer::SkinPicture& pic = Picture(checked, state);

  bool leftText = (style & BS_LEFTTEXT) != 0;
  int pw = pic.Width(), ph = pic.Height();
  int px = leftText ? rc.right - pw : 0;
  int py = (rc.bottom - ph) / 2;
  if (pic.IsValid()) pic.Draw(canvas.dc(), px, py, m_info.clrTransparent);

  const COLORREF colors[5] = {m_info.clrNormal, m_info.clrHot, m_info.clrDown, m_info.clrDisable,
                              m_info.clrFocus};
  std::wstring text = veneer::WindowText(m_hWnd);
  RECT textRc = rc;
  if (leftText) textRc.right = px - 4; else textRc.left = pw + 4;
  SetBkMode(canvas.dc(), TRANSPARENT);
  SetTextColor(canvas.dc(), colors[state]);
  HGDIOBJ oldFont = SelectObject(canvas.dc(), m_hFont ? m_hFont : GetStockObject(DEFAULT_GUI_FONT));
  DrawTextW(canvas.dc(), text.c_str(), static_cast<int>(text.size()), &textRc,
            DT_SINGLELINE | DT_VCENTER | (leftText ? DT_RIGHT : DT_LEFT));
  SelectObject(canvas.dc(), oldFont);
  canvas.CopyTo(dc);
}

LRESULT CSkinRadioCheck::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT painted = 0;
  if (HandlePaintMessage(message, wParam, [this](HDC dc) { Paint(dc); }, &painted)) return painted;
  switch (message) {
    case WM_MOUSEMOVE:
      if (!m_bHover) {
        m_bHover = true;
        TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, m_hWnd, 0};
        TrackMouseEvent(&tme);
      }
      break;
    case WM_MOUSELEAVE:
      m_bHover = false;
      RedrawNow();
      return Default();
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      m_bPressed = true;
      break;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      m_bPressed = false;
      break;
    default:
      break;
  }
  // The standard button draws itself outside WM_PAINT when its state changes; the skin
  // draws over it right after.
  LRESULT r = Default();
  switch (message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SETTEXT:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_UPDATEUISTATE:
    case BM_SETCHECK:
    case BM_SETSTATE:
    case BM_CLICK:
      if (m_hWnd && IsWindowVisible(m_hWnd)) RedrawNow();  // the skin may be gone by now
      break;
    default:
      break;
  }
  return r;
}

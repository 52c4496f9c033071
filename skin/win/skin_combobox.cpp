#include "SkinResourceManager.h"
#include "skin_controls.h"

namespace {
const UINT_PTR kHoverTimer = 1;
}

CSkinComboBox::~CSkinComboBox() {
  CSkinComboBox::SkinDetach();
  if (m_hImages) ImageList_Destroy(m_hImages);
}

BOOL CSkinComboBox::SkinAttach(HWND hWnd, const std::wstring& name, bool) {
  CSkinResourceManager* m = CSkinResourceManager::GetInstance();
  if (m == nullptr) return FALSE;
  const tagSKINCOMBOBOXINFO* info = m->GetSkinComboBoxInfo(name);
  m_info = info ? *info : *m->GetDefaultComboBoxInfo();
  CSkinBitmap button;
  if (button.LoadBitmapW(m_info.strButton) && button.Width() >= 4) {
    m_nImageWidth = button.Width() / 4;
    m_nImageHeight = button.Height();
    if (m_hImages) ImageList_Destroy(m_hImages);
    m_hImages = ImageList_Create(m_nImageWidth, m_nImageHeight, ILC_COLOR24 | ILC_MASK, 4, 0);
    if (m_hImages) ImageList_AddMasked(m_hImages, button.GetSafeHandle(), RGB(0, 0, 0));
  }
  if (!SubclassWindow(hWnd)) return FALSE;
  InvalidateRect(hWnd, nullptr, TRUE);
  return TRUE;
}

void CSkinComboBox::SkinDetach() {
  if (m_bTimer && m_hWnd) KillTimer(m_hWnd, kHoverTimer);
  m_bTimer = false;
  HWND hWnd = UnsubclassWindow();
  if (hWnd != nullptr && IsWindow(hWnd)) InvalidateRect(hWnd, nullptr, TRUE);
}

void CSkinComboBox::DrawFrameAndButton(int state) {
  m_nState = state;
  HDC dc = GetDC(m_hWnd);
  if (!dc) return;
  RECT rc;
  GetClientRect(m_hWnd, &rc);
  LONG style = GetWindowLongW(m_hWnd, GWL_STYLE);
  if ((style & 3) == CBS_SIMPLE) {
    ReleaseDC(m_hWnd, dc);
    return;
  }
  veneer::FrameSolid(dc, rc, m_info.clrBorder);
  RECT inner = rc;
  InflateRect(&inner, -1, -1);
  veneer::FrameSolid(dc, inner, RGB(255, 255, 255));

  COMBOBOXINFO cbi = {};
  cbi.cbSize = sizeof cbi;
  if (GetComboBoxInfo(m_hWnd, &cbi) && m_hImages) {
    RECT b = cbi.rcButton;
    int w = b.right - b.left, h = b.bottom - b.top;
    if (w > 0 && h > 0) {
      // The image list draws at its own size; stretch it into the button.
      veneer::Canvas piece(dc, m_nImageWidth, m_nImageHeight);
      RECT all = {0, 0, m_nImageWidth, m_nImageHeight};
      veneer::FillSolid(piece.dc(), all, RGB(255, 255, 255));
      ImageList_Draw(m_hImages, state, piece.dc(), 0, 0, ILD_NORMAL);
      int oldMode = SetStretchBltMode(dc, HALFTONE);
      SetBrushOrgEx(dc, 0, 0, nullptr);
      StretchBlt(dc, b.left, b.top, w, h, piece.dc(), 0, 0, m_nImageWidth, m_nImageHeight, SRCCOPY);
      SetStretchBltMode(dc, oldMode);
    }
  }
  ReleaseDC(m_hWnd, dc);
}

void CSkinComboBox::OnTimerTick() {
  if (m_bLButtonDown) {
    KillTimer(m_hWnd, kHoverTimer);
    m_bTimer = false;
    if (m_nState == 1) DrawFrameAndButton(2);
    return;
  }
  POINT pt;
  GetCursorPos(&pt);
  RECT rc;
  GetWindowRect(m_hWnd, &rc);
  if (PtInRect(&rc, pt) || m_bFocus) {
    if (m_nState != 1) DrawFrameAndButton(1);
    return;
  }
  KillTimer(m_hWnd, kHoverTimer);
  m_bTimer = false;
  if (m_nState == 1) DrawFrameAndButton(0);
}

LRESULT CSkinComboBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      LRESULT r = Default();
      if (m_hWnd) DrawFrameAndButton(m_nState);
      return r;
    }
    case WM_MOUSEMOVE:
      SetTimer(m_hWnd, kHoverTimer, 10, nullptr);
      m_bTimer = true;
      break;
    case WM_TIMER:
      if (wParam == kHoverTimer) {
        OnTimerTick();
        return 0;
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      m_bLButtonDown = true;
      break;
    case WM_LBUTTONUP: {
      m_bLButtonDown = false;
      LRESULT r = Default();
      if (m_hWnd) InvalidateRect(m_hWnd, nullptr, FALSE);
      return r;
    }
    case WM_ENABLE:
    case WM_SIZE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      LRESULT r = Default();
      if (m_hWnd) InvalidateRect(m_hWnd, nullptr, FALSE);
      return r;
    }
    default:
      break;
  }
  return Default();
}

BOOL CSkinComboBox::OnChildNotify(UINT message, WPARAM wParam, LPARAM, LRESULT*) {
  if (message != WM_COMMAND) return FALSE;
  switch (HIWORD(wParam)) {
    case CBN_SETFOCUS:
      m_bFocus = true;
      DrawFrameAndButton(1);
      break;
    case CBN_KILLFOCUS:
      m_bFocus = false;
      DrawFrameAndButton(0);
      break;
    case CBN_EDITUPDATE: {
      if (m_bInEditUpdate) break;  // setting the text again notifies once more
      m_bInEditUpdate = true;
      std::wstring text = veneer::WindowText(m_hWnd);
      DWORD start = 0, end = 0;
      SendMessageW(m_hWnd, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
      SetWindowTextW(m_hWnd, text.c_str());
      if (start <= end && end <= text.size()) {
        SendMessageW(m_hWnd, CB_SETEDITSEL, 0, MAKELPARAM(start, end));
      } else {
        SendMessageW(m_hWnd, CB_SETEDITSEL, 0, MAKELPARAM(text.size(), text.size()));
      }
      m_bInEditUpdate = false;
      break;
    }
    default:
      break;
  }
  return FALSE;  // the parent still sees the notification
}

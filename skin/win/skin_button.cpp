#include "SkinResourceManager.h"
#include "skin_controls.h"

using veneer::Canvas;

namespace {
const COLORREF kRegionKey = RGB(255, 0, 255);
}

CSkinButton::~CSkinButton() { CSkinButton::SkinDetach(); }

BOOL CSkinButton::SkinAttach(HWND hWnd, const std::wstring& name, bool bResize) {
  CSkinResourceManager* m = CSkinResourceManager::GetInstance();
  if (m == nullptr) return FALSE;
  const tagSKINBUTTONINFO* info = m->GetSkinButtonInfo(name);
  m_info = info ? *info : *m->GetDefaultButtonInfo();

  if (!m_info.bPngBack) {
    for (int s = 0; s < 5; ++s) m_bmp[s].LoadBitmapW(PictureName(s));
  }
  CreateSkinFont(m_info.pFont);

  if (bResize) {
    int cx = 0, cy = 0;
    if (m_info.bPngBack) {
      if (const CxImage* img = Png(0)) {
        cx = static_cast<int>(img->GetWidth());
        cy = static_cast<int>(img->GetHeight());
      }
    } else if (m_bmp[0].GetSafeHandle()) {
      cx = m_bmp[0].Width();
      cy = m_bmp[0].Height();
    }
    if (cx > 0 && cy > 0) {
      SetWindowPos(hWnd, nullptr, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }

  m_originalStyle = GetWindowLongW(hWnd, GWL_STYLE);
  SetWindowLongW(hWnd, GWL_STYLE, m_originalStyle | BS_OWNERDRAW);
  if (!SubclassWindow(hWnd)) {
    SetWindowLongW(hWnd, GWL_STYLE, m_originalStyle);
    return FALSE;
  }
  InvalidateRect(hWnd, nullptr, TRUE);
  return TRUE;
}

void CSkinButton::SkinDetach() {
  HWND hWnd = UnsubclassWindow();
  if (hWnd != nullptr && IsWindow(hWnd)) {
    SetWindowLongW(hWnd, GWL_STYLE, m_originalStyle);
    SetWindowRgn(hWnd, nullptr, FALSE);
    InvalidateRect(hWnd, nullptr, TRUE);
  }
}

const std::wstring& CSkinButton::PictureName(int state) const {
  switch (state) {
    case 1: return m_info.strBackHot;
    case 2: return m_info.strBackDown;
    case 3: return m_info.strBackDisable;
    case 4: return m_info.strBackFocus;
    default: return m_info.strBackNormal;
  }
}

const CxImage* CSkinButton::Png(int state) {
  if (!m_pngTried[state]) {
    m_pngTried[state] = true;
    auto img = std::make_unique<CxImage>();
    if (!PictureName(state).empty() && img->Load(SkinFile(PictureName(state)), CXIMAGE_FORMAT_PNG)) {
      m_png[state] = std::move(img);
    }
  }
  if (m_png[state]) return m_png[state].get();
  return state != 0 ? Png(0) : nullptr;
}

int CSkinButton::GetState() const {
  if (m_hWnd == nullptr) return 0;
  if (!IsWindowEnabled(m_hWnd)) return 3;
  if (m_bHover) return m_bPressed ? 2 : 1;
  if (GetFocus() == m_hWnd) return 4;
  return 0;
}

void CSkinButton::Paint(HDC dc) {
  RECT rc;
  GetClientRect(m_hWnd, &rc);
  Canvas canvas(dc, rc.right, rc.bottom);
  int state = GetState();
  if (m_info.bPngBack) {
    DrawParentBackground(canvas.dc(), rc);
    if (const CxImage* img = Png(state)) img->Draw(canvas.dc(), 0, 0, rc.right, rc.bottom);
  } else if (m_info.bEnable9Grid) {
    RECT margins = {m_info.rc9GridMargins.left, m_info.rc9GridMargins.top,
                    m_info.rc9GridMargins.right, m_info.rc9GridMargins.bottom};
    if (m_bmp[state].GetSafeHandle()) {
      m_bmp[state].FillRect9Grid(canvas.dc(), rc, margins);
      veneer::SetWindowRegionIfChanged(m_hWnd, canvas.RegionWithout(kRegionKey));
    }
  } else if (m_bmp[state].GetSafeHandle()) {
    veneer::SetWindowRegionIfChanged(m_hWnd, m_bmp[state].CreateRgnFromFile(kRegionKey));
    m_bmp[state].BitBlt(canvas.dc(), 0, 0);
  }

  const COLORREF colors[5] = {m_info.clrNormal, m_info.clrHot, m_info.clrDown, m_info.clrDisable,
                              m_info.clrFocus};
  UINT format = DT_SINGLELINE | DT_CENTER | DT_VCENTER;
  bool text = true;
  if (m_info.bPngBack) {
    switch (m_info.nTextPos) {
      case 0: format = DT_SINGLELINE | DT_CENTER | DT_VCENTER; break;
      case 1: format = DT_SINGLELINE | DT_LEFT | DT_VCENTER; break;
      case 2: format = DT_SINGLELINE | DT_CENTER | DT_TOP; break;
      case 3: format = DT_SINGLELINE | DT_RIGHT | DT_VCENTER; break;
      case 4: format = DT_SINGLELINE | DT_CENTER | DT_BOTTOM; break;
      default: text = false; break;
    }
  }
  if (text) {
    std::wstring caption = veneer::WindowText(m_hWnd);
    SetBkMode(canvas.dc(), TRANSPARENT);
    SetTextColor(canvas.dc(), colors[state]);
    HGDIOBJ oldFont = SelectObject(canvas.dc(), m_hFont ? m_hFont : GetStockObject(DEFAULT_GUI_FONT));
    DrawTextW(canvas.dc(), caption.c_str(), static_cast<int>(caption.size()), &rc, format);
    SelectObject(canvas.dc(), oldFont);
  }
  canvas.CopyTo(dc);
}

LRESULT CSkinButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT painted = 0;
  if (HandlePaintMessage(message, wParam, [this](HDC dc) { Paint(dc); }, &painted)) return painted;
  switch (message) {
    case WM_MOUSEMOVE:
      if (!m_bHover) {
        m_bHover = true;
        TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, m_hWnd, 0};
        TrackMouseEvent(&tme);
        InvalidateRect(m_hWnd, nullptr, FALSE);
      }
      break;
    case WM_MOUSELEAVE:
      m_bHover = false;
      InvalidateRect(m_hWnd, nullptr, FALSE);
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      m_bPressed = true;
      InvalidateRect(m_hWnd, nullptr, FALSE);
      break;
    case WM_LBUTTONUP:
      m_bPressed = false;
      InvalidateRect(m_hWnd, nullptr, FALSE);
      break;
    case WM_ENABLE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_SETTEXT:
    case BM_SETSTATE: {
      LRESULT r = Default();
      if (m_hWnd) InvalidateRect(m_hWnd, nullptr, FALSE);  // the skin may be gone by now
      return r;
    }
    case WM_CAPTURECHANGED:
      m_bPressed = false;
      InvalidateRect(m_hWnd, nullptr, FALSE);
      break;
    default:
      break;
  }
  return Default();
}

BOOL CSkinButton::OnChildNotify(UINT message, WPARAM, LPARAM, LRESULT* result) {
  // The owner-draw style makes the button ask its parent to draw; the skin paints itself.
  if (message == WM_DRAWITEM) {
    InvalidateRect(m_hWnd, nullptr, FALSE);
    *result = TRUE;
    return TRUE;
  }
  return FALSE;
}

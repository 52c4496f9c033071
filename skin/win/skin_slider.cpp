#include "SkinSliderandProgressctrl.h"

#include <commctrl.h>

#include "SkinResourceManager.h"
#include "skin_draw.h"

namespace {
const wchar_t kClassName[] = L"VeneerSliderProgress";

void RegisterSliderClass() {
  static bool done = false;
  if (done) return;
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = kClassName;
  done = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}
}  // namespace

struct CSkinSliderandProgressctrl::Pictures {
  veneer::SkinPicture thumb[5];  // normal, hot, down, disable, focus
  veneer::SkinPicture channelNormal, channelActive;
};

CSkinSliderandProgressctrl::CSkinSliderandProgressctrl()
    : m_nMin(0), m_nMax(100), m_nPos(0), m_nEnergy(0), m_nPage(10), m_nLine(1), m_bHorizontal(TRUE),
      m_bDragging(FALSE), m_bHot(FALSE), m_bOwnWindow(FALSE), m_nDragOffset(0), m_nThumbWidth(0),
      m_nThumbHeight(0), m_pPictures(new Pictures) {}

CSkinSliderandProgressctrl::~CSkinSliderandProgressctrl() {
  CSkinSliderandProgressctrl::SkinDetach();
  delete m_pPictures;
}

BOOL CSkinSliderandProgressctrl::Create(const RECT& rect, HWND hParent, UINT nID, BOOL bHorizontal) {
  if (m_hWnd != nullptr) return FALSE;
  RegisterSliderClass();
  HWND hWnd = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, rect.left, rect.top,
                              rect.right - rect.left, rect.bottom - rect.top, hParent,
                              reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), GetModuleHandleW(nullptr), nullptr);
  if (hWnd == nullptr) return FALSE;
  m_bHorizontal = bHorizontal;
  CSkinResourceManager* m = CSkinResourceManager::GetInstance();
  if (m) m_info = *m->GetDefaultSlider_ProgressCtrlInfo();
  if (!SubclassWindow(hWnd)) {
    DestroyWindow(hWnd);
    return FALSE;
  }
  m_bOwnWindow = TRUE;
  OnCreate();
  return TRUE;
}

int CSkinSliderandProgressctrl::OnCreate() {
  UpdateSkinResource();
  InvalidateRect(m_hWnd, nullptr, TRUE);
  return 0;
}

BOOL CSkinSliderandProgressctrl::SkinAttach(HWND hWnd, const std::wstring& name, bool) {
  return SkinSubclass(hWnd, name);
}

BOOL CSkinSliderandProgressctrl::SkinSubclass(HWND hWnd, const std::wstring& name) {
  if (m_hWnd != nullptr || hWnd == nullptr || !IsWindow(hWnd)) return FALSE;
  CSkinResourceManager* m = CSkinResourceManager::GetInstance();
  if (m == nullptr) return FALSE;
  const tagSKINSLIDER_PROGRESSCTRLINFO* info = m->GetSkinSlider_ProgressCtrlInfo(name);
  m_info = info ? *info : *m->GetDefaultSlider_ProgressCtrlInfo();
  m_bHorizontal = !(GetWindowLongW(hWnd, GWL_STYLE) & TBS_VERT);
  m_nMin = static_cast<int>(SendMessageW(hWnd, TBM_GETRANGEMIN, 0, 0));
  m_nMax = static_cast<int>(SendMessageW(hWnd, TBM_GETRANGEMAX, 0, 0));
  m_nPos = static_cast<int>(SendMessageW(hWnd, TBM_GETPOS, 0, 0));
  m_nPage = static_cast<int>(SendMessageW(hWnd, TBM_GETPAGESIZE, 0, 0));
  m_nLine = static_cast<int>(SendMessageW(hWnd, TBM_GETLINESIZE, 0, 0));
  UpdateSkinResource();
  if (!SubclassWindow(hWnd)) return FALSE;
  m_bOwnWindow = FALSE;
  InvalidateRect(hWnd, nullptr, TRUE);
  return TRUE;
}

void CSkinSliderandProgressctrl::UnSkinSubclass() { SkinDetach(); }

void CSkinSliderandProgressctrl::SkinDetach() {
  if (m_bDragging && m_hWnd && GetCapture() == m_hWnd) ReleaseCapture();
  m_bDragging = FALSE;
  HWND hWnd = UnsubclassWindow();
  if (hWnd != nullptr && IsWindow(hWnd)) {
    if (m_bOwnWindow) DestroyWindow(hWnd); else InvalidateRect(hWnd, nullptr, TRUE);
  }
  m_bOwnWindow = FALSE;
}

void CSkinSliderandProgressctrl::UpdateSkinResource() {
  const std::wstring* thumbs[5] = {&m_info.strThumbNormal, &m_info.strThumbHot, &m_info.strThumbDown,
                                   &m_info.strThumbDisable, &m_info.strThumbFocus};
  for (int i = 0; i < 5; ++i) m_pPictures->thumb[i].Load(*thumbs[i]);
  m_pPictures->channelNormal.Load(m_info.strChannelNormal);
  m_pPictures->channelActive.Load(m_info.strChannelActive);
  CxImage normal;
  if (!m_info.strThumbNormal.empty() && normal.Load(SkinFile(m_info.strThumbNormal), CXIMAGE_FORMAT_PNG)) {
    m_nThumbWidth = static_cast<int>(normal.GetWidth());
    m_nThumbHeight = static_cast<int>(normal.GetHeight());
  } else {
    m_nThumbWidth = m_pPictures->thumb[0].Width();
    m_nThumbHeight = m_pPictures->thumb[0].Height();
  }
}

void CSkinSliderandProgressctrl::SetBitmap(const std::wstring& thumbNormal, const std::wstring& channelNormal,
                                           const std::wstring& channelActive) {
  m_info.strThumbNormal = thumbNormal;
  m_info.strChannelNormal = channelNormal;
  m_info.strChannelActive = channelActive;
  UpdateSkinResource();
  Redraw();
}

void CSkinSliderandProgressctrl::Redraw() {
  if (m_hWnd) InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CSkinSliderandProgressctrl::SetRange(int nMin, int nMax, BOOL bRedraw) {
  m_nMin = nMin;
  m_nMax = nMax < nMin ? nMin : nMax;
  m_nPos = VerifyPos(m_nPos);
  m_nEnergy = VerifyEnergyPos(m_nEnergy);
  if (bRedraw) Redraw();
}

void CSkinSliderandProgressctrl::GetRange(int& nMin, int& nMax) const {
  nMin = m_nMin;
  nMax = m_nMax;
}

void CSkinSliderandProgressctrl::SetPos(int nPos) {
  nPos = VerifyPos(nPos);
  if (nPos == m_nPos) return;
  m_nPos = nPos;
  Redraw();
}

int CSkinSliderandProgressctrl::GetPos() const { return m_nPos; }

void CSkinSliderandProgressctrl::SetEnergyPos(int nPos) {
  nPos = VerifyEnergyPos(nPos);
  if (nPos == m_nEnergy) return;
  m_nEnergy = nPos;
  Redraw();
}

int CSkinSliderandProgressctrl::GetEnergyPos() const { return m_nEnergy; }
void CSkinSliderandProgressctrl::SetPageSize(int nSize) { m_nPage = nSize; }
int CSkinSliderandProgressctrl::GetPageSize() const { return m_nPage; }
void CSkinSliderandProgressctrl::SetLineSize(int nSize) { m_nLine = nSize; }
int CSkinSliderandProgressctrl::GetLineSize() const { return m_nLine; }

int CSkinSliderandProgressctrl::VerifyPos(int nPos) const {
  return nPos < m_nMin ? m_nMin : nPos > m_nMax ? m_nMax : nPos;
}

int CSkinSliderandProgressctrl::VerifyEnergyPos(int nPos) const { return VerifyPos(nPos); }

void CSkinSliderandProgressctrl::GetChannelRect(LPRECT rect) const {
  RECT rc = {0, 0, 0, 0};
  if (m_hWnd) GetClientRect(m_hWnd, &rc);
  int along = m_bHorizontal ? m_nThumbWidth : m_nThumbHeight;
  int inset = along / 2 > m_info.nChannelOffset ? along / 2 : m_info.nChannelOffset;
  int thick = m_pPictures->channelNormal.IsValid()
                  ? (m_bHorizontal ? m_pPictures->channelNormal.Height() : m_pPictures->channelNormal.Width())
                  : 4;
  if (m_bHorizontal) {
    int mid = (rc.top + rc.bottom) / 2;
    SetRect(rect, rc.left + inset, mid - thick / 2, rc.right - inset, mid - thick / 2 + thick);
  } else {
    int mid = (rc.left + rc.right) / 2;
    SetRect(rect, mid - thick / 2, rc.top + inset, mid - thick / 2 + thick, rc.bottom - inset);
  }
}

int CSkinSliderandProgressctrl::ChannelPixel(int pos) const {
  RECT ch;
  GetChannelRect(&ch);
  int a = m_bHorizontal ? ch.left : ch.top;
  int length = m_bHorizontal ? ch.right - ch.left : ch.bottom - ch.top;
  if (m_nMax <= m_nMin) return a;
  return a + static_cast<int>(static_cast<long long>(length) * (pos - m_nMin) / (m_nMax - m_nMin));
}

void CSkinSliderandProgressctrl::GetThumbRect(LPRECT rect) const {
  RECT rc = {0, 0, 0, 0};
  if (m_hWnd) GetClientRect(m_hWnd, &rc);
  int w = m_nThumbWidth > 0 ? m_nThumbWidth : 10;
  int h = m_nThumbHeight > 0 ? m_nThumbHeight : 10;
  int at = ChannelPixel(m_nPos);
  if (m_bHorizontal) {
    int top = (rc.top + rc.bottom - h) / 2;
    SetRect(rect, at - w / 2, top, at - w / 2 + w, top + h);
  } else {
    int left = (rc.left + rc.right - w) / 2;
    SetRect(rect, left, at - h / 2, left + w, at - h / 2 + h);
  }
}

void CSkinSliderandProgressctrl::GetEnergyRect(LPRECT rect) const {
  GetChannelRect(rect);
  int at = ChannelPixel(m_nEnergy);
  if (m_bHorizontal) rect->right = at; else rect->bottom = at;
}

int CSkinSliderandProgressctrl::PosFromPoint(POINT point) const {
  RECT ch;
  GetChannelRect(&ch);
  int a = m_bHorizontal ? ch.left : ch.top;
  int length = m_bHorizontal ? ch.right - ch.left : ch.bottom - ch.top;
  int at = (m_bHorizontal ? point.x : point.y) - a;
  if (length <= 0) return m_nMin;
  long long pos = m_nMin + (static_cast<long long>(at) * (m_nMax - m_nMin) + length / 2) / length;
  return VerifyPos(static_cast<int>(pos));
}

void CSkinSliderandProgressctrl::NotifyParent(int code) {
  HWND parent = GetParent(m_hWnd);
  if (parent == nullptr) return;
  WPARAM w = (static_cast<WPARAM>(static_cast<WORD>(m_nPos)) << 16) | static_cast<WORD>(code);
  SendMessageW(parent, m_bHorizontal ? WM_HSCROLL : WM_VSCROLL, w, reinterpret_cast<LPARAM>(m_hWnd));
}

void CSkinSliderandProgressctrl::OnEnable(BOOL) { Redraw(); }

void CSkinSliderandProgressctrl::OnLButtonDown(UINT, POINT point) {
  if (!IsWindowEnabled(m_hWnd)) return;
  if (m_bOwnWindow || GetFocus() != m_hWnd) SetFocus(m_hWnd);
  RECT thumb;
  GetThumbRect(&thumb);
  int centre = m_bHorizontal ? (thumb.left + thumb.right) / 2 : (thumb.top + thumb.bottom) / 2;
  if (PtInRect(&thumb, point)) {
    m_nDragOffset = (m_bHorizontal ? point.x : point.y) - centre;
  } else {
    m_nDragOffset = 0;
    int pos = PosFromPoint(point);
    if (pos != m_nPos) {
      m_nPos = pos;
      if (!m_bOwnWindow) DefaultFor(TBM_SETPOS, TRUE, m_nPos);
    }
  }
  SetCapture(m_hWnd);
  m_bDragging = TRUE;
  Redraw();
}

void CSkinSliderandProgressctrl::OnMouseMove(UINT, POINT point) {
  if (!m_bHot) {
    m_bHot = TRUE;
    TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, m_hWnd, 0};
    TrackMouseEvent(&tme);
    Redraw();
  }
  if (!m_bDragging) return;
  POINT p = point;
  if (m_bHorizontal) p.x -= m_nDragOffset; else p.y -= m_nDragOffset;
  int pos = PosFromPoint(p);
  if (pos != m_nPos) {
    m_nPos = pos;
    if (!m_bOwnWindow) DefaultFor(TBM_SETPOS, TRUE, m_nPos);
    Redraw();
  }
  NotifyParent(SB_THUMBTRACK);
}

void CSkinSliderandProgressctrl::OnLButtonUp(UINT, POINT) {
  if (!m_bDragging) return;
  m_bDragging = FALSE;
  if (GetCapture() == m_hWnd) ReleaseCapture();
  NotifyParent(SB_THUMBPOSITION);
  NotifyParent(SB_ENDSCROLL);
  Redraw();
}

void CSkinSliderandProgressctrl::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(m_hWnd, &ps);
  RECT rc;
  GetClientRect(m_hWnd, &rc);
  veneer::Canvas canvas(dc, rc.right, rc.bottom);
  HDC c = canvas.dc();
  veneer::FillSolid(c, rc, m_info.clrBackground);
  RECT ch;
  GetChannelRect(&ch);
  int thick = m_bHorizontal ? ch.bottom - ch.top : ch.right - ch.left;
  RECT ends = m_bHorizontal ? RECT{thick / 2, 0, thick / 2, 0} : RECT{0, thick / 2, 0, thick / 2};
  if (m_pPictures->channelNormal.IsValid()) {
    m_pPictures->channelNormal.Draw9Grid(c, ch, ends, m_info.clrTransparent);
  } else {
    veneer::FillSolid(c, ch, RGB(0xC8, 0xC8, 0xC8));
  }
  RECT energy;
  GetEnergyRect(&energy);
  if (energy.right > energy.left && energy.bottom > energy.top) {
    int saved = SaveDC(c);
    IntersectClipRect(c, energy.left, energy.top, energy.right, energy.bottom);
    if (m_pPictures->channelActive.IsValid()) {
      m_pPictures->channelActive.Draw9Grid(c, ch, ends, m_info.clrTransparent);
    } else {
      veneer::FillSolid(c, ch, RGB(0x2B, 0x7B, 0xD6));
    }
    RestoreDC(c, saved);
  }
  int state = !IsWindowEnabled(m_hWnd) ? 3 : m_bDragging ? 2 : m_bHot ? 1 : GetFocus() == m_hWnd ? 4 : 0;
  const veneer::SkinPicture& thumb =
      m_pPictures->thumb[state].IsValid() ? m_pPictures->thumb[state] : m_pPictures->thumb[0];
  RECT tr;
  GetThumbRect(&tr);
  if (thumb.IsValid()) {
    thumb.Draw(c, tr, m_info.clrTransparent);
  } else {
    veneer::FillSolid(c, tr, RGB(0x1E, 0x65, 0xCD));
  }
  canvas.CopyTo(dc);
  EndPaint(m_hWnd, &ps);
}

void CSkinSliderandProgressctrl::SyncFromControl() {
  if (m_bOwnWindow) return;
  m_nPos = static_cast<int>(DefaultFor(TBM_GETPOS, 0, 0));
}

LRESULT CSkinSliderandProgressctrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  switch (message) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_ENABLE:
      OnEnable(static_cast<BOOL>(wParam));
      return m_bOwnWindow ? 0 : Default();
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      OnLButtonDown(static_cast<UINT>(wParam), pt);
      return 0;
    case WM_LBUTTONUP:
      OnLButtonUp(static_cast<UINT>(wParam), pt);
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(static_cast<UINT>(wParam), pt);
      return 0;
    case WM_MOUSELEAVE:
      m_bHot = FALSE;
      Redraw();
      return 0;
    case WM_CAPTURECHANGED:
      if (m_bDragging && reinterpret_cast<HWND>(lParam) != m_hWnd) {
        m_bDragging = FALSE;
        Redraw();
      }
      return m_bOwnWindow ? 0 : Default();
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      LRESULT r = m_bOwnWindow ? 0 : Default();
      Redraw();
      return r;
    }
    case WM_GETDLGCODE:
      return m_bOwnWindow ? DLGC_WANTARROWS : Default();
    case WM_KEYDOWN: {
      if (!m_bOwnWindow) {
        LRESULT r = Default();
        SyncFromControl();
        Redraw();
        return r;
      }
      int step = 0, code = -1;
      switch (wParam) {
        case VK_LEFT: case VK_UP: step = -m_nLine; code = SB_LINEUP; break;
        case VK_RIGHT: case VK_DOWN: step = m_nLine; code = SB_LINEDOWN; break;
        case VK_PRIOR: step = -m_nPage; code = SB_PAGEUP; break;
        case VK_NEXT: step = m_nPage; code = SB_PAGEDOWN; break;
        case VK_HOME: step = m_nMin - m_nPos; code = SB_TOP; break;
        case VK_END: step = m_nMax - m_nPos; code = SB_BOTTOM; break;
        default: break;
      }
      if (code >= 0) {
        SetPos(m_nPos + step);
        NotifyParent(code);
        NotifyParent(SB_ENDSCROLL);
      }
      return 0;
    }
    // Messages of the track bar underneath: keep both in step.
    case TBM_SETPOS:
      if (!m_bOwnWindow) Default();
      SetPos(static_cast<int>(lParam));
      return 0;
    case TBM_GETPOS:
      return m_nPos;
    case TBM_SETRANGE:
      if (!m_bOwnWindow) Default();
      SetRange(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)), static_cast<BOOL>(wParam));
      return 0;
    case TBM_SETRANGEMIN:
      if (!m_bOwnWindow) Default();
      SetRange(static_cast<int>(lParam), m_nMax, static_cast<BOOL>(wParam));
      return 0;
    case TBM_SETRANGEMAX:
      if (!m_bOwnWindow) Default();
      SetRange(m_nMin, static_cast<int>(lParam), static_cast<BOOL>(wParam));
      return 0;
    case TBM_GETRANGEMIN:
      return m_nMin;
    case TBM_GETRANGEMAX:
      return m_nMax;
    case TBM_SETPAGESIZE: {
      LRESULT old = m_nPage;
      if (!m_bOwnWindow) Default();
      m_nPage = static_cast<int>(lParam);
      return old;
    }
    case TBM_SETLINESIZE: {
      LRESULT old = m_nLine;
      if (!m_bOwnWindow) Default();
      m_nLine = static_cast<int>(lParam);
      return old;
    }
    default:
      break;
  }
  return Default();
}

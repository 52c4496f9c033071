#include "skin_dialog.h"

#include <algorithm>
#include <cwctype>
#include <vector>

#include "VeneerManager.h"
#include "VeneerWnd.h"
#include "page_controls.h"

namespace lookout {
namespace {

constexpr int kDefaultCaptionHeight = 30;
constexpr int kCaptionButtonWidth = 26;
constexpr int kCaptionButtonHeight = 20;

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  for (HWND c = GetWindow(parent, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
  return children;
}

int WidthOf(const BitmapHandle& b, int fallback) {
  SIZE s = b.Size();
  return s.cx > 0 ? s.cx : fallback;
}

int HeightOf(const BitmapHandle& b, int fallback) {
  SIZE s = b.Size();
  return s.cy > 0 ? s.cy : fallback;
}

void FillSolid(HDC dc, const RECT& r, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

// Left-top colour to right-bottom colour, across.
void FillGradient(HDC dc, const RECT& r, COLORREF from, COLORREF to) {
  TRIVERTEX v[2] = {};
  v[0].x = r.left;
  v[0].y = r.top;
  v[0].Red = static_cast<COLOR16>(GetRValue(from) << 8);
  v[0].Green = static_cast<COLOR16>(GetGValue(from) << 8);
  v[0].Blue = static_cast<COLOR16>(GetBValue(from) << 8);
  v[1].x = r.right;
  v[1].y = r.bottom;
  v[1].Red = static_cast<COLOR16>(GetRValue(to) << 8);
  v[1].Green = static_cast<COLOR16>(GetGValue(to) << 8);
  v[1].Blue = static_cast<COLOR16>(GetBValue(to) << 8);
  GRADIENT_RECT g = {0, 1};
  GradientFill(dc, v, 2, &g, 1, GRADIENT_FILL_RECT_H);
}

}  // namespace

CSkinDialog::CSkinDialog(UINT templateId, Frame frame) : m_templateId(templateId), m_frame(frame) {}

CSkinDialog::~CSkinDialog() {
  Destroy();
  if (m_font != nullptr) DeleteObject(m_font);
}

INT_PTR CSkinDialog::DoModal(HWND owner) {
  m_modal = true;
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), owner, DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

HWND CSkinDialog::Create(HWND parent) {
  m_modal = false;
  return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), parent, DialogProc,
                            reinterpret_cast<LPARAM>(this));
}

void CSkinDialog::Destroy() {
  if (m_hWnd != nullptr && !m_modal && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
}

void CSkinDialog::EndDialog(INT_PTR result) {
  if (m_modal) ::EndDialog(m_hWnd, result);
  else ShowWindow(m_hWnd, SW_HIDE);
}

bool CSkinDialog::IsSkinnablePushButton(HWND child) {
  wchar_t name[32] = {};
  GetClassNameW(child, name, 32);
  for (wchar_t& c : name) c = static_cast<wchar_t>(std::towlower(c));
  if (std::wstring(name) != L"button") return false;
  wchar_t text[16] = {};
  GetWindowTextW(child, text, 16);
  if (std::wstring(text) == L"MENU" || std::wstring(text) == L"WINDOWS") return false;
  LONG_PTR type = GetWindowLongPtrW(child, GWL_STYLE) & BS_TYPEMASK;
  if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON && type != BS_OWNERDRAW) return false;
  return GetPropW(child, kOwnButtonProp) == nullptr;
}

INT_PTR CALLBACK CSkinDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<CSkinDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<CSkinDialog*>(lParam);
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    self->m_hWnd = dialog;
    self->InitSkin();
    return self->OnInitDialog();
  }
  if (self == nullptr) return FALSE;
  INT_PTR result = self->Dispatch(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(dialog, DWLP_USER, 0);
    self->m_hWnd = nullptr;
  }
  return result;
}

INT_PTR CSkinDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = 0;
  if (OnMessage(message, wParam, lParam, &result)) return result;
  switch (message) {
    case WM_VENEER_PARENTBACKGROUND:
      SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, VeneerAnswerParentBackground(m_hWnd, wParam, m_backgroundView));
      return TRUE;
    case WM_ERASEBKGND:
      DrawBackground(reinterpret_cast<HDC>(wParam));
      SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, 1);
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(m_hWnd, &ps);
      OnPaint(dc);
      EndPaint(m_hWnd, &ps);
      return TRUE;
    }
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(0x33, 0x33, 0x33));
      return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlType == ODT_BUTTON && item->CtlID == kCaptionCloseId) {
        DrawCaptionButton(*item);
        return TRUE;
      }
      if (DrawOwnControl(*item)) return TRUE;
      break;
    }
    case WM_NCHITTEST:
      if (!(GetWindowLongPtrW(m_hWnd, GWL_STYLE) & WS_CHILD)) {
        POINT p = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ScreenToClient(m_hWnd, &p);
        int band = m_frame == Frame::Caption ? m_captionHeight : 34;
        if (p.y >= 0 && p.y < band) {
          SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, HTCAPTION);
          return TRUE;
        }
      }
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == kCaptionCloseId) {
        SendMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return TRUE;
      }
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return TRUE;
    case WM_DESTROY:
      UnskinChildren();
      break;
  }
  return FALSE;
}

bool CSkinDialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR*) { return false; }

void CSkinDialog::OnCommand(UINT id, UINT, HWND) {
  if (id == IDOK || id == IDCANCEL) EndDialog(id);
}

void CSkinDialog::InitSkin() {
  m_skin = CurrentDialogSkin();
  if (!(GetWindowLongPtrW(m_hWnd, GWL_STYLE) & WS_CHILD)) {
    // The skin draws caption and frame: the system's go, the client area keeps its size.
    RECT client;
    GetClientRect(m_hWnd, &client);
    LONG_PTR style = GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    SetWindowLongPtrW(m_hWnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_CAPTION | WS_THICKFRAME | DS_MODALFRAME));
    LONG_PTR ex = GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE);
    SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE,
                      ex & ~static_cast<LONG_PTR>(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE));
    SetWindowPos(m_hWnd, nullptr, 0, 0, client.right, client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
  if (!m_skin.fontName.empty()) {
    LOGFONTW font = {};
    font.lfHeight = m_skin.fontHeight == -1 ? 0 : m_skin.fontHeight;
    font.lfWidth = m_skin.fontWidth == -1 ? 0 : m_skin.fontWidth;
    font.lfWeight = m_skin.fontWeight == -1 ? FW_NORMAL : m_skin.fontWeight;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = PROOF_QUALITY;
    lstrcpynW(font.lfFaceName, m_skin.fontName.c_str(), LF_FACESIZE);
    m_font = CreateFontIndirectW(&font);
    for (HWND child : Children(m_hWnd)) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
  }
  if (m_frame == Frame::Caption) BuildFrame();
  PrepareControls();
  SkinPushButtons();
  bool child = (GetWindowLongPtrW(m_hWnd, GWL_STYLE) & WS_CHILD) != 0;
  if (m_roundCorners && !child) ApplyRoundCorners();
}

void CSkinDialog::ApplyRoundCorners() {
  RECT w;
  GetWindowRect(m_hWnd, &w);
  HRGN region = CreateRoundRectRgn(0, 0, w.right - w.left + 1, w.bottom - w.top + 1, m_skin.roundCornerCx,
                                   m_skin.roundCornerCy);
  SetWindowRgn(m_hWnd, region, TRUE);  // the window owns the region now
}

// The frame is drawn in the client area: the window grows by the caption and the borders and
// every control moves by them.
void CSkinDialog::BuildFrame() {
  m_caption.Reset(LoadSkinBitmap(m_skin.captionBitmap));
  m_borderLeft.Reset(LoadSkinBitmap(m_skin.borderLeftBitmap));
  m_borderRight.Reset(LoadSkinBitmap(m_skin.borderRightBitmap));
  m_borderBottom.Reset(LoadSkinBitmap(m_skin.borderBottomBitmap));
  m_closeButton.Reset(LoadSkinBitmap(m_skin.closeButtonBitmap));
  m_captionHeight = HeightOf(m_caption, kDefaultCaptionHeight);
  m_left = WidthOf(m_borderLeft, 1);
  m_right = WidthOf(m_borderRight, 1);
  m_bottom = HeightOf(m_borderBottom, 1);

  for (HWND child : Children(m_hWnd)) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    SetWindowPos(child, nullptr, r.left + m_left, r.top + m_captionHeight, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  RECT w;
  GetWindowRect(m_hWnd, &w);
  int width = w.right - w.left + m_left + m_right;
  int height = w.bottom - w.top + m_captionHeight + m_bottom;
  SetWindowPos(m_hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  HWND close = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0,
                               kCaptionButtonWidth, kCaptionButtonHeight, m_hWnd,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kCaptionCloseId)), nullptr, nullptr);
  SetPropW(close, kOwnButtonProp, reinterpret_cast<HANDLE>(1));
  RECT client;
  GetClientRect(m_hWnd, &client);
  SetWindowPos(close, HWND_TOP, client.right - m_right - kCaptionButtonWidth - 4,
               (m_captionHeight - kCaptionButtonHeight) / 2, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

void CSkinDialog::SkinPushButtons() {
  CVeneerManager* veneer = CVeneerManager::GetInstance();
  if (veneer == nullptr) return;
  for (HWND child : Children(m_hWnd))
    if (IsSkinnablePushButton(child)) veneer->SubclassControl(child, m_buttonSkin.empty() ? L"btn.default" : m_buttonSkin, true);
}

void CSkinDialog::UnskinChildren() {
  CVeneerManager* veneer = CVeneerManager::GetInstance();
  if (veneer == nullptr) return;
  for (HWND child : Children(m_hWnd)) veneer->UnSubclassControl(child);
}

void CSkinDialog::SetBackground(HBITMAP bitmap) {
  m_background.Reset(bitmap);
  ShowBackground(bitmap);
}

void CSkinDialog::ShowBackground(HBITMAP bitmap) {
  m_backgroundView = bitmap;
  if (m_hWnd != nullptr) RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CSkinDialog::DrawBackground(HDC dc) {
  RECT client;
  GetClientRect(m_hWnd, &client);
  if (m_backgroundView != nullptr) {
    SIZE s = BitmapHandle::SizeOf(m_backgroundView);
    FillSolid(dc, client, m_skin.bgColor);
    DrawBitmap(dc, m_backgroundView, 0, 0, s.cx, s.cy);
    return;
  }
  FillSolid(dc, client, m_skin.bgColor);
  if (m_frame != Frame::Caption) return;

  if (m_bottomBandTop >= 0) {
    RECT band = {m_left, m_bottomBandTop, client.right - m_right, client.bottom - m_bottom};
    FillGradient(dc, band, m_skin.bottomLTBgColor, m_skin.bottomRBBgColor);
    HPEN pen = CreatePen(PS_SOLID, 1, m_skin.drawLinePenColor);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, band.left, band.top, nullptr);
    LineTo(dc, band.right, band.top);
    SelectObject(dc, old);
    DeleteObject(pen);
  }

  RECT caption = {0, 0, client.right, m_captionHeight};
  SIZE cs = m_caption.Size();
  if (m_caption.get() != nullptr) StretchBitmap(dc, m_caption.get(), caption, 0, 0, cs.cx, cs.cy);
  else FillSolid(dc, caption, RGB(0x2B, 0x7B, 0xD6));
  SIZE ls = m_borderLeft.Size(), rs = m_borderRight.Size(), bs = m_borderBottom.Size();
  RECT left = {0, m_captionHeight, m_left, client.bottom};
  RECT right = {client.right - m_right, m_captionHeight, client.right, client.bottom};
  RECT bottom = {0, client.bottom - m_bottom, client.right, client.bottom};
  if (m_borderLeft.get()) StretchBitmap(dc, m_borderLeft.get(), left, 0, 0, ls.cx, ls.cy);
  else FillSolid(dc, left, m_skin.drawLinePenColor);
  if (m_borderRight.get()) StretchBitmap(dc, m_borderRight.get(), right, 0, 0, rs.cx, rs.cy);
  else FillSolid(dc, right, m_skin.drawLinePenColor);
  if (m_borderBottom.get()) StretchBitmap(dc, m_borderBottom.get(), bottom, 0, 0, bs.cx, bs.cy);
  else FillSolid(dc, bottom, m_skin.drawLinePenColor);

  int x = 10;
  HICON icon = reinterpret_cast<HICON>(SendMessageW(m_hWnd, WM_GETICON, ICON_SMALL, 0));
  if (icon != nullptr) {
    DrawIconEx(dc, x, (m_captionHeight - 16) / 2, icon, 16, 16, 0, nullptr, DI_NORMAL);
    x += 22;
  }
  wchar_t title[256] = {};
  GetWindowTextW(m_hWnd, title, 256);
  HGDIOBJ oldFont = SelectObject(dc, m_font ? m_font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  RECT text = {x, 0, client.right - kCaptionButtonWidth - 12, m_captionHeight};
  DrawTextW(dc, title, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
  SelectObject(dc, oldFont);
}

void CSkinDialog::DrawCaptionButton(const DRAWITEMSTRUCT& item) {
  int state = (item.itemState & ODS_SELECTED) ? 2 : (item.itemState & ODS_DISABLED) ? 3 : 0;
  POINT cursor;
  GetCursorPos(&cursor);
  RECT w;
  GetWindowRect(item.hwndItem, &w);
  if (state == 0 && PtInRect(&w, cursor)) state = 1;
  RECT r = item.rcItem;
  // What lies under the button: the caption.
  RECT inParent = w, client;
  MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&inParent), 2);
  GetClientRect(m_hWnd, &client);
  SIZE cs = m_caption.Size();
  if (m_caption.get() != nullptr) {
    RECT under = {-inParent.left, -inParent.top, client.right - inParent.left, m_captionHeight - inParent.top};
    StretchBitmap(item.hDC, m_caption.get(), under, 0, 0, cs.cx, cs.cy);
  } else {
    FillSolid(item.hDC, r, RGB(0x2B, 0x7B, 0xD6));
  }
  if (m_closeButton.get() != nullptr) {
    SIZE s = m_closeButton.Size();
    int w4 = s.cx / 4;
    DrawBitmapKeyed(item.hDC, m_closeButton.get(), 0, 0, std::min<int>(w4, r.right), std::min<int>(s.cy, r.bottom),
                    w4 * state, 0, RGB(255, 0, 255));
  } else {
    HPEN pen = CreatePen(PS_SOLID, 2, RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(item.hDC, pen);
    MoveToEx(item.hDC, 8, 5, nullptr);
    LineTo(item.hDC, 17, 14);
    MoveToEx(item.hDC, 17, 5, nullptr);
    LineTo(item.hDC, 8, 14);
    SelectObject(item.hDC, old);
    DeleteObject(pen);
  }
}

void CSkinDialog::SetLabel(int id, const std::wstring& text) {
  HWND label = Item(id);
  if (label == nullptr) return;
  SetWindowTextW(label, text.c_str());
  RECT r;
  GetWindowRect(label, &r);
  MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
  RedrawWindow(m_hWnd, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

std::wstring CSkinDialog::ItemText(int id) const {
  HWND item = GetDlgItem(m_hWnd, id);
  int n = GetWindowTextLengthW(item);
  std::wstring text(static_cast<size_t>(n > 0 ? n : 0) + 1, L'\0');
  GetWindowTextW(item, &text[0], n + 1);
  text.resize(static_cast<size_t>(n > 0 ? n : 0));
  return text;
}

}  // namespace lookout

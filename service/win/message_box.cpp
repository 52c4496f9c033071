#include "message_box.h"

#include <algorithm>
#include <vector>

#include "message_layout.h"
#include "resource.h"
#include "ui_text.h"
#include "ui_timing.h"

namespace lookout {
namespace {

constexpr int kButtonGapBelow = 12;  // from the bottom border to the buttons
constexpr int kBandAboveButtons = 10;

HWND g_owner;
// Open boxes, innermost last; all boxes live on the main thread.
std::vector<HWND> g_open;

RECT ChildRect(HWND dialog, int id) {
  RECT r;
  GetWindowRect(GetDlgItem(dialog, id), &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

}  // namespace

CMessageBox::CMessageBox(std::wstring text, UINT style, int autoCloseMs)
    : CSkinDialog(IDD_MESSAGEBOX, Frame::Caption),
      m_text(std::move(text)),
      m_style(EffectiveStyle(style)),
      m_autoCloseMs(autoCloseMs) {}

UINT CMessageBox::EffectiveStyle(UINT style) { return EffectiveMessageStyle(style); }

void CMessageBox::CloseAll() {
  std::vector<HWND> open = g_open;
  for (HWND box : open) ::EndDialog(box, IDCANCEL);
}

bool CMessageBox::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR* result) {
  if (message == WM_TIMER && wParam == kAutoCloseTimer) {
    KillTimer(m_hWnd, kAutoCloseTimer);
    EndDialog(IDCANCEL);
    *result = TRUE;
    return true;
  }
  if (message == WM_DESTROY) {
    KillTimer(m_hWnd, kAutoCloseTimer);
    g_open.erase(std::remove(g_open.begin(), g_open.end(), m_hWnd), g_open.end());
  }
  return false;
}

BOOL CMessageBox::OnInitDialog() {
  g_open.push_back(m_hWnd);
  EndMenu();
  SetWindowTextW(m_hWnd, LoadCommonText(IDS_MESSAGE_CAPTION).c_str());
  MessageIcon icon = MessageIconOf(m_style);
  // The system's exclamation, question and information icons.
  WORD iconId = icon == MessageIcon::Exclamation ? 32515 : icon == MessageIcon::Question ? 32514 : 32516;
  HICON shown = LoadIconW(nullptr, MAKEINTRESOURCEW(iconId));
  SendDlgItemMessageW(m_hWnd, IDC_MSG_ICON, STM_SETICON, reinterpret_cast<WPARAM>(shown), 0);
  SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(shown));
  SetDlgItemTextW(m_hWnd, IDC_MSG_TEXT, m_text.c_str());
  FitText();
  PlaceButtons();
  ApplyRoundCorners();

  // Centred, active, top-most, with the focus on the first button.
  RECT w, work;
  GetWindowRect(m_hWnd, &w);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  int x = work.left + ((work.right - work.left) - (w.right - w.left)) / 2;
  int y = work.top + ((work.bottom - work.top) - (w.bottom - w.top)) / 2;
  SetWindowPos(m_hWnd, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE);
  SetForegroundWindow(m_hWnd);
  SetFocus(GetDlgItem(m_hWnd, IDOK));
  if (m_autoCloseMs != -1) StartTimer(m_hWnd, kAutoCloseTimer, static_cast<UINT>(m_autoCloseMs));
  MessageBeep(icon == MessageIcon::Exclamation ? MB_ICONEXCLAMATION
              : icon == MessageIcon::Question  ? MB_ICONQUESTION
                                               : MB_ICONINFORMATION);
  return FALSE;  // the focus is set
}

// Sizes the text field to its word-wrapped text and the window to the field.
void CMessageBox::FitText() {
  HWND field = GetDlgItem(m_hWnd, IDC_MSG_TEXT);
  RECT f = ChildRect(m_hWnd, IDC_MSG_TEXT);
  RECT window;
  GetWindowRect(m_hWnd, &window);
  HDC dc = GetDC(field);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(field, WM_GETFONT, 0, 0)));
  auto measure = [&](int width) {
    RECT r = {0, 0, width, 0};
    DrawTextW(dc, m_text.c_str(), static_cast<int>(m_text.size()), &r,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
    return static_cast<int>(r.bottom);
  };
  MessageTextLayout l = FitMessageText(f.right - f.left, f.bottom - f.top, window.right - window.left,
                                       window.bottom - window.top, measure);
  SelectObject(dc, old);
  ReleaseDC(field, dc);
  SetWindowPos(field, nullptr, 0, 0, l.fieldWidth, l.fieldHeight, SWP_NOMOVE | SWP_NOZORDER);
  SetWindowPos(m_hWnd, nullptr, 0, 0, l.windowWidth, l.windowHeight, SWP_NOMOVE | SWP_NOZORDER);
}

void CMessageBox::PlaceButtons() {
  HWND first = GetDlgItem(m_hWnd, IDOK);
  HWND second = GetDlgItem(m_hWnd, IDCANCEL);
  RECT client, b1 = ChildRect(m_hWnd, IDOK), text = ChildRect(m_hWnd, IDC_MSG_TEXT);
  GetClientRect(m_hWnd, &client);
  int w = b1.right - b1.left, h = b1.bottom - b1.top;
  int top = std::max<int>(text.bottom + kButtonGapBelow, client.bottom - kButtonGapBelow - 2 - h);
  if (MessageUsesYesNo(m_style)) {
    SetWindowTextW(first, LoadText(IDS_YES).c_str());
    SetWindowTextW(second, LoadText(IDS_NO).c_str());
  }
  MessageButtons place = PlaceMessageButtons(m_style, client.right - client.left, w);
  SetWindowPos(first, nullptr, place.left1, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  if (place.second) SetWindowPos(second, nullptr, place.left2, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(second, place.second ? SW_SHOW : SW_HIDE);
  SetBottomBand(top - kBandAboveButtons);
}

void SetMessageOwner(HWND owner) { g_owner = owner; }

int ShowTimedMessage(const std::wstring& text, UINT style, int autoCloseMs) {
  CMessageBox box(text, style, autoCloseMs);
  INT_PTR result = box.Run(IsWindow(g_owner) ? g_owner : nullptr);
  return MessageResult(style, static_cast<int>(result));
}

}  // namespace lookout

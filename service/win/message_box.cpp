#include "message_box.h"

#include <algorithm>
#include <vector>

#include "resource.h"

namespace lookout {
namespace {

constexpr int kWideWindow = 500;     // width a long text widens the box to
constexpr int kButtonHalfGap = 30;   // from the centre line to each of two buttons
constexpr int kMargin = 12;

HWND g_owner;
// Open boxes, innermost last; all boxes live on the main thread.
std::vector<HWND> g_open;

std::wstring LoadText(UINT id) {
  wchar_t text[256] = {};
  int n = LoadStringW(GetModuleHandleW(nullptr), id, text, 256);
  return std::wstring(text, n > 0 ? static_cast<size_t>(n) : 0);
}

RECT ChildRect(HWND dialog, int id) {
  RECT r;
  GetWindowRect(GetDlgItem(dialog, id), &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

}  // namespace

CMessageBox::CMessageBox(std::wstring text, UINT style, int autoCloseMs)
    : m_text(std::move(text)), m_style(EffectiveStyle(style)), m_autoCloseMs(autoCloseMs) {}

UINT CMessageBox::EffectiveStyle(UINT style) {
  UINT buttons = style & MB_TYPEMASK;
  bool plain = buttons == MB_OK || buttons == MB_OKCANCEL || buttons == MB_YESNOCANCEL || buttons == MB_YESNO;
  if ((style & MB_ICONMASK) == 0 && plain) style |= MB_ICONEXCLAMATION;
  return style;
}

INT_PTR CMessageBox::DoModal(HWND owner) {
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MESSAGEBOX), owner, DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

void CMessageBox::CloseAll() {
  std::vector<HWND> open = g_open;
  for (HWND box : open) EndDialog(box, IDCANCEL);
}

INT_PTR CALLBACK CMessageBox::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<CMessageBox*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      self = reinterpret_cast<CMessageBox*>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      self->m_hWnd = dialog;
      g_open.push_back(dialog);
      self->OnInitDialog();
      return FALSE;  // the focus is set
    case WM_TIMER:
      if (wParam == kAutoCloseTimer) {
        KillTimer(dialog, kAutoCloseTimer);
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      break;
    case WM_DESTROY:
      KillTimer(dialog, kAutoCloseTimer);
      g_open.erase(std::remove(g_open.begin(), g_open.end(), dialog), g_open.end());
      break;
  }
  return FALSE;
}

void CMessageBox::OnInitDialog() {
  EndMenu();
  SetWindowTextW(m_hWnd, LoadText(IDS_MESSAGE_CAPTION).c_str());
  UINT icon = m_style & MB_ICONMASK;
  // The system's exclamation, question and information icons.
  WORD iconId = icon == MB_ICONEXCLAMATION ? 32515 : icon == MB_ICONQUESTION ? 32514 : 32516;
  LPCWSTR iconName = MAKEINTRESOURCEW(iconId);
  SendDlgItemMessageW(m_hWnd, IDC_MSG_ICON, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, iconName)), 0);
  SetDlgItemTextW(m_hWnd, IDC_MSG_TEXT, m_text.c_str());
  FitText();
  PlaceButtons();

  // Centred, active, top-most, with the focus on the first button.
  RECT w, work;
  GetWindowRect(m_hWnd, &w);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  int x = work.left + ((work.right - work.left) - (w.right - w.left)) / 2;
  int y = work.top + ((work.bottom - work.top) - (w.bottom - w.top)) / 2;
  SetWindowPos(m_hWnd, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE);
  SetForegroundWindow(m_hWnd);
  SetFocus(GetDlgItem(m_hWnd, IDOK));
  if (m_autoCloseMs != -1) SetTimer(m_hWnd, kAutoCloseTimer, static_cast<UINT>(m_autoCloseMs), nullptr);
  MessageBeep(icon == MB_ICONEXCLAMATION ? MB_ICONEXCLAMATION
              : icon == MB_ICONQUESTION  ? MB_ICONQUESTION
                                         : MB_ICONINFORMATION);
}

// Sizes the text field to its word-wrapped text and the window to the field.
void CMessageBox::FitText() {
  HWND field = GetDlgItem(m_hWnd, IDC_MSG_TEXT);
  RECT f = ChildRect(m_hWnd, IDC_MSG_TEXT);
  RECT window;
  GetWindowRect(m_hWnd, &window);
  int width = f.right - f.left;
  int height = f.bottom - f.top;

  HDC dc = GetDC(field);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(field, WM_GETFONT, 0, 0)));
  auto measure = [&](int w) {
    RECT r = {0, 0, w, 0};
    DrawTextW(dc, m_text.c_str(), static_cast<int>(m_text.size()), &r,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
    return r;
  };
  RECT need = measure(width);
  if (need.bottom > height) {
    width += kWideWindow - (window.right - window.left);
    need = measure(width);
  }
  SelectObject(dc, old);
  ReleaseDC(field, dc);

  int newHeight = std::max<int>(need.bottom, height);
  SetWindowPos(field, nullptr, 0, 0, width, newHeight, SWP_NOMOVE | SWP_NOZORDER);
  int grownWidth = (window.right - window.left) + (width - (f.right - f.left));
  int grownHeight = (window.bottom - window.top) + (newHeight - height);
  SetWindowPos(m_hWnd, nullptr, 0, 0, grownWidth, grownHeight, SWP_NOMOVE | SWP_NOZORDER);
}

void CMessageBox::PlaceButtons() {
  HWND first = GetDlgItem(m_hWnd, IDOK);
  HWND second = GetDlgItem(m_hWnd, IDCANCEL);
  RECT client, b1 = ChildRect(m_hWnd, IDOK), text = ChildRect(m_hWnd, IDC_MSG_TEXT);
  GetClientRect(m_hWnd, &client);
  int w = b1.right - b1.left, h = b1.bottom - b1.top;
  int top = std::max<int>(text.bottom + kMargin, client.bottom - kMargin - h);
  int centre = (client.right - client.left) / 2;
  UINT buttons = m_style & MB_TYPEMASK;
  if (buttons == MB_OKCANCEL || buttons == MB_YESNO) {
    if (buttons == MB_YESNO) {
      SetWindowTextW(first, LoadText(IDS_YES).c_str());
      SetWindowTextW(second, LoadText(IDS_NO).c_str());
    }
    SetWindowPos(first, nullptr, centre - kButtonHalfGap - w, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetWindowPos(second, nullptr, centre + kButtonHalfGap, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(second, SW_SHOW);
  } else {
    SetWindowPos(first, nullptr, centre - w / 2, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(second, SW_HIDE);
  }
}

void SetMessageOwner(HWND owner) { g_owner = owner; }

int ShowTimedMessage(const std::wstring& text, UINT style, int autoCloseMs) {
  CMessageBox box(text, style, autoCloseMs);
  INT_PTR result = box.DoModal(IsWindow(g_owner) ? g_owner : nullptr);
  if ((style & MB_TYPEMASK) == MB_YESNO) return result == IDOK ? IDYES : IDNO;
  return static_cast<int>(result);
}

}  // namespace lookout

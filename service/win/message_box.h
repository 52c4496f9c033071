// CMessageBox and ShowTimedMessage: the program's message box, which closes itself (as if
// cancelled) after a given time. Every message of the program goes through it.
#pragma once

#include <windows.h>

#include <string>

namespace lookout {

constexpr UINT_PTR kAutoCloseTimer = 1000;

class CMessageBox {
 public:
  // `autoCloseMs` -1: no auto-close.
  CMessageBox(std::wstring text, UINT style, int autoCloseMs);
  // The dialog's own result (IDOK, IDCANCEL).
  INT_PTR DoModal(HWND owner);

  // The style with the exclamation icon added where it carries no icon (OK, OK/Cancel,
  // Yes/No/Cancel and Yes/No buttons only).
  static UINT EffectiveStyle(UINT style);
  // Ends every open box as if cancelled (a stop of the service while a question is open).
  static void CloseAll();

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  void OnInitDialog();
  void FitText();
  void PlaceButtons();

  HWND m_hWnd = nullptr;
  std::wstring m_text;
  UINT m_style;
  int m_autoCloseMs;
};

// Sets the owner of later boxes (the main window), or none.
void SetMessageOwner(HWND owner);
// For the yes/no style 6 (yes) when the box ended with OK and 7 otherwise; for other styles
// the box's own result.
int ShowTimedMessage(const std::wstring& text, UINT style, int autoCloseMs);

}  // namespace lookout

// CMessageBox and ShowTimedMessage: the program's skinned message box, which closes itself
// (as if cancelled) after a given time. Every message of the program goes through it.
#pragma once

#include <windows.h>

#include <string>

#include "skin_dialog.h"

namespace lookout {

constexpr UINT_PTR kAutoCloseTimer = 1000;

class CMessageBox : public CSkinDialog {
 public:
  // `autoCloseMs` -1: no auto-close.
  CMessageBox(std::wstring text, UINT style, int autoCloseMs);
  // The dialog's own result (IDOK, IDCANCEL).
  INT_PTR Run(HWND owner) { return DoModal(owner); }

  // The style with the exclamation icon added where it carries no icon (OK, OK/Cancel,
  // Yes/No/Cancel and Yes/No buttons only).
  static UINT EffectiveStyle(UINT style);
  // Ends every open box as if cancelled (a stop of the service while a question is open).
  static void CloseAll();

 protected:
  BOOL OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void FitText();
  void PlaceButtons();

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

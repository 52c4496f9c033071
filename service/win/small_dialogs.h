// The small skinned dialogs: the IP camera's user name and password (CDlgLogin), the check
// dialog that removes another user's binding, and the About box.
#pragma once

#include <functional>
#include <string>

#include "skin_dialog.h"

namespace lookout {

class CDlgLogin : public CSkinDialog {
 public:
  CDlgLogin(std::wstring user, std::wstring password);
  const std::wstring& User() const { return m_user; }
  const std::wstring& Password() const { return m_password; }

 protected:
  BOOL OnInitDialog() override;
  void OnCommand(UINT id, UINT code, HWND control) override;

 private:
  std::wstring m_user, m_password;
};

// OK runs `removeBinding(user, password)` and ends the dialog when it returns true.
class CCheckUserDlg : public CSkinDialog {
 public:
  explicit CCheckUserDlg(std::function<bool(const std::wstring&, const std::wstring&)> removeBinding);

 protected:
  void PrepareControls() override;
  BOOL OnInitDialog() override;
  void OnCommand(UINT id, UINT code, HWND control) override;

 private:
  std::function<bool(const std::wstring&, const std::wstring&)> m_removeBinding;
  BitmapHandle m_strip, m_lightStrip;
};

class CAboutBox : public CSkinDialog {
 public:
  CAboutBox();

 protected:
  BOOL OnInitDialog() override;
};

}  // namespace lookout

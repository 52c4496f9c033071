#include "small_dialogs.h"

#include "page_controls.h"
#include "resource.h"
#include "ui_fonts.h"
#include "ui_text.h"

namespace lookout {
namespace {

void MoveTo(HWND w, const RECT& r) {
  SetWindowPos(w, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Centre(HWND w) {
  RECT r, work;
  GetWindowRect(w, &r);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  SetWindowPos(w, HWND_TOPMOST, work.left + (work.right - work.left - (r.right - r.left)) / 2,
               work.top + (work.bottom - work.top - (r.bottom - r.top)) / 2, 0, 0, SWP_NOSIZE);
}

// Puts a dialog's band of buttons on the bottom colours.
int BandTop(HWND dialog, int buttonId) {
  RECT r;
  GetWindowRect(GetDlgItem(dialog, buttonId), &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r.top - 10;
}

}  // namespace

// ---- CDlgLogin ----------------------------------------------------------------------------

CDlgLogin::CDlgLogin(std::wstring user, std::wstring password)
    : CSkinDialog(IDD_CAMERA_LOGIN, Frame::Caption), m_user(std::move(user)), m_password(std::move(password)) {}

BOOL CDlgLogin::OnInitDialog() {
  std::wstring title = ReadWindowTitle(IDD_CAMERA_LOGIN);
  if (!title.empty()) SetWindowTextW(m_hWnd, title.c_str());
  SetDlgItemTextW(m_hWnd, IDC_CAM_USER, m_user.c_str());
  SetDlgItemTextW(m_hWnd, IDC_CAM_PASSWORD, m_password.c_str());
  // The camera keeps at most 19 bytes of each.
  SendDlgItemMessageW(m_hWnd, IDC_CAM_USER, EM_LIMITTEXT, 19, 0);
  SendDlgItemMessageW(m_hWnd, IDC_CAM_PASSWORD, EM_LIMITTEXT, 19, 0);
  SetBottomBand(BandTop(m_hWnd, IDOK));
  Centre(m_hWnd);
  SetForegroundWindow(m_hWnd);
  SetFocus(Item(IDC_CAM_USER));
  return FALSE;
}

void CDlgLogin::OnCommand(UINT id, UINT code, HWND control) {
  if (id == IDOK) {
    m_user = ItemText(IDC_CAM_USER);
    m_password = ItemText(IDC_CAM_PASSWORD);
  }
  CSkinDialog::OnCommand(id, code, control);
}

// ---- check dialog -------------------------------------------------------------------------

CCheckUserDlg::CCheckUserDlg(std::function<bool(const std::wstring&, const std::wstring&)> removeBinding)
    : CSkinDialog(IDD_CHECK_USER, Frame::Background), m_removeBinding(std::move(removeBinding)) {}

void CCheckUserDlg::PrepareControls() {
  SetPropW(Item(IDOK), kOwnButtonProp, reinterpret_cast<HANDLE>(1));
  SetPropW(Item(IDCANCEL), kOwnButtonProp, reinterpret_cast<HANDLE>(1));
}

BOOL CCheckUserDlg::OnInitDialog() {
  PageLayout layout;
  HBITMAP background = LoadPageBitmap(layout.Value(L"checkuser", L"bg"));
  SetBackground(background);
  SIZE size = Background() ? BitmapHandle::SizeOf(Background()) : SIZE{360, 220};
  SetWindowPos(m_hWnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
  ApplyRoundCorners();
  MoveTo(Item(IDC_CHECK_USER), layout.RectOr(L"checkuser", L"edit1", RECT{120, 74, 320, 100}));
  MoveTo(Item(IDC_CHECK_PASSWORD), layout.RectOr(L"checkuser", L"edit2", RECT{120, 112, 320, 138}));
  MoveTo(Item(IDOK), layout.RectOr(L"checkuser", L"btn1", RECT{84, 164, 174, 194}));
  MoveTo(Item(IDCANCEL), layout.RectOr(L"checkuser", L"btn2", RECT{190, 164, 280, 194}));
  m_strip.Reset(LoadPageBitmap(layout.Value(L"btnbg", L"btnbg")));
  m_lightStrip.Reset(LoadPageBitmap(layout.Value(L"btnbg", L"btnbg1")));
  MakeImageButton(Item(IDOK), m_strip.get(), RGB(255, 255, 255), Fonts().pageText);
  MakeImageButton(Item(IDCANCEL), m_lightStrip.get(), RGB(0x33, 0x33, 0x33), Fonts().pageText);
  SendDlgItemMessageW(m_hWnd, IDC_CHECK_USER, WM_SETFONT, reinterpret_cast<WPARAM>(Fonts().pageText), FALSE);
  SendDlgItemMessageW(m_hWnd, IDC_CHECK_PASSWORD, WM_SETFONT, reinterpret_cast<WPARAM>(Fonts().pageText), FALSE);
  Centre(m_hWnd);
  SetForegroundWindow(m_hWnd);
  SetFocus(Item(IDC_CHECK_USER));
  return FALSE;
}

void CCheckUserDlg::OnCommand(UINT id, UINT code, HWND control) {
  if (id == IDOK) {
    if (m_removeBinding(ItemText(IDC_CHECK_USER), ItemText(IDC_CHECK_PASSWORD))) EndDialog(IDOK);
    return;
  }
  CSkinDialog::OnCommand(id, code, control);
}

// ---- About --------------------------------------------------------------------------------

CAboutBox::CAboutBox() : CSkinDialog(IDD_ABOUTBOX, Frame::Caption) {}

BOOL CAboutBox::OnInitDialog() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_LOOKOUT), IMAGE_ICON, 16, 16, 0)));
  SetBottomBand(BandTop(m_hWnd, IDOK));
  Centre(m_hWnd);
  return TRUE;
}

}  // namespace lookout

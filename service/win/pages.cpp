#include "pages.h"

#include <commctrl.h>

#include "VeneerWnd.h"
#include "page_controls.h"
#include "platform_client.h"
#include "resource.h"
#include "settings.h"
#include "ui_fonts.h"
#include "ui_timing.h"

namespace lookout {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kText = RGB(0x33, 0x33, 0x33);
constexpr COLORREF kSoftText = RGB(0x6B, 0x77, 0x85);
constexpr COLORREF kLinkColor = RGB(0x2B, 0x7B, 0xD6);
constexpr COLORREF kCheckColor = RGB((kCheckTextColor >> 16) & 0xFF, (kCheckTextColor >> 8) & 0xFF, kCheckTextColor & 0xFF);
constexpr COLORREF kFieldBorder = RGB(0x7B, 0x9E, 0xBD);
constexpr int kHeaderHeight = 64;  // the page's title band moves the main window
constexpr int kEditHeight = 18;
constexpr RECT kVersionRect = {299, 372, 519, 390};
constexpr RECT kDefaultAnimation = {249, 150, 313, 214};

RECT AsRect(const SkinRect& r) { return RECT{r.left, r.top, r.right(), r.bottom()}; }

void MoveTo(HWND w, const RECT& r) {
  SetWindowPos(w, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

std::wstring TextOf(HWND w) {
  int n = GetWindowTextLengthW(w);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  GetWindowTextW(w, &text[0], n + 1);
  text.resize(static_cast<size_t>(n));
  return text;
}

void FillRound(HDC dc, const RECT& r, COLORREF fill, COLORREF edge) {
  HBRUSH brush = CreateSolidBrush(fill);
  HPEN pen = CreatePen(PS_SOLID, 1, edge);
  HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, pen);
  RoundRect(dc, r.left, r.top, r.right, r.bottom, 6, 6);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(brush);
  DeleteObject(pen);
}

}  // namespace

// ---- CPage --------------------------------------------------------------------------------

CPage::CPage(UINT templateId, PageHost& host, const wchar_t* layoutSection, const wchar_t* backgroundKey)
    : CSkinDialog(templateId, Frame::Background),
      m_host(host),
      m_section(layoutSection),
      m_backgroundKey(backgroundKey) {
  m_roundCorners = false;
}

void CPage::PrepareControls() {
  for (HWND c = GetWindow(m_hWnd, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t cls[16] = {};
    GetClassNameW(c, cls, 16);
    if (lstrcmpiW(cls, L"Button") == 0) SetPropW(c, kOwnButtonProp, reinterpret_cast<HANDLE>(1));
  }
}

BOOL CPage::OnInitDialog() {
  MoveWindow(m_hWnd, 0, 0, 563, 426, FALSE);
  SetPageBackground(m_backgroundKey);
  m_closeStrip.Reset(LoadPageBitmap(m_layout.Value(L"btnbg", L"btnclose")));
  HWND close = Item(IDC_PAGE_CLOSE);
  if (close != nullptr) {
    MoveTo(close, m_layout.RectOr(L"SCREEN", L"closebtn", RECT{527, 16, 551, 40}));
    MakeImageButton(close, m_closeStrip.get(), kWhite, Fonts().pageSmall);
    SetWindowTextW(close, L"");
  }
  return TRUE;
}

void CPage::SetPageBackground(const wchar_t* key) {
  SetBackground(LoadPageBitmap(m_layout.Value(L"SCREEN", key)));
}

void CPage::Place(int id, const wchar_t* key) {
  HWND control = Item(id);
  std::optional<SkinRect> r = m_layout.Rect(m_section, key);
  if (control == nullptr || !r) return;
  wchar_t cls[16] = {};
  GetClassNameW(control, cls, 16);
  if (lstrcmpiW(cls, L"Edit") == 0) {
    // The edit sits inside a drawn field.
    m_wells.push_back(AsRect(*r));
    RECT inner = {r->left + 8, r->top + (r->height - kEditHeight) / 2, r->right() - 8,
                  r->top + (r->height - kEditHeight) / 2 + kEditHeight};
    MoveTo(control, inner);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(Fonts().pageText), FALSE);
  } else {
    MoveTo(control, AsRect(*r));
  }
}

void CPage::MakeButton(int id, const wchar_t* text, bool primary) {
  HWND button = Item(id);
  if (button == nullptr) return;
  if (m_buttonStrip.get() == nullptr) m_buttonStrip.Reset(LoadPageBitmap(m_layout.Value(L"btnbg", L"btnbg")));
  if (m_lightButtonStrip.get() == nullptr)
    m_lightButtonStrip.Reset(LoadPageBitmap(m_layout.Value(L"btnbg", L"btnbg1")));
  SetWindowTextW(button, text);
  MakeImageButton(button, primary ? m_buttonStrip.get() : m_lightButtonStrip.get(), primary ? kWhite : kText,
                  primary ? Fonts().pageText : Fonts().pageSmall);
}

void CPage::MakeLinkLabel(int id, const wchar_t* text) {
  SetWindowTextW(Item(id), text);
  MakeLink(Item(id), kLinkColor, Fonts().link);
}

void CPage::ShowVersion(int id) {
  HWND label = Item(id);
  if (label == nullptr) return;
  MoveTo(label, kVersionRect);
  MakeLabel(label, kSoftText, Fonts().pageSmall, DT_SINGLELINE | DT_RIGHT | DT_VCENTER);
  SetWindowTextW(label, VersionText(m_host.Settings().m_szVersion).c_str());
}

bool CPage::OnMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR* result) {
  if (message == WM_NCHITTEST) {
    POINT p = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ScreenToClient(m_hWnd, &p);
    if (p.y < kHeaderHeight) {
      // The main window behind takes it as its caption.
      SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, HTTRANSPARENT);
      *result = TRUE;
      return true;
    }
  }
  return false;
}

void CPage::OnPaint(HDC dc) {
  for (const RECT& well : m_wells) FillRound(dc, well, kWhite, kFieldBorder);
}

void CPage::OnCommand(UINT id, UINT, HWND) {
  if (id == IDC_PAGE_CLOSE) m_host.HideMainWindow();
}

// ---- load page ----------------------------------------------------------------------------

CLoadPage::CLoadPage(PageHost& host) : CPage(IDD_LOAD_PAGE, host, L"attpage3", L"background0") {}

CLoadPage::~CLoadPage() {
  if (m_thread != nullptr) {
    WaitForSingleObject(m_thread, INFINITE);
    CloseHandle(m_thread);
  }
}

BOOL CLoadPage::OnInitDialog() {
  CPage::OnInitDialog();
  m_animationRect = m_layout.RectOr(L"LOAD", L"load1rect", kDefaultAnimation);
  m_animation.Load(PageFilePath(m_layout.Value(L"LOAD", L"load1")));
  Place(IDC_LOAD_RESULT, L"static1");
  MakeLabel(Item(IDC_LOAD_RESULT), kCheckColor, Fonts().pageText, DT_LEFT | DT_TOP);
  ShowVersion(IDC_VERSION);
  m_animating = true;
  StartTimer(m_hWnd, kAnimationTimer, kAnimationMs);
  StartTimer(m_hWnd, kCheckTimer, kCheckDelayMs);
  return TRUE;
}

DWORD WINAPI CLoadPage::CheckThread(void* param) {
  auto* page = static_cast<CLoadPage*>(param);
  std::wstring text;
  bool failed = !page->m_host.Platform().GetRendezvousAddress(RendezvousCaller::StartupCheck, &text);
  int bits = StartupCheckBits(failed, page->m_host.Settings().m_nLastInline);
  PostMessageW(page->m_hWnd, WM_PAGE_CHECK_DONE, static_cast<WPARAM>(bits), 0);
  return 0;
}

bool CLoadPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_TIMER && wParam == kAnimationTimer) {
    m_animation.Next();
    InvalidateRect(m_hWnd, &m_animationRect, FALSE);
    *result = TRUE;
    return true;
  }
  if (message == WM_TIMER && wParam == kCheckTimer) {
    KillTimer(m_hWnd, kCheckTimer);
    if (m_thread == nullptr) m_thread = CreateThread(nullptr, 0, CheckThread, this, 0, nullptr);
    *result = TRUE;
    return true;
  }
  if (message == WM_PAGE_CHECK_DONE) {
    int bits = static_cast<int>(wParam);
    if (bits == 0) {
      m_host.StartPublishingTimer();
      m_host.ShowPage(PageId::Login);
    } else {
      StopAnimation();
      ShowLines(StartupCheckLines(bits));
    }
    *result = TRUE;
    return true;
  }
  if (message == WM_DRAWITEM) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (item->CtlID == IDC_LOAD_RESULT) {
      VENEER_PARENTBKGND behind = {item->hwndItem, item->hDC, item->rcItem.left, item->rcItem.top,
                                   item->rcItem.right, item->rcItem.bottom};
      SendMessageW(m_hWnd, WM_VENEER_PARENTBACKGROUND, reinterpret_cast<WPARAM>(&behind), 0);
      std::wstring text = TextOf(item->hwndItem);
      SetBkMode(item->hDC, TRANSPARENT);
      SetTextColor(item->hDC, kCheckColor);
      HGDIOBJ old = SelectObject(item->hDC, Fonts().pageText);
      int y = item->rcItem.top;
      for (size_t start = 0; start <= text.size();) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        RECT line = {item->rcItem.left, y, item->rcItem.right, y + kCheckLineSpacing};
        DrawTextW(item->hDC, text.c_str() + start, static_cast<int>(end - start), &line,
                  DT_SINGLELINE | DT_LEFT | DT_VCENTER | DT_NOPREFIX);
        y += kCheckLineSpacing;
        start = end + 1;
      }
      SelectObject(item->hDC, old);
      *result = TRUE;
      return true;
    }
  }
  return CPage::OnMessage(message, wParam, lParam, result);
}

void CLoadPage::StopAnimation() {
  KillTimer(m_hWnd, kAnimationTimer);
  m_animating = false;
  InvalidateRect(m_hWnd, &m_animationRect, TRUE);
}

void CLoadPage::ShowLines(const std::vector<std::wstring>& lines) {
  std::wstring text;
  for (size_t i = 0; i < lines.size(); ++i) text += (i ? L"\n" : L"") + lines[i];
  HWND label = Item(IDC_LOAD_RESULT);
  RECT r;
  GetWindowRect(label, &r);
  MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
  int height = static_cast<int>(lines.size()) * kCheckLineSpacing;
  if (r.bottom - r.top < height) SetWindowPos(label, nullptr, 0, 0, r.right - r.left, height, SWP_NOMOVE | SWP_NOZORDER);
  SetLabel(IDC_LOAD_RESULT, text);
}

void CLoadPage::ShowMessage(const std::wstring& text) {
  StopAnimation();
  ShowLines({text});
}

std::wstring CLoadPage::ResultText() const { return ItemText(IDC_LOAD_RESULT); }

void CLoadPage::OnPaint(HDC dc) {
  CPage::OnPaint(dc);
  RECT& a = m_animationRect;
  if (m_animating) {
    m_animation.Draw(dc, a.left, a.top, a.right - a.left, a.bottom - a.top);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kSoftText);
    HGDIOBJ old = SelectObject(dc, Fonts().pageText);
    RECT line = {40, a.bottom + 26, 523, a.bottom + 46};
    DrawTextW(dc, L"正在检测运行环境, 请稍候...", -1, &line, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    SelectObject(dc, old);
  } else if (!ResultText().empty()) {
    // A warning sign where the animation was.
    int cx = (a.left + a.right) / 2, cy = (a.top + a.bottom) / 2;
    HBRUSH brush = CreateSolidBrush(RGB(0xF0, 0x8C, 0x1A));
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    Ellipse(dc, cx - 24, cy - 24, cx + 25, cy + 25);
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    RECT bar = {cx - 3, cy - 15, cx + 4, cy + 5}, dot = {cx - 3, cy + 9, cx + 4, cy + 16};
    FillRect(dc, &bar, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FillRect(dc, &dot, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
  }
}

// ---- login page ---------------------------------------------------------------------------

CLoginPage::CLoginPage(PageHost& host) : CPage(IDD_LOGIN_PAGE, host, L"attpage1", L"background1") {}

BOOL CLoginPage::OnInitDialog() {
  CPage::OnInitDialog();
  Place(IDC_NUMBER, L"edit1");
  Place(IDC_PASSWORD, L"edit2");
  Place(IDC_LOGIN_BUTTON, L"btn1");
  Place(IDC_REGISTER_LINK, L"static1");
  Place(IDC_FORGOT_LINK, L"static2");
  MakeButton(IDC_LOGIN_BUTTON, L"登录", true);
  MakeLinkLabel(IDC_REGISTER_LINK, L"注册");
  MakeLinkLabel(IDC_FORGOT_LINK, L"忘记密码?");
  SendDlgItemMessageW(m_hWnd, IDC_NUMBER, EM_LIMITTEXT, 20, 0);
  SendDlgItemMessageW(m_hWnd, IDC_PASSWORD, EM_LIMITTEXT, 32, 0);
  return TRUE;
}

void CLoginPage::OnCommand(UINT id, UINT code, HWND control) {
  switch (id) {
    case IDC_LOGIN_BUTTON:
    case IDOK:
      m_host.Platform().CheckLogin(ItemText(IDC_NUMBER), ItemText(IDC_PASSWORD));
      break;
    case IDC_REGISTER_LINK:
      if (code == STN_CLICKED) m_host.ShowPage(PageId::Register);
      break;
    case IDC_FORGOT_LINK:
      if (code == STN_CLICKED) m_host.Platform().OpenForgottenPassword();
      break;
    default:
      CPage::OnCommand(id, code, control);
  }
}

// ---- registration page --------------------------------------------------------------------

CRegisterPage::CRegisterPage(PageHost& host) : CPage(IDD_REGISTER_PAGE, host, L"attpage2", L"background2") {}

BOOL CRegisterPage::OnInitDialog() {
  CPage::OnInitDialog();
  Place(IDC_REG_NUMBER, L"edit1");
  Place(IDC_REG_CODE, L"edit2");
  Place(IDC_REG_PASSWORD, L"edit3");
  Place(IDC_REG_PASSWORD2, L"edit4");
  Place(IDC_GETCODE_BUTTON, L"btn1");
  Place(IDC_REGISTER_BUTTON, L"btn2");
  Place(IDC_LOGIN_LINK, L"static1");
  Place(IDC_COUNTDOWN, L"static2");
  MakeButton(IDC_GETCODE_BUTTON, L"获取短信验证码", false);
  MakeButton(IDC_REGISTER_BUTTON, L"注册并登录", true);
  MakeLinkLabel(IDC_LOGIN_LINK, L"已有帐号? 登录");
  MakeLabel(Item(IDC_COUNTDOWN), RGB(0xF0, 0x8C, 0x1A), Fonts().pageText, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  SendDlgItemMessageW(m_hWnd, IDC_REG_NUMBER, EM_LIMITTEXT, 20, 0);
  SendDlgItemMessageW(m_hWnd, IDC_REG_CODE, EM_LIMITTEXT, 6, 0);
  return TRUE;
}

void CRegisterPage::StartCountdown() {
  EnableWindow(Item(IDC_REG_NUMBER), FALSE);
  EnableWindow(Item(IDC_GETCODE_BUTTON), FALSE);
  SetLabel(IDC_COUNTDOWN, SecondsText(kCountdownSeconds));
  StartTimer(m_hWnd, kCountdownTimer, kSecondMs);
}

void CRegisterPage::StopCountdown() {
  KillTimer(m_hWnd, kCountdownTimer);
  EnableWindow(Item(IDC_REG_NUMBER), TRUE);
  EnableWindow(Item(IDC_GETCODE_BUTTON), TRUE);
  SetLabel(IDC_COUNTDOWN, L"");
}

void CRegisterPage::DrawCountdown(const std::wstring& text) { SetLabel(IDC_COUNTDOWN, text); }

bool CRegisterPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_TIMER && wParam == kCountdownTimer) {
    m_host.Platform().OnCountdownTick();
    *result = TRUE;
    return true;
  }
  return CPage::OnMessage(message, wParam, lParam, result);
}

void CRegisterPage::OnCommand(UINT id, UINT code, HWND control) {
  switch (id) {
    case IDC_GETCODE_BUTTON:
      m_host.Platform().SendSmsCode(ItemText(IDC_REG_NUMBER));
      break;
    case IDC_REGISTER_BUTTON:
    case IDOK:
      m_host.Platform().Register(ItemText(IDC_REG_NUMBER), ItemText(IDC_REG_CODE), ItemText(IDC_REG_PASSWORD),
                                 ItemText(IDC_REG_PASSWORD2));
      break;
    case IDC_LOGIN_LINK:
      if (code == STN_CLICKED) m_host.ShowPage(PageId::Login);
      break;
    default:
      CPage::OnCommand(id, code, control);
  }
}

// ---- bind page ----------------------------------------------------------------------------

CBindPage::CBindPage(PageHost& host) : CPage(IDD_BIND_PAGE, host, L"attpage4", L"background4") {}

BOOL CBindPage::OnInitDialog() {
  CPage::OnInitDialog();
  Place(IDC_DEVICE_LIST, L"list1");
  Place(IDC_BIND_BUTTON, L"btn1");
  Place(IDC_REFRESH_BUTTON, L"btn2");
  Place(IDC_BIND_HINT, L"static1");
  MakeButton(IDC_BIND_BUTTON, L"绑定设备", true);
  MakeButton(IDC_REFRESH_BUTTON, L"刷新设备", false);
  MakeLabel(Item(IDC_BIND_HINT), kSoftText, Fonts().pageSmall, DT_SINGLELINE | DT_LEFT | DT_VCENTER);
  SetWindowTextW(Item(IDC_BIND_HINT), L"选择本机摄像头, 双击或点击“绑定设备”将其绑定到您的帐号");

  HWND list = Item(IDC_DEVICE_LIST);
  SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(Fonts().list), FALSE);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  // Rows 18 pixels high.
  m_rowHeight = ImageList_Create(1, 18, ILC_COLOR, 1, 0);
  ListView_SetImageList(list, m_rowHeight, LVSIL_SMALL);
  RECT r;
  GetClientRect(list, &r);
  int width = r.right - r.left;
  LVCOLUMNW column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.pszText = const_cast<wchar_t*>(L"设备名称");
  column.cx = width / 2 + 30;
  SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  column.pszText = const_cast<wchar_t*>(L"设备ID");
  column.cx = width / 2 - 34;
  SendMessageW(list, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
  return TRUE;
}

void CBindPage::RefreshList() {
  HWND list = Item(IDC_DEVICE_LIST);
  ListView_DeleteAllItems(list);
  int row = 0;
  m_host.Settings().m_mapOnline.ForEach([&](const CameraMap::Entry& e) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(e.key.c_str());
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    LVITEMW guid = {};
    guid.iSubItem = 1;
    guid.pszText = const_cast<wchar_t*>(e.value.GUID);
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&guid));
    ++row;
  });
}

void CBindPage::Bind() {
  HWND list = Item(IDC_DEVICE_LIST);
  int selected = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  if (selected < 0) {
    m_host.Platform().BindCamera(nullptr);
    return;
  }
  wchar_t guid[80] = {};
  LVITEMW item = {};
  item.iSubItem = 1;
  item.pszText = guid;
  item.cchTextMax = 80;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(&item));
  std::wstring id = guid;
  m_host.Platform().BindCamera(&id);
}

bool CBindPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->idFrom == IDC_DEVICE_LIST && header->code == NM_DBLCLK) {
      const auto* activate = reinterpret_cast<const NMITEMACTIVATE*>(lParam);
      if (activate->iItem >= 0) Bind();
      *result = TRUE;
      return true;
    }
  }
  if (message == WM_DESTROY && m_rowHeight != nullptr) {
    ImageList_Destroy(m_rowHeight);
    m_rowHeight = nullptr;
  }
  return CPage::OnMessage(message, wParam, lParam, result);
}

void CBindPage::OnCommand(UINT id, UINT code, HWND control) {
  switch (id) {
    case IDC_BIND_BUTTON:
    case IDOK:
      Bind();
      break;
    case IDC_REFRESH_BUTTON:
      RefreshList();
      break;
    default:
      CPage::OnCommand(id, code, control);
  }
}

// ---- experience page ----------------------------------------------------------------------

CExperiencePage::CExperiencePage(PageHost& host) : CPage(IDD_EXPERIENCE_PAGE, host, L"attpage5", L"background5") {}

BOOL CExperiencePage::OnInitDialog() {
  CPage::OnInitDialog();
  m_animationRect = m_layout.RectOr(L"LOAD", L"load1rect", kDefaultAnimation);
  m_animation.Load(PageFilePath(m_layout.Value(L"LOAD", L"load1")));
  Place(IDC_ENTRY_LINK, L"static1");
  Place(IDC_WAIT_TEXT, L"static2");
  MakeLinkLabel(IDC_ENTRY_LINK, L" 进入虚拟警示器体验界面");
  MakeLabel(Item(IDC_ENTRY_LINK), kLinkColor, Fonts().link, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  MakeLabel(Item(IDC_WAIT_TEXT), RGB(0x1E, 0x65, 0xCD), Fonts().pageText, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  ShowVersion(IDC_VERSION);
  return TRUE;
}

void CExperiencePage::Begin(bool wait) {
  KillTimer(m_hWnd, kWaitTimer);
  KillTimer(m_hWnd, kAnimationTimer);
  if (wait) {
    m_countdown.Start();
    SetPageBackground(L"background51");
    ShowWindow(Item(IDC_ENTRY_LINK), SW_HIDE);
    SetLabel(IDC_WAIT_TEXT, WaitText(m_countdown.Left()));
    ShowWindow(Item(IDC_WAIT_TEXT), SW_SHOW);
    StartTimer(m_hWnd, kWaitTimer, kSecondMs);
    StartTimer(m_hWnd, kAnimationTimer, kAnimationMs);
  } else {
    m_countdown = Countdown();
    SetPageBackground(L"background5");
    ShowWindow(Item(IDC_WAIT_TEXT), SW_HIDE);
    ShowWindow(Item(IDC_ENTRY_LINK), SW_SHOW);
  }
}

bool CExperiencePage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_TIMER && wParam == kAnimationTimer) {
    m_animation.Next();
    InvalidateRect(m_hWnd, &m_animationRect, FALSE);
    *result = TRUE;
    return true;
  }
  if (message == WM_TIMER && wParam == kWaitTimer) {
    if (m_countdown.Tick()) {
      SetLabel(IDC_WAIT_TEXT, WaitText(m_countdown.Left()));
    } else {
      Begin(false);
    }
    *result = TRUE;
    return true;
  }
  return CPage::OnMessage(message, wParam, lParam, result);
}

void CExperiencePage::OnCommand(UINT id, UINT code, HWND control) {
  if (id == IDC_ENTRY_LINK && code == STN_CLICKED) {
    m_host.Platform().OpenPlatformLogin();
    return;
  }
  CPage::OnCommand(id, code, control);
}

void CExperiencePage::OnPaint(HDC dc) {
  CPage::OnPaint(dc);
  if (!m_countdown.Running()) return;
  RECT& a = m_animationRect;
  m_animation.Draw(dc, a.left, a.top, a.right - a.left, a.bottom - a.top);
}

}  // namespace lookout

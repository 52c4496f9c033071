// CVeneerManager and the skin classes on real windows (under Wine with an X display).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <vector>

#include "SkinResourceManager.h"
#include "SkinSliderandProgressctrl.h"
#include "VeneerManager.h"
#include "test_skin.h"

namespace {

struct Recorded {
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Recorded> g_scrolls;
std::vector<VENEER_PARENTBKGND> g_backgroundRequests;
int g_drawItems = 0;
int g_clicks = 0;
int g_unskinResult = -1;
HWND g_unskinOnClick = nullptr;
bool g_destroyOnClick = false;

LRESULT CALLBACK HostProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_HSCROLL:
    case WM_VSCROLL:
      g_scrolls.push_back({msg, wParam, lParam});
      return 0;
    case WM_VENEER_PARENTBACKGROUND:
      if (wParam) g_backgroundRequests.push_back(*reinterpret_cast<VENEER_PARENTBKGND*>(wParam));
      return VeneerAnswerParentBackground(hWnd, wParam, nullptr);
    case WM_DRAWITEM:
      ++g_drawItems;
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        ++g_clicks;
        if (g_unskinOnClick == reinterpret_cast<HWND>(lParam)) {
          // Like a dialog that goes away from its own button's click.
          g_unskinResult = CVeneerManager::GetInstance()->UnSubclassControl(g_unskinOnClick);
          if (g_destroyOnClick) DestroyWindow(g_unskinOnClick);
          g_unskinOnClick = nullptr;
        }
      }
      return 0;
    default:
      return DefWindowProcW(hWnd, msg, wParam, lParam);
  }
}

HWND MakeHost(int w = 400, int h = 300) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"VeneerTestHost";
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    RegisterClassW(&wc);
    registered = true;
  }
  HWND h2 = CreateWindowExW(0, L"VeneerTestHost", L"host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 30, 30, w, h,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  return h2;
}

HWND Child(HWND parent, const wchar_t* cls, DWORD style, int x = 10, int y = 10, int w = 150, int h = 40,
           const wchar_t* text = L"text", DWORD exStyle = 0, int id = 100) {
  return CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

RECT RectInParent(HWND hWnd) {
  RECT rc;
  GetWindowRect(hWnd, &rc);
  MapWindowPoints(nullptr, GetParent(hWnd), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

class Controls : public ::testing::Test {
 protected:
  // One host for the suite: without a window manager every hidden top-level window costs
  // the X11 driver a two-second wait.
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    s_host = MakeHost();
    UpdateWindow(s_host);
    Pump(200);
  }
  static void TearDownTestSuite() { DestroyWindow(s_host); }
  static HWND s_host;
  void SetUp() override {
    skin_ = std::make_unique<TestSkin>(L"veneer_controls_test_skin");
    skin_->WriteBmp(L"b80.bmp", 80, 24, [](int x, int y) {
      return (x < 2 && y < 2) ? RGB(255, 0, 255) : RGB(30, 100, 200);
    });
    skin_->WritePng(L"p80.png", 80, 24, [](int, int) -> DWORD { return 0xFF1E64C8; });
    skin_->WriteBmp(L"sb.bmp", 80, 128, [](int x, int y) { return RGB(x * 3, y, 128); });
    skin_->WritePng(L"thumb.png", 12, 18, [](int, int) -> DWORD { return 0xFF204080; });
    const COLORREF states[5] = {RGB(200, 0, 0), RGB(0, 200, 0), RGB(0, 0, 200), RGB(100, 100, 100), RGB(200, 200, 0)};
    const wchar_t* names[5] = {L"s0.bmp", L"s1.bmp", L"s2.bmp", L"s3.bmp", L"s4.bmp"};
    for (int i = 0; i < 5; ++i) skin_->WriteBmp(names[i], 60, 24, [&](int, int) { return states[i]; });
    skin_->WriteBmp(L"c0.bmp", 15, 15, [](int, int) { return RGB(250, 240, 230); });
    skin_->WriteBmp(L"c1.bmp", 15, 15, [](int, int) { return RGB(10, 90, 170); });
    skin_->WriteBmp(L"cb.bmp", 64, 16, [](int x, int) {
      return x < 16 ? RGB(200, 0, 0) : x < 32 ? RGB(0, 200, 0) : x < 48 ? RGB(0, 0, 200) : RGB(100, 100, 100);
    });
    skin_->WriteXml(R"XML(<?xml version="1.0"?><skin>
      <defaultskin><button bmpbacknormal="b80.bmp"/><listctrl nitemheight="27"/></defaultskin>
      <adjustbutton>
        <button name="btn.test80" bmpbacknormal="b80.bmp" bmpbackhot="b80.bmp"/>
        <button name="btn.png80" ispngback="true" bmpbacknormal="p80.png"/>
        <button name="btn.states" enable9grid="false" bmpbacknormal="s0.bmp" bmpbackhot="s1.bmp"
                bmpbackdown="s2.bmp" bmpbackdisable="s3.bmp" bmpbackfocus="s4.bmp"/>
      </adjustbutton>
      <adjustradiocheck><radiocheck name="chk" bmpbacknormal="c0.bmp" bmpbacknormals="c1.bmp"
          clrback="RGB(255,255,255)"/></adjustradiocheck>
      <adjustedit><edit name="e" bmpscroll="sb.bmp"/></adjustedit>
      <adjustcombobox><combobox name="cb" clrborder="RGB(0,128,128)" bmpbutton="cb.bmp"/></adjustcombobox>
      <adjustslider><slider name="s" thumbnormal="thumb.png" nchanneloffset="4"/></adjustslider>
    </skin>)XML");
    skin_->Install();
    manager_ = CVeneerManager::GetInstance();
    host_ = s_host;
    g_scrolls.clear();
    g_backgroundRequests.clear();
    g_drawItems = 0;
    g_clicks = 0;
  }
  void TearDown() override {
    CVeneerManager::DestroyInstance();
    while (HWND child = GetWindow(host_, GW_CHILD)) DestroyWindow(child);
    InvalidateRect(host_, nullptr, TRUE);
    CSkinResourceManager::DestroyInstance();
    skin_.reset();
  }

  std::unique_ptr<TestSkin> skin_;
  CVeneerManager* manager_ = nullptr;
  HWND host_ = nullptr;
};
HWND Controls::s_host = nullptr;

TEST_F(Controls, ButtonStylesChooseTheSkinKind) {
  struct Case {
    DWORD style;
    VENEER_SKIN_KIND kind;
  } cases[] = {
      {BS_PUSHBUTTON, VENEER_SKIN_BUTTON},       {BS_DEFPUSHBUTTON, VENEER_SKIN_BUTTON},
      {BS_OWNERDRAW, VENEER_SKIN_BUTTON},        {BS_CHECKBOX, VENEER_SKIN_RADIOCHECK},
      {BS_AUTOCHECKBOX, VENEER_SKIN_RADIOCHECK}, {BS_3STATE, VENEER_SKIN_RADIOCHECK},
      {BS_AUTO3STATE, VENEER_SKIN_RADIOCHECK},   {BS_AUTORADIOBUTTON, VENEER_SKIN_RADIOCHECK},
      {BS_GROUPBOX, VENEER_SKIN_RADIOCHECK},     {BS_RADIOBUTTON, VENEER_SKIN_NONE},
      {BS_DEFPUSHBUTTON | BS_LEFTTEXT, VENEER_SKIN_RADIOCHECK},  // low byte 0x21
  };
  for (const Case& c : cases) {
    HWND b = Child(host_, L"Button", c.style);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(manager_->SubclassControl(b, L"", false), 1) << c.style;
    EXPECT_EQ(manager_->GetSkinKind(b), c.kind) << std::hex << c.style;
    EXPECT_EQ(manager_->UnSubclassControl(b), c.kind == VENEER_SKIN_NONE ? 0 : 1) << c.style;
    DestroyWindow(b);
  }
  EXPECT_EQ(manager_->GetSkinCount(), 0);
}

TEST_F(Controls, WindowClassesChooseTheSkinKind) {
  HWND edit = Child(host_, L"Edit", WS_BORDER);
  HWND combo = Child(host_, L"ComboBox", CBS_DROPDOWNLIST, 10, 10, 150, 200);
  HWND progress = Child(host_, PROGRESS_CLASSW, 0);
  HWND list = Child(host_, WC_LISTVIEWW, LVS_REPORT);
  HWND track = Child(host_, TRACKBAR_CLASSW, 0);
  HWND stat = Child(host_, L"Static", 0);
  for (HWND h : {edit, combo, progress, list, track, stat}) EXPECT_EQ(manager_->SubclassControl(h, L"", false), 1);
  EXPECT_EQ(manager_->GetSkinKind(edit), VENEER_SKIN_EDIT);
  EXPECT_EQ(manager_->GetSkinKind(combo), VENEER_SKIN_COMBOBOX);
  EXPECT_EQ(manager_->GetSkinKind(progress), VENEER_SKIN_PROGRESS);
  EXPECT_EQ(manager_->GetSkinKind(list), VENEER_SKIN_LISTCTRL);
  EXPECT_EQ(manager_->GetSkinKind(track), VENEER_SKIN_SLIDER);
  EXPECT_EQ(manager_->GetSkinKind(stat), VENEER_SKIN_NONE);  // left alone, still 1
  EXPECT_EQ(manager_->GetSkinCount(), 5);
  EXPECT_EQ(manager_->SubclassControl(nullptr, L"", true), 1);
}

TEST_F(Controls, SubclassingTwiceLeavesOneSkinObject) {
  HWND b = Child(host_, L"Button", BS_PUSHBUTTON);
  WNDPROC original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(b, GWLP_WNDPROC));
  LONG style = GetWindowLongW(b, GWL_STYLE);
  manager_->SubclassControl(b, L"", false);
  manager_->SubclassControl(b, L"btn.test80", false);
  EXPECT_EQ(manager_->GetSkinCount(), 1);
  EXPECT_EQ(GetWindowLongW(b, GWL_STYLE) & 0x0F, BS_OWNERDRAW);
  Pump(50);
  EXPECT_EQ(manager_->UnSubclassControl(b), 1);
  // One removal gives the window everything back: nothing was stacked.
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(b, GWLP_WNDPROC)), original);
  EXPECT_EQ(GetWindowLongW(b, GWL_STYLE), style);
  EXPECT_EQ(manager_->UnSubclassControl(b), 0);
  EXPECT_EQ(manager_->GetSkinCount(), 0);
}

TEST_F(Controls, UnSubclassOfANeverSkinnedWindowIsZero) {
  HWND b = Child(host_, L"Button", BS_PUSHBUTTON);
  WNDPROC original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(b, GWLP_WNDPROC));
  EXPECT_EQ(manager_->UnSubclassControl(b), 0);
  EXPECT_EQ(manager_->UnSubclassControl(nullptr), 0);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(b, GWLP_WNDPROC)), original);
}

TEST_F(Controls, ResizeMakesTheButtonThePictureSizeWithoutMovingIt) {
  HWND b = Child(host_, L"Button", BS_PUSHBUTTON, 13, 17, 150, 40);
  manager_->SubclassControl(b, L"btn.test80", true);
  RECT rc = RectInParent(b);
  EXPECT_EQ(rc.left, 13);
  EXPECT_EQ(rc.top, 17);
  EXPECT_EQ(rc.right - rc.left, 80);
  EXPECT_EQ(rc.bottom - rc.top, 24);

  HWND p = Child(host_, L"Button", BS_PUSHBUTTON, 40, 70, 150, 40);
  manager_->SubclassControl(p, L"btn.png80", true);
  rc = RectInParent(p);
  EXPECT_EQ(rc.left, 40);
  EXPECT_EQ(rc.top, 70);
  EXPECT_EQ(rc.right - rc.left, 80);
  EXPECT_EQ(rc.bottom - rc.top, 24);

  HWND q = Child(host_, L"Button", BS_PUSHBUTTON, 40, 120, 150, 40);
  manager_->SubclassControl(q, L"btn.test80", false);
  rc = RectInParent(q);
  EXPECT_EQ(rc.right - rc.left, 150);  // no resizing asked
}

TEST_F(Controls, SubclassControlsSkinsDirectChildrenOnly) {
  HWND direct = Child(host_, L"Button", BS_PUSHBUTTON, 10, 10, 80, 24, L"a", 0, 1);
  HWND box = Child(host_, L"Static", 0, 10, 50, 200, 100, L"", 0, 2);
  HWND grandchild = Child(box, L"Button", BS_PUSHBUTTON, 5, 5, 80, 24, L"b", 0, 3);
  HWND edit = Child(host_, L"Edit", WS_BORDER, 220, 10, 100, 24, L"", 0, 4);
  EXPECT_EQ(manager_->SubclassControls(host_), 1);
  EXPECT_EQ(manager_->GetSkinKind(direct), VENEER_SKIN_BUTTON);
  EXPECT_EQ(manager_->GetSkinKind(edit), VENEER_SKIN_EDIT);
  EXPECT_EQ(manager_->GetSkinKind(grandchild), VENEER_SKIN_NONE);
  EXPECT_EQ(manager_->GetSkinKind(box), VENEER_SKIN_NONE);
  EXPECT_EQ(manager_->SubclassControls(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x12345678))), 0);
  EXPECT_EQ(manager_->SubclassControls(nullptr), 0);
}

TEST_F(Controls, DestroyInstanceGivesEveryWindowItsProcedureBack) {
  HWND b = Child(host_, L"Button", BS_PUSHBUTTON);
  HWND e = Child(host_, L"Edit", WS_BORDER, 10, 60, 100, 24);
  WNDPROC pb = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(b, GWLP_WNDPROC));
  WNDPROC pe = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(e, GWLP_WNDPROC));
  manager_->SubclassControl(b, L"", false);
  manager_->SubclassControl(e, L"e", false);
  EXPECT_NE(GetPropW(e, L"PROP_SkinSB"), nullptr);  // the edit's skinned scroll bars
  CVeneerManager::DestroyInstance();
  manager_ = CVeneerManager::GetInstance();
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(b, GWLP_WNDPROC)), pb);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(e, GWLP_WNDPROC)), pe);
  EXPECT_EQ(GetPropW(e, L"PROP_SkinSB"), nullptr);
}

TEST_F(Controls, DestroyingASkinnedWindowIsSafe) {
  HWND b = Child(host_, L"Button", BS_PUSHBUTTON);
  HWND l = Child(host_, WC_LISTVIEWW, LVS_REPORT, 10, 60, 200, 100);
  manager_->SubclassControl(b, L"", false);
  manager_->SubclassControl(l, L"", false);
  DestroyWindow(b);
  DestroyWindow(l);
  Pump(20);
  EXPECT_EQ(manager_->UnSubclassControl(b), 1);  // still registered, nothing left to undo
  EXPECT_EQ(manager_->GetSkinCount(), 1);
}

TEST_F(Controls, ScrollSkinOnceAndOnlyOnWindows) {
  HWND e = Child(host_, L"Edit", WS_BORDER | WS_VSCROLL | ES_MULTILINE, 10, 10, 150, 80);
  HBITMAP bmp = MakeDib(80, 128, [](int, int) { return RGB(200, 200, 200); });
  SetLastError(0);
  EXPECT_EQ(manager_->SetScrollSkin(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7654321)), bmp), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  WNDPROC original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(e, GWLP_WNDPROC));
  EXPECT_EQ(manager_->SetScrollSkin(e, bmp), 1);
  EXPECT_NE(GetPropW(e, L"PROP_SkinSB"), nullptr);
  EXPECT_NE(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(e, GWLP_WNDPROC)), original);
  EXPECT_EQ(manager_->SetScrollSkin(e, bmp), 0);  // already skinned
  for (int i = 0; i < 30; ++i) SendMessageW(e, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"line\r\n"));
  Pump(30);
  EXPECT_EQ(manager_->RemoveScrollSkin(e), 1);
  EXPECT_EQ(GetPropW(e, L"PROP_SkinSB"), nullptr);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(e, GWLP_WNDPROC)), original);
  EXPECT_EQ(manager_->RemoveScrollSkin(e), 0);
  DestroyWindow(e);
  DeleteObject(bmp);
}

TEST_F(Controls, SkinnedScrollBarScrollsOnClicks) {
  HWND e = Child(host_, L"Edit", WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL, 10, 10, 150, 80);
  for (int i = 0; i < 40; ++i) SendMessageW(e, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"line\r\n"));
  SendMessageW(e, EM_SETSEL, 0, 0);
  SendMessageW(e, EM_SCROLLCARET, 0, 0);
  HBITMAP bmp = MakeDib(80, 128, [](int, int) { return RGB(200, 200, 200); });
  ASSERT_EQ(manager_->SetScrollSkin(e, bmp), 1);
  Pump(30);
  int before = GetScrollPos(e, SB_VERT);
  SCROLLBARINFO sbi = {};
    sbi.cbSize = sizeof sbi;
  ASSERT_TRUE(GetScrollBarInfo(e, OBJID_VSCROLL, &sbi));
  POINT down = {(sbi.rcScrollBar.left + sbi.rcScrollBar.right) / 2, sbi.rcScrollBar.bottom - 4};
  SendMessageW(e, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(down.x, down.y));  // the lower arrow
  POINT client = down;
  ScreenToClient(e, &client);
  SendMessageW(e, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
  EXPECT_GT(GetScrollPos(e, SB_VERT), before);
  EXPECT_EQ(GetCapture(), nullptr);
  manager_->RemoveScrollSkin(e);
  DeleteObject(bmp);
}

TEST_F(Controls, ListRowsTakeTheRecordHeight) {
  HWND l = Child(host_, WC_LISTVIEWW, LVS_REPORT | LVS_SHOWSELALWAYS, 10, 10, 300, 200);
  LVCOLUMNW col = {};
  col.mask = LVCF_TEXT | LVCF_WIDTH;
  col.cx = 120;
  col.pszText = const_cast<wchar_t*>(L"name");
  SendMessageW(l, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&col));
  for (int i = 0; i < 3; ++i) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.pszText = const_cast<wchar_t*>(L"row");
    SendMessageW(l, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  manager_->SubclassControl(l, L"", false);
  EXPECT_NE(GetWindowLongW(l, GWL_STYLE) & LVS_OWNERDRAWFIXED, 0);
  RECT r0 = {LVIR_BOUNDS, 0, 0, 0}, r1 = {LVIR_BOUNDS, 0, 0, 0};
  SendMessageW(l, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r0));
  SendMessageW(l, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r1));
  EXPECT_EQ(r1.top - r0.top, 27);
  UpdateWindow(host_);
  Pump(50);
  EXPECT_EQ(g_drawItems, 0);  // row drawing went to the skin, not to the parent
  manager_->UnSubclassControl(l);
  EXPECT_EQ(GetWindowLongW(l, GWL_STYLE) & LVS_OWNERDRAWFIXED, 0);
}

TEST_F(Controls, PngButtonAsksItsParentForTheBackground) {
  HWND p = Child(host_, L"Button", BS_PUSHBUTTON, 20, 30, 100, 30);
  manager_->SubclassControl(p, L"btn.png80", false);
  UpdateWindow(host_);
  Pump(50);
  ASSERT_FALSE(g_backgroundRequests.empty());
  const VENEER_PARENTBKGND& req = g_backgroundRequests.back();
  EXPECT_EQ(req.hWnd, p);
  EXPECT_NE(req.hDC, nullptr);
  EXPECT_EQ(req.left, 0);
  EXPECT_EQ(req.top, 0);
  EXPECT_EQ(req.right, 100);
  EXPECT_EQ(req.bottom, 30);
}

TEST_F(Controls, SliderInterfaceAndMouse) {
  CSkinSliderandProgressctrl slider;
  ASSERT_TRUE(slider.Create(RECT{10, 100, 210, 130}, host_, 77, TRUE));
  HWND s = slider.GetSafeHwnd();
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(IsWindowVisible(s));
  EXPECT_EQ(GetDlgCtrlID(s), 77);
  slider.SetRange(0, 100, TRUE);
  int lo = -1, hi = -1;
  slider.GetRange(lo, hi);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 100);
  slider.SetPos(150);
  EXPECT_EQ(slider.GetPos(), 100);  // kept in range
  slider.SetPos(-5);
  EXPECT_EQ(slider.GetPos(), 0);
  slider.SetEnergyPos(40);
  EXPECT_EQ(slider.GetEnergyPos(), 40);
  EXPECT_EQ(slider.VerifyPos(101), 100);
  EXPECT_EQ(slider.VerifyEnergyPos(-1), 0);
  slider.SetPageSize(20);
  slider.SetLineSize(2);
  EXPECT_EQ(slider.GetPageSize(), 20);
  EXPECT_EQ(slider.GetLineSize(), 2);
  RECT channel, energy;
  slider.GetChannelRect(&channel);
  slider.GetEnergyRect(&energy);
  EXPECT_EQ(energy.left, channel.left);
  EXPECT_NEAR(energy.right - channel.left, (channel.right - channel.left) * 40 / 100, 1);

  // Down on the channel at three quarters: the thumb jumps there; moving drags; up ends.
  int x = channel.left + (channel.right - channel.left) * 3 / 4;
  int y = (channel.top + channel.bottom) / 2;
  SendMessageW(s, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  EXPECT_NEAR(slider.GetPos(), 75, 1);
  EXPECT_EQ(GetCapture(), s);
  x = channel.left + (channel.right - channel.left) / 2;
  SendMessageW(s, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
  EXPECT_NEAR(slider.GetPos(), 50, 1);
  SendMessageW(s, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  EXPECT_NE(GetCapture(), s);
  ASSERT_GE(g_scrolls.size(), 3u);
  const Recorded& track = g_scrolls[g_scrolls.size() - 3];
  EXPECT_EQ(track.msg, static_cast<UINT>(WM_HSCROLL));
  EXPECT_EQ(LOWORD(track.wParam), SB_THUMBTRACK);
  EXPECT_EQ(HIWORD(track.wParam), slider.GetPos());
  EXPECT_EQ(reinterpret_cast<HWND>(track.lParam), s);
  EXPECT_EQ(LOWORD(g_scrolls[g_scrolls.size() - 2].wParam), SB_THUMBPOSITION);
  EXPECT_EQ(HIWORD(g_scrolls[g_scrolls.size() - 2].wParam), slider.GetPos());
  EXPECT_EQ(LOWORD(g_scrolls.back().wParam), SB_ENDSCROLL);

  // Down on the thumb keeps the offset: no jump.
  RECT thumb;
  slider.GetThumbRect(&thumb);
  int before = slider.GetPos();
  SendMessageW(s, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(thumb.right - 1, (thumb.top + thumb.bottom) / 2));
  EXPECT_EQ(slider.GetPos(), before);
  SendMessageW(s, WM_LBUTTONUP, 0, MAKELPARAM(thumb.right - 1, (thumb.top + thumb.bottom) / 2));
}

TEST_F(Controls, VerticalSliderSendsVerticalScroll) {
  CSkinSliderandProgressctrl slider;
  ASSERT_TRUE(slider.Create(RECT{300, 20, 330, 220}, host_, 78, FALSE));
  slider.SetRange(0, 10);
  RECT channel;
  slider.GetChannelRect(&channel);
  int y = channel.top + (channel.bottom - channel.top) * 3 / 10;
  SendMessageW(slider.GetSafeHwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, y));
  SendMessageW(slider.GetSafeHwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(15, y));
  SendMessageW(slider.GetSafeHwnd(), WM_LBUTTONUP, 0, MAKELPARAM(15, y));
  EXPECT_EQ(slider.GetPos(), 3);
  ASSERT_FALSE(g_scrolls.empty());
  EXPECT_EQ(g_scrolls.back().msg, static_cast<UINT>(WM_VSCROLL));
}

TEST_F(Controls, TrackBarSkinKeepsTheControlInStep) {
  HWND t = Child(host_, TRACKBAR_CLASSW, TBS_HORZ, 10, 150, 200, 30);
  SendMessageW(t, TBM_SETRANGE, TRUE, MAKELPARAM(0, 50));
  SendMessageW(t, TBM_SETPOS, TRUE, 10);
  manager_->SubclassControl(t, L"s", false);
  EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), 10);
  SendMessageW(t, TBM_SETPOS, TRUE, 30);
  EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), 30);
  EXPECT_EQ(SendMessageW(t, TBM_GETRANGEMAX, 0, 0), 50);
  manager_->UnSubclassControl(t);
  EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), 30);  // the control itself followed
}

TEST_F(Controls, PushButtonDrawsEachStateAndStillClicks) {
  HWND b = Child(host_, L"Button", BS_PUSHBUTTON, 20, 20, 60, 24, L"");
  manager_->SubclassControl(b, L"btn.states", false);
  auto shown = [&]() {
    UpdateWindow(b);
    Pump(20);
    return ScreenPixel(b, 30, 12);
  };
  EXPECT_EQ(shown(), RGB(200, 0, 0));  // normal
  SendMessageW(b, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(shown(), RGB(0, 200, 0));  // hot
  SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(shown(), RGB(0, 0, 200));  // down
  SendMessageW(b, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(g_clicks, 1);              // the parent still hears the click
  SendMessageW(b, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(shown(), RGB(200, 200, 0));  // focus, taken by the click
  EnableWindow(b, FALSE);
  EXPECT_EQ(shown(), RGB(100, 100, 100));  // disabled
}

TEST_F(Controls, SkinRemovedFromInsideItsOwnClick) {
  for (bool destroy : {false, true}) {
    HWND b = Child(host_, L"Button", BS_PUSHBUTTON, 20, 20, 60, 24, L"go");
    HWND c = Child(host_, L"Button", BS_AUTOCHECKBOX, 20, 60, 120, 20, L"check");
    WNDPROC original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(b, GWLP_WNDPROC));
    manager_->SubclassControl(b, L"btn.states", false);
    manager_->SubclassControl(c, L"chk", false);
    for (HWND target : {b, c}) {
      g_unskinOnClick = target;
      g_destroyOnClick = destroy;
      g_unskinResult = -1;
      SendMessageW(target, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
      SendMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
      SendMessageW(target, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
      EXPECT_EQ(g_unskinResult, 1);
      EXPECT_EQ(manager_->GetSkinKind(target), VENEER_SKIN_NONE);
    }
    Pump(30);
    if (!destroy) {
      EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(b, GWLP_WNDPROC)), original);
      SendMessageW(b, WM_MOUSEMOVE, 0, MAKELPARAM(6, 6));  // plain button again
      DestroyWindow(b);
      DestroyWindow(c);
    } else {
      EXPECT_FALSE(IsWindow(b));
    }
  }
  EXPECT_EQ(manager_->GetSkinCount(), 0);
}

TEST_F(Controls, DestroyedWindowStillInTheMapDisturbsNothing) {
  HWND b = Child(host_, L"Button", BS_PUSHBUTTON);
  manager_->SubclassControl(b, L"", false);
  DestroyWindow(b);
  EXPECT_EQ(manager_->GetSkinCount(), 1);
  HWND e = Child(host_, L"Edit", WS_BORDER);
  manager_->SubclassControl(e, L"", false);
  manager_->SubclassControl(b, L"", false);  // no window any more: left alone
  EXPECT_EQ(manager_->GetSkinKind(e), VENEER_SKIN_EDIT);
  EXPECT_EQ(manager_->UnSubclassControl(e), 1);
}

TEST_F(Controls, CheckBoxShowsTheCheckedPictureAfterAClick) {
  HWND c = Child(host_, L"Button", BS_AUTOCHECKBOX, 20, 60, 120, 20, L"check");
  manager_->SubclassControl(c, L"chk", false);
  UpdateWindow(c);
  Pump(20);
  EXPECT_EQ(ScreenPixel(c, 7, 10), RGB(250, 240, 230));
  SendMessageW(c, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(c, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  Pump(20);
  EXPECT_EQ(SendMessageW(c, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(ScreenPixel(c, 7, 10), RGB(10, 90, 170));
  EXPECT_EQ(g_clicks, 1);
}

TEST_F(Controls, ComboButtonFollowsTheCursorThroughItsTimer) {
  HWND c = Child(host_, L"ComboBox", CBS_DROPDOWNLIST, 20, 100, 160, 200, L"");
  SendMessageW(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"one"));
  SendMessageW(c, CB_SETCURSEL, 0, 0);
  manager_->SubclassControl(c, L"cb", false);
  SetCursorPos(900, 700);
  UpdateWindow(c);
  Pump(50);
  COMBOBOXINFO cbi = {};
  cbi.cbSize = sizeof cbi;
  ASSERT_TRUE(GetComboBoxInfo(c, &cbi));
  int bx = (cbi.rcButton.left + cbi.rcButton.right) / 2, by = (cbi.rcButton.top + cbi.rcButton.bottom) / 2;
  EXPECT_EQ(ScreenPixel(c, bx, by), RGB(200, 0, 0));
  EXPECT_EQ(ScreenPixel(c, 0, 5), RGB(0, 128, 128));  // frame in the border colour
  POINT inside = {40, 8};
  ClientToScreen(c, &inside);
  SetCursorPos(inside.x, inside.y);
  SendMessageW(c, WM_MOUSEMOVE, 0, MAKELPARAM(40, 8));
  Pump(100);
  EXPECT_EQ(ScreenPixel(c, bx, by), RGB(0, 200, 0));  // hot while the cursor is inside
  SetCursorPos(900, 700);
  Pump(100);
  EXPECT_EQ(ScreenPixel(c, bx, by), RGB(200, 0, 0));  // and normal once it has left
}

TEST_F(Controls, ExportedResourceManagerThroughTheDll) {
  CSkinResourceManager* m = CSkinResourceManager::GetInstance();
  EXPECT_EQ(m->String2RGB(L"RGB(255,0,0)"), 0x0000FFu);
  EXPECT_EQ(m->String2RGB(L"RGB(1,2)"), 0x000201u);
  ASSERT_NE(m->GetSkinButtonInfo(L"btn.test80"), nullptr);
  EXPECT_EQ(m->GetSkinButtonInfo(L"btn.test80")->strBackNormal, L"b80.bmp");
  EXPECT_EQ(m->GetSkinTabCtrlInfo(L"btn.test80"), nullptr);
  EXPECT_EQ(m->GetDefaultListCtrlInfo()->nItemHeight, 27);
  std::wstring path = m->GetSkinPath();
  EXPECT_EQ(path, ExeFolder() + L"veneer_controls_test_skin");
}

}  // namespace

// A dialog with every skinned control kind, drawn from the built default skin package:
// checked at known pixels and kept as a screenshot.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "SkinResourceManager.h"
#include "VeneerManager.h"
#include "VeneerPackage.h"
#include "screenshot.h"
#include "test_skin.h"

namespace fs = std::filesystem;

using lookout::testing::Capture;
using lookout::testing::Grab;
using lookout::testing::SavePng;

namespace {

const int kWidth = 563;
const int kHeight = 426;
HBITMAP g_background = nullptr;
HFONT g_labelFont = nullptr;
HFONT g_titleFont = nullptr;

LRESULT CALLBACK DialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      HDC mem = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(mem, g_background);
      BitBlt(dc, 0, 0, kWidth, kHeight, mem, 0, 0, SRCCOPY);
      SelectObject(mem, old);
      DeleteDC(mem);
      return 1;
    }
    case WM_VENEER_PARENTBACKGROUND:
      return VeneerAnswerParentBackground(hWnd, wParam, g_background);
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetBkMode(dc, TRANSPARENT);
      bool title = GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == 900;
      SetTextColor(dc, title ? RGB(0x1E, 0x65, 0xCD) : RGB(0x33, 0x33, 0x33));
      return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    }
    default:
      return DefWindowProcW(hWnd, msg, wParam, lParam);
  }
}

bool Bluish(COLORREF c) { return GetBValue(c) > GetRValue(c) + 50 && GetBValue(c) > 150; }
bool Light(COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) > 200; }
bool LightBlue(COLORREF c) { return Light(c) && GetBValue(c) > GetRValue(c) + 10; }
const COLORREF kBorder = RGB(123, 158, 189);  // the edit border of the description

class Dialog : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    wchar_t name[32];
    swprintf(name, 32, L"vskn%X", GetCurrentProcessId());
    unpacked_ = fs::path(temp) / name / L"skins";
  }
  void TearDown() override {
    CVeneerManager::DestroyInstance();
    CSkinResourceManager::DestroyInstance();
    std::error_code ec;
    fs::remove_all(unpacked_.parent_path(), ec);
  }
  fs::path unpacked_;
};

HWND Make(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, int id,
          DWORD ex = 0) {
  HWND c = CreateWindowExW(ex, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(id == 900 ? g_titleFont : g_labelFont), FALSE);
  return c;
}

TEST_F(Dialog, EveryControlKindDrawnFromTheDefaultSkin) {
  // The program's way: unpack the installed package, install the description.
  veneer::UnpackResult r = veneer::UnpackPackageFile(fs::path(ExeFolder()) / L"ZOSkin" / L"rara_hard.vskn",
                                                     unpacked_, veneer::kSkinPackageKey);
  ASSERT_TRUE(r.complete) << r.stop;
  ASSERT_GT(r.files, 40u);
  CSkinResourceManager::GetInstance()->Install(L"default_skin", L"default.xml");
  ASSERT_NE(CSkinResourceManager::GetInstance()->GetSkinButtonInfo(L"btn.default"), nullptr);
  g_background = static_cast<HBITMAP>(LoadImageW(nullptr, (unpacked_ / L"images" / L"bg_common.bmp").wstring().c_str(),
                                                 IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  ASSERT_NE(g_background, nullptr);
  g_labelFont = CreateFontW(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, PROOF_QUALITY, FF_SWISS,
                            L"\u5B8B\u4F53");
  g_titleFont = CreateFontW(-18, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, PROOF_QUALITY, FF_SWISS,
                            L"\u5E7C\u5706");

  WNDCLASSW wc = {};
  wc.lpfnWndProc = DialogProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VeneerTestDialog";
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  RegisterClassW(&wc);
  HWND dlg = CreateWindowExW(WS_EX_TOPMOST, L"VeneerTestDialog", L"Veneer", WS_POPUP | WS_CLIPCHILDREN, 20, 20,
                             kWidth, kHeight, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(dlg, nullptr);

  Make(dlg, L"Static", L"\u63A7\u4EF6\u5916\u89C2\u9884\u89C8", 0, 44, 98, 240, 26, 900);  // 控件外观预览
  Make(dlg, L"Static", L"\u5E10\u53F7\uFF1A", 0, 44, 137, 56, 20, 901);                  // 帐号：
  HWND account = Make(dlg, L"Edit", L"13800138000", ES_AUTOHSCROLL, 100, 132, 180, 26, 101, WS_EX_CLIENTEDGE);
  Make(dlg, L"Static", L"\u5BC6\u7801\uFF1A", 0, 44, 171, 56, 20, 902);                  // 密码：
  HWND password = Make(dlg, L"Edit", L"secret", ES_PASSWORD | ES_AUTOHSCROLL, 100, 166, 180, 26, 102, WS_EX_CLIENTEDGE);
  Make(dlg, L"Static", L"\u7C7B\u578B\uFF1A", 0, 44, 205, 56, 20, 903);                  // 类型：
  HWND combo = Make(dlg, L"ComboBox", L"", CBS_DROPDOWNLIST | WS_VSCROLL, 100, 200, 180, 200, 103);
  SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"USB \u6444\u50CF\u5934"));  // USB 摄像头
  SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"\u7F51\u7EDC\u6444\u50CF\u5934"));
  SendMessageW(combo, CB_SETCURSEL, 0, 0);
  Make(dlg, L"Static", L"\u8FDB\u5EA6\uFF1A", 0, 44, 238, 56, 20, 904);                  // 进度：
  HWND progress = Make(dlg, PROGRESS_CLASSW, L"", 0, 100, 240, 180, 16, 104);
  SendMessageW(progress, PBM_SETRANGE32, 0, 100);
  SendMessageW(progress, PBM_SETPOS, 60, 0);
  Make(dlg, L"Static", L"\u97F3\u91CF\uFF1A", 0, 44, 272, 56, 20, 905);                  // 音量：
  HWND track = Make(dlg, TRACKBAR_CLASSW, L"", TBS_HORZ | TBS_NOTICKS, 100, 268, 180, 28, 105);
  SendMessageW(track, TBM_SETRANGE, FALSE, MAKELPARAM(0, 100));
  SendMessageW(track, TBM_SETPOS, TRUE, 35);
  HWND check1 = Make(dlg, L"Button", L"\u5F00\u673A\u81EA\u52A8\u542F\u52A8", BS_AUTOCHECKBOX, 44, 306, 130, 20, 106);
  HWND check2 = Make(dlg, L"Button", L"\u8BB0\u4F4F\u5BC6\u7801", BS_AUTOCHECKBOX, 180, 306, 110, 20, 107);
  SendMessageW(check1, BM_SETCHECK, BST_CHECKED, 0);
  HWND radio1 = Make(dlg, L"Button", L"\u9AD8\u6E05", BS_AUTORADIOBUTTON | WS_GROUP, 44, 332, 80, 20, 108);
  HWND radio2 = Make(dlg, L"Button", L"\u6807\u6E05", BS_AUTORADIOBUTTON, 130, 332, 80, 20, 109);
  SendMessageW(radio1, BM_SETCHECK, BST_CHECKED, 0);
  HWND ok = Make(dlg, L"Button", L"\u767B\u5F55", BS_DEFPUSHBUTTON, 44, 360, 90, 30, 110);        // 登录
  HWND cancel = Make(dlg, L"Button", L"\u53D6\u6D88", BS_PUSHBUTTON, 144, 360, 90, 30, 111);      // 取消
  HWND pngButton = Make(dlg, L"Button", L"\u6CE8\u518C\u5E76\u767B\u5F55", BS_PUSHBUTTON, 244, 358, 100, 30, 112);
  HWND group = Make(dlg, L"Button", L"\u8BBE\u5907\u5217\u8868", BS_GROUPBOX, 300, 98, 222, 192, 113);  // 设备列表
  HWND list = Make(dlg, WC_LISTVIEWW, L"", LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL, 310, 122, 202, 160, 114,
                   WS_EX_CLIENTEDGE);
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  const wchar_t* headers[] = {L"\u8BBE\u5907\u540D\u79F0", L"\u8BBE\u5907ID"};  // 设备名称, 设备ID
  for (int i = 0; i < 2; ++i) {
    LVCOLUMNW col = {};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.cx = i == 0 ? 96 : 84;
    col.pszText = const_cast<wchar_t*>(headers[i]);
    SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
  }
  const wchar_t* rows[][2] = {{L"USB2.0 Camera", L"7F3A-01"},   {L"HD Webcam", L"7F3A-02"},
                              {L"\u524D\u7F6E\u6444\u50CF\u5934", L"7F3A-03"}, {L"IP Camera 1", L"7F3A-04"},
                              {L"IP Camera 2", L"7F3A-05"},     {L"\u540E\u95E8\u76D1\u63A7", L"7F3A-06"},
                              {L"\u4ED3\u5E93", L"7F3A-07"},    {L"\u8F66\u5E93", L"7F3A-08"}};
  for (int i = 0; i < 8; ++i) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.pszText = const_cast<wchar_t*>(rows[i][0]);
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    item.iSubItem = 1;
    item.pszText = const_cast<wchar_t*>(rows[i][1]);
    SendMessageW(list, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
  }
  LVITEMW sel = {};
  sel.stateMask = LVIS_SELECTED;
  sel.state = LVIS_SELECTED;
  SendMessageW(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&sel));
  HWND notes = Make(dlg, L"Edit",
                    L"\u672C\u673A\u6444\u50CF\u5934\u5C06\u88AB\u865A\u62DF\u4E3A\u7F51\u7EDC\u6444\u50CF\u5934\u3002\r\n"
                    L"\u7ED1\u5B9A\u540E\u53EF\u5728\u5E73\u53F0\u4E0A\u968F\u65F6\u67E5\u770B\u3002\r\n"
                    L"line 3\r\nline 4\r\nline 5\r\nline 6",
                    ES_MULTILINE | WS_VSCROLL | ES_AUTOVSCROLL, 300, 300, 222, 58, 115, WS_EX_CLIENTEDGE);

  CVeneerManager* m = CVeneerManager::GetInstance();
  m->SubclassControl(account, L"edit.default", false);
  m->SubclassControl(password, L"", false);
  m->SubclassControl(combo, L"combo.default", false);
  m->SubclassControl(progress, L"progress.default", false);
  m->SubclassControl(track, L"slider.default", false);
  m->SubclassControl(check1, L"check.default", false);
  m->SubclassControl(check2, L"", false);
  m->SubclassControl(radio1, L"radio.default", false);
  m->SubclassControl(radio2, L"radio.default", false);
  m->SubclassControl(ok, L"btn.default", false);
  m->SubclassControl(cancel, L"btn.gray", false);
  m->SubclassControl(pngButton, L"btn.png", true);
  m->SubclassControl(group, L"group.default", false);
  m->SubclassControl(list, L"list.device", false);
  m->SubclassControl(notes, L"edit.default", false);
  EXPECT_EQ(m->GetSkinCount(), 15);

  SetCursorPos(1000, 760);
  ShowWindow(dlg, SW_SHOWNOACTIVATE);
  UpdateWindow(dlg);
  Pump(800);
  RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Pump(400);

  Capture shot = Grab(dlg);
  ASSERT_EQ(shot.w, kWidth);
  ASSERT_EQ(shot.h, kHeight);
  EXPECT_TRUE(SavePng(shot, lookout::testing::ArtifactDir() / L"veneer-dialog.png"));

  // The page background with its title band.
  EXPECT_TRUE(Bluish(shot.At(400, 10)));
  // Edits: a two-pixel frame, the outer pixel in the border colour, the inner one white.
  EXPECT_EQ(shot.At(100, 145), kBorder);
  EXPECT_EQ(shot.At(101, 145), RGB(255, 255, 255));
  EXPECT_EQ(shot.At(100, 179), kBorder);
  EXPECT_EQ(shot.At(300, 330), kBorder);
  // Combo box frame and drop button picture.
  EXPECT_EQ(shot.At(100, 210), kBorder);
  COMBOBOXINFO cbi = {};
  cbi.cbSize = sizeof cbi;
  ASSERT_TRUE(GetComboBoxInfo(combo, &cbi));
  COLORREF dropButton = shot.At(100 + cbi.rcButton.left + 2, 200 + cbi.rcButton.top + 2);
  EXPECT_TRUE(Light(dropButton) && dropButton != RGB(255, 255, 255)) << std::hex << dropButton;
  // Progress at 60 %: the active picture left of it, the channel right of it.
  EXPECT_TRUE(Bluish(shot.At(100 + 180 * 30 / 100, 248)));
  EXPECT_TRUE(Light(shot.At(100 + 180 * 85 / 100, 248)));
  // Track bar at 35: the thumb's white centre inside its blue ring.
  int thumbX = 100 + 8 + (180 - 16) * 35 / 100;
  EXPECT_TRUE(Light(shot.At(thumbX, 268 + 14)));
  EXPECT_TRUE(Bluish(shot.At(thumbX + 5, 268 + 14)));
  EXPECT_TRUE(Bluish(shot.At(thumbX - 40, 268 + 14)) == false);  // the plain channel, not filled
  // Check boxes: checked filled blue, unchecked white inside.
  EXPECT_TRUE(Bluish(shot.At(44 + 2, 306 + 2 + 7)));
  EXPECT_EQ(shot.At(180 + 2, 306 + 2 + 7), RGB(255, 255, 255));
  // Radio buttons: a blue dot in the chosen one only.
  EXPECT_TRUE(Bluish(shot.At(44 + 7, 332 + 2 + 7)));
  EXPECT_EQ(shot.At(130 + 7, 332 + 2 + 7), RGB(255, 255, 255));
  // Push buttons: the blue default skin, the grey variant, and the PNG variant at its picture size.
  EXPECT_TRUE(Bluish(shot.At(44 + 5, 375)));
  EXPECT_TRUE(Light(shot.At(144 + 5, 375)));
  RECT pr;
  GetWindowRect(pngButton, &pr);
  EXPECT_EQ(pr.right - pr.left, 120);
  EXPECT_EQ(pr.bottom - pr.top, 34);
  EXPECT_TRUE(Bluish(shot.At(244 + 8, 358 + 17)));
  // Group box: a one-pixel frame in its colour.
  EXPECT_EQ(shot.At(300, 200), kBorder);
  // List: one-pixel border, skinned header, alternating rows and the selected row picture.
  EXPECT_EQ(shot.At(310, 200), kBorder);
  EXPECT_TRUE(Light(shot.At(313, 123 + 12)));
  int rowTop = 123 + 24;
  // (a pixel above the text of each row, inside the row picture's frame)
  EXPECT_EQ(shot.At(318, rowTop + 3), RGB(255, 255, 255));              // row 0
  EXPECT_TRUE(LightBlue(shot.At(318, rowTop + 22 + 3)));               // row 1, selected
  EXPECT_EQ(shot.At(318, rowTop + 44 + 3), RGB(255, 255, 255));         // row 2
  EXPECT_EQ(shot.At(318, rowTop + 66 + 3), RGB(0xF5, 0xF8, 0xFC));      // row 3
  // Skinned scroll bars of the list and the notes.
  for (HWND scrolled : {list, notes}) {
    SCROLLBARINFO sbi = {};
    sbi.cbSize = sizeof sbi;
    ASSERT_TRUE(GetScrollBarInfo(scrolled, OBJID_VSCROLL, &sbi));
    RECT wr;
    GetWindowRect(dlg, &wr);
    EXPECT_EQ(shot.At(sbi.rcScrollBar.left - wr.left + 1, sbi.rcScrollBar.top - wr.top + 1), RGB(0xE8, 0xED, 0xF3));
  }

  DestroyWindow(dlg);
  DeleteObject(g_background);
  DeleteObject(g_labelFont);
  DeleteObject(g_titleFont);
}

}  // namespace

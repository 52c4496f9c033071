// The program's timed message box on a real window: texts, icon, buttons and their places,
// the results of each way of closing it, and a screenshot.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "message_box.h"
#include "resource.h"
#include "screenshot.h"
#include "window_finder.h"

using namespace lookout;
using namespace lookout::test;

namespace {

const std::wstring kCaption = L"警示器虚拟终端";

// Shows the box on this thread while `drive` works on it from another thread.
int ShowWhile(const std::wstring& text, UINT style, int ms, const std::function<void(HWND)>& drive) {
  std::thread driver([&] {
    HWND box = WaitForWindow(GetCurrentProcessId(), kCaption, 10000);
    ASSERT_NE(box, nullptr);
    drive(box);
  });
  int result = ShowTimedMessage(text, style, ms);
  driver.join();
  return result;
}

bool g_closed;
bool g_openWhenClosed;
void CALLBACK CloseAllLater(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_openWhenClosed = !WindowsOf(GetCurrentProcessId(), kCaption).empty();
  CMessageBox::CloseAll();
  g_closed = true;
}

HICON IconOf(HWND box) {
  return reinterpret_cast<HICON>(SendDlgItemMessageW(box, IDC_MSG_ICON, STM_GETICON, 0, 0));
}

}  // namespace

TEST(TimedMessage, QuestionWithYesAndNo) {
  RECT b1{}, b2{}, client{};
  std::wstring yes, no, text;
  HICON icon = nullptr;
  int result = ShowWhile(L"~温馨提示~  您确定关闭 [澄望警示器] 吗？", MB_YESNO | MB_ICONINFORMATION | MB_SYSTEMMODAL,
                         60000, [&](HWND box) {
                           text = WindowText(GetDlgItem(box, IDC_MSG_TEXT));
                           yes = WindowText(GetDlgItem(box, IDOK));
                           no = WindowText(GetDlgItem(box, IDCANCEL));
                           b1 = RectInParent(GetDlgItem(box, IDOK));
                           b2 = RectInParent(GetDlgItem(box, IDCANCEL));
                           GetClientRect(box, &client);
                           icon = IconOf(box);
                           EXPECT_TRUE(GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
                           EXPECT_TRUE(lookout::testing::SavePng(lookout::testing::Grab(box), lookout::testing::ArtifactDir() / L"lookout-question.png"));
                           PressButton(box, IDOK);
                         });
  EXPECT_EQ(result, IDYES);
  EXPECT_EQ(text, L"~温馨提示~  您确定关闭 [澄望警示器] 吗？");
  EXPECT_EQ(yes, L"是");
  EXPECT_EQ(no, L"否");
  int centre = client.right / 2;
  EXPECT_EQ(b1.right, centre - 30);
  EXPECT_EQ(b2.left, centre + 30);
  EXPECT_EQ(icon, LoadIconW(nullptr, MAKEINTRESOURCEW(32516)));

  EXPECT_EQ(ShowWhile(L"no?", MB_YESNO, 60000, [](HWND box) { PressButton(box, IDCANCEL); }), IDNO);
  // The timer closes it as if cancelled: no. (Nobody presses anything here.)
  EXPECT_EQ(ShowTimedMessage(L"closes itself", MB_YESNO | MB_ICONINFORMATION, 200), IDNO);
}

TEST(TimedMessage, PlainMessageGetsTheExclamationIcon) {
  RECT b1{}, client{};
  bool secondShown = true;
  HICON icon = nullptr;
  std::wstring ok;
  int result = ShowWhile(L"手机号不能为空", 0, 60000, [&](HWND box) {
    b1 = RectInParent(GetDlgItem(box, IDOK));
    GetClientRect(box, &client);
    secondShown = IsWindowVisible(GetDlgItem(box, IDCANCEL));
    icon = IconOf(box);
    ok = WindowText(GetDlgItem(box, IDOK));
    PressButton(box, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_FALSE(secondShown);
  EXPECT_EQ(icon, LoadIconW(nullptr, MAKEINTRESOURCEW(32515)));
  EXPECT_LE(std::abs((b1.left + b1.right) / 2 - client.right / 2), 1);
  EXPECT_EQ(ok, L"确定");
  EXPECT_EQ(ShowTimedMessage(L"gone by itself", 0, 200), IDCANCEL);

  // A question icon is kept; OK/Cancel shows both buttons with their own texts.
  std::wstring cancel;
  result = ShowWhile(L"?", MB_OKCANCEL | MB_ICONQUESTION, 60000, [&](HWND box) {
    icon = IconOf(box);
    cancel = WindowText(GetDlgItem(box, IDCANCEL));
    secondShown = IsWindowVisible(GetDlgItem(box, IDCANCEL));
    PressButton(box, IDCANCEL);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(icon, LoadIconW(nullptr, MAKEINTRESOURCEW(32514)));
  EXPECT_TRUE(secondShown);
  EXPECT_EQ(cancel, L"取消");
}

TEST(TimedMessage, StyleRules) {
  EXPECT_EQ(CMessageBox::EffectiveStyle(0), 0x30u);
  EXPECT_EQ(CMessageBox::EffectiveStyle(MB_YESNO), 0x34u);
  EXPECT_EQ(CMessageBox::EffectiveStyle(MB_YESNOCANCEL), 0x33u);
  EXPECT_EQ(CMessageBox::EffectiveStyle(MB_RETRYCANCEL), 0x05u);
  EXPECT_EQ(CMessageBox::EffectiveStyle(MB_YESNO | MB_ICONINFORMATION | MB_SYSTEMMODAL), 0x1044u);
}

TEST(TimedMessage, LongTextWidensTheBoxTo500) {
  std::wstring text;
  for (int i = 0; i < 12; ++i) text += L"打开主页失败！系统未安装浏览器，或未设置缺省的浏览器！！";
  RECT window{}, field{};
  std::wstring shown;
  ShowWhile(text, 0, 60000, [&](HWND box) {
    GetWindowRect(box, &window);
    field = RectInParent(GetDlgItem(box, IDC_MSG_TEXT));
    shown = WindowText(GetDlgItem(box, IDC_MSG_TEXT));
    PressButton(box, IDOK);
  });
  EXPECT_EQ(window.right - window.left, 500);
  EXPECT_EQ(shown, text);
  EXPECT_GT(field.bottom - field.top, 60);

  // A short text keeps the box narrow.
  ShowWhile(L"短", 0, 60000, [&](HWND box) {
    GetWindowRect(box, &window);
    PressButton(box, IDOK);
  });
  EXPECT_LT(window.right - window.left, 500);
}

TEST(TimedMessage, CloseAllEndsOpenBoxesAsCancelled) {
  // CloseAll runs on the box's thread, as the main window's stop message does.
  g_closed = g_openWhenClosed = false;
  UINT_PTR timer = SetTimer(nullptr, 0, 100, CloseAllLater);
  int result = ShowTimedMessage(L"a stop arrives", MB_YESNO | MB_ICONINFORMATION, 60000);
  KillTimer(nullptr, timer);
  EXPECT_TRUE(g_openWhenClosed);
  EXPECT_TRUE(g_closed);
  EXPECT_EQ(result, IDNO);
}

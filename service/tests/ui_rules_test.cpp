// The window-free rules of the tray menu, the pages, the message box and the camera-in-use
// prompt.
#include <gtest/gtest.h>

#include "message_layout.h"
#include "page_flow.h"
#include "tray_menu_model.h"
#include "use_watcher.h"

using namespace lookout;

TEST(TrayMenu, StateHandlers) {
  TrayMenuState s;
  s.lastInline = 2;
  s.selectedCommand = 131;
  s.ipCameraInUse = {false, true};
  EXPECT_TRUE(TrayItemLook(cmd::kStartService, s).enabled);
  EXPECT_FALSE(TrayItemLook(cmd::kStopService, s).enabled);
  s.published = true;
  EXPECT_FALSE(TrayItemLook(cmd::kStartService, s).enabled);
  EXPECT_TRUE(TrayItemLook(cmd::kStopService, s).enabled);

  MenuItemLook camera = TrayItemLook(131, s);
  EXPECT_TRUE(camera.handled && camera.radio && camera.checked);
  EXPECT_FALSE(TrayItemLook(130, s).checked);
  EXPECT_FALSE(TrayItemLook(132, s).handled);  // beyond LastInline
  EXPECT_TRUE(TrayItemLook(151, s).checked);
  EXPECT_FALSE(TrayItemLook(150, s).checked);
  EXPECT_FALSE(TrayItemLook(160, s).checked);  // no such camera
  EXPECT_TRUE(TrayItemLook(160, s).handled);
  // Items without a handler keep their resource state.
  for (int c : {cmd::kIntroduction, cmd::kPlatformLogin, cmd::kAbout, cmd::kExit, 149, 166})
    EXPECT_FALSE(TrayItemLook(c, s).handled) << c;
}

TEST(TrayMenu, IpCameraItemsAreCommands150To165) {
  std::vector<IpCameraName> names;
  for (int i = 0; i < 20; ++i) names.push_back({L"cam" + std::to_wstring(i), L"10.0.0." + std::to_wstring(i)});
  names[1].name.clear();
  std::vector<CameraMenuItem> items = IpCameraItems(names);
  ASSERT_EQ(items.size(), 16u);
  EXPECT_EQ(items.front().command, 150);
  EXPECT_EQ(items.front().text, L"cam0 (10.0.0.0)");
  EXPECT_EQ(items[1].text, L"10.0.0.1");
  EXPECT_EQ(items.back().command, 165);
}

TEST(Pages, SwitchingKeepsTheIndexUnderTheLoadPage) {
  PageFlow flow;
  EXPECT_EQ(flow.Shown(), PageId::Load);
  EXPECT_EQ(flow.PageIndex(), 0);
  EXPECT_EQ(flow.OnCheckPassed(), PageId::Login);
  EXPECT_EQ(flow.OnRegisterLink(), PageId::Register);
  EXPECT_EQ(flow.PageIndex(), 2);
  EXPECT_EQ(flow.OnLoginLink(), PageId::Login);
  EXPECT_EQ(flow.OnSignedIn(), PageId::Bind);
  EXPECT_EQ(flow.PageIndex(), 4);
  EXPECT_EQ(flow.OnCameraInUse(), PageId::Load);
  EXPECT_EQ(flow.PageIndex(), 4);  // the load page is shown over the bind page
  EXPECT_EQ(flow.Shown(), PageId::Load);
  EXPECT_EQ(flow.OnBound(), PageId::Experience);
  EXPECT_EQ(flow.PageIndex(), 5);
}

TEST(Pages, StartupCheckLines) {
  EXPECT_EQ(StartupCheckBits(false, 1), 0);
  EXPECT_TRUE(StartupCheckLines(0).empty());
  EXPECT_EQ(StartupCheckBits(true, 1), 1);
  EXPECT_EQ(StartupCheckBits(false, 0), 2);
  EXPECT_EQ(StartupCheckLines(1), (std::vector<std::wstring>{L"检测结果:", L" 检测到连接警示器服务器失败"}));
  EXPECT_EQ(StartupCheckLines(2),
            (std::vector<std::wstring>{L"检测结果:", L" 检测到系统没有安装摄像头, 或摄像头驱动安装失败"}));
  EXPECT_EQ(StartupCheckLines(3).size(), 3u);
  EXPECT_EQ(CameraInUseText(L"qq.exe"), L"关闭该程序, 然后再启动警示器 使用程序: qq.exe");
  EXPECT_EQ(VersionText(L"1.0.0.324"), L"当前版本: 1.0.0.324");
}

TEST(Pages, CountdownFromSixty) {
  Countdown c;
  EXPECT_FALSE(c.Running());
  c.Start();
  EXPECT_EQ(c.Left(), 60);
  int ticks = 1;
  while (c.Tick()) ++ticks;
  EXPECT_EQ(ticks, 60);
  EXPECT_EQ(c.Left(), 0);
  EXPECT_FALSE(c.Tick());
  EXPECT_EQ(WaitText(59), L"倒计时: 59秒");
  EXPECT_EQ(SecondsText(7), L"7秒");
}

TEST(MessageBoxRules, StyleIconAndResult) {
  EXPECT_EQ(EffectiveMessageStyle(0), 0x30u);
  EXPECT_EQ(EffectiveMessageStyle(mb::kOkCancel), 0x31u);
  EXPECT_EQ(EffectiveMessageStyle(mb::kYesNoCancel), 0x33u);
  EXPECT_EQ(EffectiveMessageStyle(mb::kYesNo), 0x34u);
  EXPECT_EQ(EffectiveMessageStyle(mb::kAbortRetryIgnore), 0x02u);
  EXPECT_EQ(EffectiveMessageStyle(mb::kRetryCancel), 0x05u);
  EXPECT_EQ(EffectiveMessageStyle(0x1044), 0x1044u);
  EXPECT_EQ(EffectiveMessageStyle(0x24), 0x24u);
  EXPECT_EQ(MessageIconOf(0x30), MessageIcon::Exclamation);
  EXPECT_EQ(MessageIconOf(0x24), MessageIcon::Question);
  EXPECT_EQ(MessageIconOf(0x44), MessageIcon::Information);
  EXPECT_EQ(MessageIconOf(0x10), MessageIcon::Information);
  EXPECT_EQ(MessageIconOf(0x05), MessageIcon::Information);

  EXPECT_EQ(MessageResult(0x1044, kResultOk), 6);
  EXPECT_EQ(MessageResult(0x1044, kResultCancel), 7);
  EXPECT_EQ(MessageResult(mb::kYesNo, 0), 7);
  EXPECT_EQ(MessageResult(mb::kOkCancel, kResultCancel), kResultCancel);
  EXPECT_EQ(MessageResult(0, kResultOk), kResultOk);
}

TEST(MessageBoxRules, ButtonsOneOrTwoAroundTheCentre) {
  MessageButtons two = PlaceMessageButtons(mb::kYesNo, 301, 75);
  EXPECT_TRUE(two.second);
  EXPECT_EQ(two.left1 + 75, 150 - 30);
  EXPECT_EQ(two.left2, 150 + 30);
  EXPECT_TRUE(PlaceMessageButtons(mb::kOkCancel, 300, 75).second);
  for (unsigned style : {mb::kOk, mb::kYesNoCancel, mb::kAbortRetryIgnore, mb::kRetryCancel}) {
    MessageButtons one = PlaceMessageButtons(style, 300, 76);
    EXPECT_FALSE(one.second) << style;
    EXPECT_EQ(one.left1, 150 - 38);
  }
  EXPECT_TRUE(MessageUsesYesNo(0x1044));
  EXPECT_FALSE(MessageUsesYesNo(mb::kOkCancel));
}

TEST(MessageBoxRules, TextFitting) {
  // Short text: the field and the window keep their size.
  auto shortText = [](int) { return 16; };
  MessageTextLayout l = FitMessageText(225, 36, 300, 140, shortText);
  EXPECT_EQ(l.fieldWidth, 225);
  EXPECT_EQ(l.fieldHeight, 36);
  EXPECT_EQ(l.windowWidth, 300);
  EXPECT_EQ(l.windowHeight, 140);

  // Too tall: widened so that the window is 500 wide, then measured again and grown.
  std::vector<int> widths;
  auto longText = [&](int w) {
    widths.push_back(w);
    return 12000 / w;
  };
  l = FitMessageText(225, 36, 300, 140, longText);
  EXPECT_EQ(widths, (std::vector<int>{225, 425}));
  EXPECT_EQ(l.windowWidth, 500);
  EXPECT_EQ(l.fieldWidth, 425);
  EXPECT_EQ(l.fieldHeight, 36);  // 28 lines of pixels fit in 36 once widened
  EXPECT_EQ(l.windowHeight, 140);

  auto veryLong = [](int w) { return 60000 / w; };
  l = FitMessageText(225, 36, 300, 140, veryLong);
  EXPECT_EQ(l.windowWidth, 500);
  EXPECT_EQ(l.fieldHeight, 60000 / 425);
  EXPECT_EQ(l.windowHeight, 140 + 60000 / 425 - 36);

  // A window already 500 wide only grows in height.
  l = FitMessageText(425, 36, 500, 140, veryLong);
  EXPECT_EQ(l.windowWidth, 500);
}

TEST(UsePrompt, OwnNameIsTheFirstThirteenBytes) {
  EXPECT_TRUE(IsOwnProgramName("Lookout"));
  EXPECT_FALSE(IsOwnProgramName("Lookout.exe"));
  EXPECT_FALSE(IsOwnProgramName("lookout"));
  EXPECT_FALSE(IsOwnProgramName(""));
  EXPECT_TRUE(IsOwnProgramName("0123456789abcXYZ", "0123456789abcdef"));
  EXPECT_FALSE(IsOwnProgramName("0123456789abXYZ", "0123456789abcdef"));
  EXPECT_FALSE(IsOwnProgramName("Look", "Lookout"));

  char buffer[8] = {'q', 'q', '.', 'e', 'x', 'e', 0, 'z'};
  EXPECT_EQ(NameFromDriver(buffer, 7, sizeof buffer), "qq.exe");
  EXPECT_EQ(NameFromDriver(buffer, 3, sizeof buffer), "qq.");
  char full[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(NameFromDriver(full, 100, sizeof full), "abcd");  // never past the buffer
}

TEST(UsePrompt, AskAndInformRules) {
  EXPECT_TRUE(UsePromptRules::ShouldAsk(7, "qq.exe"));
  EXPECT_FALSE(UsePromptRules::ShouldAsk(0, "qq.exe"));
  EXPECT_FALSE(UsePromptRules::ShouldAsk(8, "Lookout"));

  UsePromptRules rules;
  UsePromptRules::Inform i = rules.OnUsing(7, "qq.exe");
  EXPECT_TRUE(i.show);
  EXPECT_TRUE(i.newName);
  EXPECT_EQ(rules.LastName(), "qq.exe");
  i = rules.OnUsing(7, "qq.exe");
  EXPECT_TRUE(i.show);
  EXPECT_FALSE(i.newName);
  i = rules.OnUsing(8, "Lookout");
  EXPECT_FALSE(i.show);
  i = rules.OnUsing(0, "");
  EXPECT_FALSE(i.show);
  i = rules.OnUsing(9, "skype.exe");
  EXPECT_TRUE(i.newName);
  EXPECT_EQ(rules.LastName(), "skype.exe");

  PromptPlace p = PromptPosition(0, 0, 1024, 738);
  EXPECT_EQ(p.left, 1024 - 420);
  EXPECT_EQ(p.top, 738 - 132);
}

// The command line and its help text.
#include <gtest/gtest.h>

#include "command_line.h"
#include "usage_text.h"

namespace drvtool {
namespace {

TEST(CommandLine, InstallWithFileStartAndStop) {
  CommandLine cl = ParseCommandLine(
      L"/INSTALL KvUsbCameraFilter 3 /File C:\\drv\\KvUsbCameraFilter.sys /start KvUsbCameraFilter /Stop Other");
  EXPECT_FALSE(cl.showUsage);
  EXPECT_TRUE(cl.install);
  EXPECT_EQ(cl.installName, L"KvUsbCameraFilter");
  EXPECT_EQ(cl.startType, 3u);
  EXPECT_TRUE(cl.haveFile);
  EXPECT_EQ(cl.file, L"C:\\drv\\KvUsbCameraFilter.sys");
  EXPECT_TRUE(cl.start);
  EXPECT_EQ(cl.startName, L"KvUsbCameraFilter");
  EXPECT_TRUE(cl.stop);
  EXPECT_EQ(cl.stopName, L"Other");
  EXPECT_TRUE(cl.HasAction());
}

TEST(CommandLine, NoOptionsAndUnknownOptionsAreNoAction) {
  for (const wchar_t* args : {L"", L"   ", L"hello world", L"/pwd secret", L"/installer x 1 /x"}) {
    CommandLine cl = ParseCommandLine(args);
    EXPECT_FALSE(cl.showUsage) << args;
    EXPECT_FALSE(cl.HasAction()) << args;
  }
  // An ignored option does not hide the ones after it.
  CommandLine cl = ParseCommandLine(L"/pwd secret /stop KvUsbCameraFilter");
  EXPECT_TRUE(cl.stop);
  EXPECT_EQ(cl.stopName, L"KvUsbCameraFilter");
}

TEST(CommandLine, CasesThatShowTheUsage) {
  const wchar_t* cases[] = {
      L"/install KvUsbCameraFilter 2",              // no space after the level
      L"/install KvUsbCameraFilter 5 /file x.sys",  // level above 4
      L"/stop",                                     // no name
      L"/stop ",                                    // empty name
      L"/start  KvUsbCameraFilter",                 // empty word before the name
      L"/stop /start KvUsbCameraFilter",            // value is an option
      L"/file",
      L"/install KvUsbCameraFilter",                // no level
      L"/install KvUsbCameraFilter  /file x.sys",   // empty level
      // Mended: a level that is not a number used to install with boot start.
      L"/install KvUsbCameraFilter x /file x.sys",
      L"/install KvUsbCameraFilter -1 /file x.sys",
      L"/install KvUsbCameraFilter 0x1 /file x.sys",
      L"/install KvUsbCameraFilter 99999999999999999999 /file x.sys",
      L"/file \"C:\\unclosed /start A",
  };
  for (const wchar_t* args : cases) {
    CommandLine cl = ParseCommandLine(args);
    EXPECT_TRUE(cl.showUsage) << args;
    EXPECT_FALSE(cl.helpAsked) << args;
  }
  CommandLine help = ParseCommandLine(L"/start KvUsbCameraFilter /?");
  EXPECT_TRUE(help.showUsage);
  EXPECT_TRUE(help.helpAsked);
}

TEST(CommandLine, LevelsZeroToFour) {
  for (uint32_t level = 0; level <= 4; ++level) {
    CommandLine cl = ParseCommandLine(L"/install A " + std::to_wstring(level) + L" /file a.sys");
    ASSERT_FALSE(cl.showUsage);
    EXPECT_EQ(cl.startType, level);
  }
  EXPECT_EQ(ParseCommandLine(L"/install A 04 /file a.sys").startType, 4u);
}

TEST(CommandLine, ServiceNameLimits) {
  // Mended: names the service control manager refuses (and that overran fixed buffers).
  std::wstring longest(kMaxServiceName, L'n');
  EXPECT_FALSE(ParseCommandLine(L"/start " + longest).showUsage);
  EXPECT_TRUE(ParseCommandLine(L"/start " + longest + L"n").showUsage);
  EXPECT_TRUE(ParseCommandLine(L"/install " + longest + L"n 1 /file a.sys").showUsage);
  EXPECT_TRUE(ParseCommandLine(L"/stop a\\b").showUsage);
  EXPECT_TRUE(ParseCommandLine(L"/stop a/b").showUsage);
  EXPECT_TRUE(IsValidServiceName(L"KvUsbCameraFilter"));
  EXPECT_FALSE(IsValidServiceName(L""));
}

TEST(CommandLine, QuotedFilePathKeepsSpaces) {
  CommandLine cl = ParseCommandLine(L"/install A 1 /file \"C:\\Program Files\\a.sys\" /start A");
  ASSERT_FALSE(cl.showUsage);
  EXPECT_EQ(cl.file, L"C:\\Program Files\\a.sys");
  EXPECT_TRUE(cl.start);
}

TEST(CommandLine, RandomTextNeverBreaksTheParser) {
  const wchar_t alphabet[] = L"/ ?\"ab01459installfiestopINSTALL\\";
  uint32_t seed = 12345;
  for (int round = 0; round < 20000; ++round) {
    std::wstring text;
    size_t n = (seed >> 8) % 40;
    for (size_t i = 0; i < n; ++i) {
      seed = seed * 1103515245 + 12345;
      text.push_back(alphabet[(seed >> 16) % (sizeof alphabet / sizeof alphabet[0] - 1)]);
    }
    seed = seed * 1103515245 + 12345;
    CommandLine cl = ParseCommandLine(text);
    if (cl.install) {
      EXPECT_LE(cl.startType, 4u);
      EXPECT_TRUE(IsValidServiceName(cl.installName));
    }
    if (cl.start) {
      EXPECT_TRUE(IsValidServiceName(cl.startName));
    }
  }
}

TEST(UsageText, LinesInOrder) {
  const std::wstring expected =
      L"Usage: \n  options:\n"
      L"  /install [severname] [Level:0 ~ 4] - install server\uFF0Cmust use [/file] to set file path.\n"
      L"  /file [filename]     - the server file path whitch to install.\n"
      L"  /start [severname]   - start server.\n"
      L"  /stop [severname]    - stop server.\n";
  EXPECT_EQ(UsageText(false), expected + L"  /?                   - this help screen\n");
  EXPECT_EQ(UsageText(true),
            expected + L"  /pwd [password]      - password.\n  /?                   - this help screen\n");
  EXPECT_EQ(std::wstring(kUsageTitle), L"\u547D\u4EE4\u884C\u5E2E\u52A9");
}

}  // namespace
}  // namespace drvtool

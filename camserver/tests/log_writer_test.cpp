#include "log_writer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace lantern {
namespace {

// A file with a write position, so that wrapping shows where text lands.
class FakeOutputs : public LogOutputs {
 public:
  void ToDebugger(const char* text, size_t size) override {
    EXPECT_EQ(text[size], '\0');
    debugger.emplace_back(text, size);
  }
  void ToConsole(const char* text, size_t size) override { console.emplace_back(text, size); }
  size_t ToFile(const char* text, size_t size) override {
    EXPECT_EQ(text[size], '\0');
    // Two writers inside at once would interleave their text in a real file.
    if (inside.fetch_add(1) != 0) ++overlaps;
    std::this_thread::yield();
    inside.fetch_sub(1);
    if (file.size() < position + size) file.resize(position + size);
    file.replace(position, size, text, size);
    position += size;
    pieces.emplace_back(text, size);
    return size;
  }
  void SeekFileStart() override {
    position = 0;
    ++seeks;
  }

  std::vector<std::string> debugger;
  std::vector<std::string> console;
  std::vector<std::string> pieces;
  std::string file;
  size_t position = 0;
  int seeks = 0;
  std::atomic<int> inside{0};
  std::atomic<int> overlaps{0};
};

class LogWriterTest : public ::testing::Test {
 protected:
  std::unique_ptr<LogWriter> MakeWriter(unsigned flags, uint32_t limit = kLogSizeLimit) {
    auto writer = std::make_unique<LogWriter>(&out_, [this] { return now_.load(); }, limit);
    writer->SetFlags(flags);
    return writer;
  }
  std::string Stamp() const { return LocalLogStamp(now_.load()) + "\r\n"; }

  FakeOutputs out_;
  std::atomic<std::time_t> now_{1400000000};
};

// --- stamp and path text -------------------------------------------------------------

TEST(LogStamp, HasTheCalendarTextForm) {
  std::tm t{};
  t.tm_year = 2014 - 1900;
  t.tm_mon = 2;
  t.tm_mday = 5;
  t.tm_wday = 3;
  t.tm_hour = 9;
  t.tm_min = 7;
  t.tm_sec = 2;
  EXPECT_EQ(FormatLogStamp(t), "Wed Mar  5 09:07:02 2014");
  t.tm_mday = 25;
  t.tm_mon = 11;
  t.tm_wday = 4;
  EXPECT_EQ(FormatLogStamp(t), "Thu Dec 25 09:07:02 2014");
}

TEST(LogStamp, IsCutTo24Characters) {
  std::tm t{};
  t.tm_year = 12000 - 1900;
  t.tm_mday = 1;
  EXPECT_EQ(FormatLogStamp(t).size(), kLogStampLength);
  EXPECT_EQ(LocalLogStamp(1400000000).size(), kLogStampLength);
}

TEST(LogPath, IsBesideTheHostProgram) {
  EXPECT_EQ(LogFilePath("C:\\Program Files\\Cam\\Lookout.exe", "C:\\Windows\\Lantern.dll"),
            "C:\\Program Files\\Cam\\log\\Lantern.txt");
  EXPECT_EQ(LogFilePath("C:\\app\\host.exe", "Lantern.dll"), "C:\\app\\log\\Lantern.txt");
  EXPECT_EQ(LogFilePath("C:\\app\\host.exe", "lib.v2.dll"), "C:\\app\\log\\lib.v2.txt");
  EXPECT_EQ(LogFilePath("C:\\app\\host.exe", "D:noext"), "C:\\app\\log\\noext.txt");
  EXPECT_EQ(LogFilePath("Z:/tmp/host.exe", "Z:/tmp/x.dll"), "Z:/tmp/log\\x.txt");
  // Without a directory, the separator is added.
  EXPECT_EQ(LogFilePath("C:host.exe", "a.dll"), "C:\\log\\a.txt");
}

// --- stamps ------------------------------------------------------------------------------

TEST_F(LogWriterTest, TwoMessagesInOneSecondHaveOneStamp) {
  auto log = MakeWriter(kLogFile);
  log->Write("first %d\n", 1);
  log->Write("second\n");
  EXPECT_EQ(out_.file, Stamp() + "first 1\r\nsecond\r\n");
}

TEST_F(LogWriterTest, ANewSecondGetsANewStamp) {
  auto log = MakeWriter(kLogFile);
  log->Write("a\n");
  const std::string first = Stamp();
  now_ += 1;
  log->Write("b\n");
  EXPECT_EQ(out_.file, first + "a\r\n" + Stamp() + "b\r\n");
  ASSERT_NE(first, Stamp());
}

// --- length and line ending -------------------------------------------------------------

TEST_F(LogWriterTest, LongMessageIsCutWithoutLineEnding) {
  auto log = MakeWriter(kLogFile);
  const std::string text(1500, 'x');
  log->Write("%s\n", text.c_str());
  ASSERT_EQ(out_.pieces.size(), 2u);
  EXPECT_EQ(out_.pieces[1], std::string(1022, 'x'));
}

TEST_F(LogWriterTest, MessageCutRightAfterALineFeedGetsNoLineEnding) {
  auto log = MakeWriter(kLogFile);
  // 1021 characters and '\n' at position 1022, then more: the cut keeps the bare '\n'.
  const std::string text = std::string(1021, 'y') + "\nmore";
  log->Write("%s", text.c_str());
  ASSERT_EQ(out_.pieces.size(), 2u);
  EXPECT_EQ(out_.pieces[1], std::string(1021, 'y') + "\n");
}

TEST_F(LogWriterTest, FullLengthMessageEndingInLineFeedFitsItsLineEnding) {
  auto log = MakeWriter(kLogFile);
  const std::string text(1021, 'z');
  log->Write("%s\n", text.c_str());  // exactly 1022 characters, not cut
  ASSERT_EQ(out_.pieces.size(), 2u);
  EXPECT_EQ(out_.pieces[1], text + "\r\n");
}

TEST_F(LogWriterTest, LineFeedBecomesCarriageReturnLineFeed) {
  auto log = MakeWriter(kLogFile);
  log->Write("abc\n");
  log->Write("abc\r\n");
  log->Write("no end");
  log->Write("\n");
  ASSERT_EQ(out_.pieces.size(), 5u);
  EXPECT_EQ(out_.pieces[1], "abc\r\n");
  EXPECT_EQ(out_.pieces[2], "abc\r\r\n");
  EXPECT_EQ(out_.pieces[3], "no end");
  EXPECT_EQ(out_.pieces[4], "\r\n");
}

TEST_F(LogWriterTest, EmptyMessageWritesNothing) {
  auto log = MakeWriter(kLogFile);
  log->Write("%s", "");
  ASSERT_EQ(out_.pieces.size(), 1u);  // the stamp only
}

// --- outputs ------------------------------------------------------------------------------

TEST_F(LogWriterTest, EachEnabledOutputGetsEveryPiece) {
  auto log = MakeWriter(kLogDebugger | kLogConsole | kLogFile);
  log->Write("hello\n");
  const std::vector<std::string> expected = {Stamp(), "hello\r\n"};
  EXPECT_EQ(out_.debugger, expected);
  EXPECT_EQ(out_.console, expected);
  EXPECT_EQ(out_.pieces, expected);
}

TEST_F(LogWriterTest, DisabledOutputsGetNothing) {
  auto log = MakeWriter(kLogDebugger);
  log->Write("only the debugger\n");
  EXPECT_EQ(out_.debugger.size(), 2u);
  EXPECT_TRUE(out_.console.empty());
  EXPECT_TRUE(out_.pieces.empty());
  log->SetFlags(0);
  now_ += 1;
  log->Write("nowhere\n");
  EXPECT_EQ(out_.debugger.size(), 2u);
}

// --- wrap at the size limit ----------------------------------------------------------------

TEST_F(LogWriterTest, FileWrapsToItsStartAtTheLimitWithoutTruncating) {
  const uint32_t limit = 40;
  auto log = MakeWriter(kLogFile, limit);
  log->Write("0123456789\n");  // stamp (26) + 12 = 38 bytes: below the limit
  log->Write("ab\n");          // 38 < 40: still appended, count 42
  EXPECT_EQ(out_.seeks, 0);
  const std::string before = out_.file;
  ASSERT_EQ(before.size(), 42u);

  log->Write("XY\n");  // 42 >= 40: back to offset 0
  EXPECT_EQ(out_.seeks, 1);
  EXPECT_EQ(out_.file.size(), before.size());
  EXPECT_EQ(out_.file, "XY\r\n" + before.substr(4));

  // The count restarted, so the next text follows without another seek.
  log->Write("cd\n");
  EXPECT_EQ(out_.seeks, 1);
  EXPECT_EQ(out_.file.substr(0, 8), "XY\r\ncd\r\n");
}

TEST_F(LogWriterTest, ReachingTheLimitExactlyWraps) {
  auto log = MakeWriter(kLogFile, 26 + 4);
  log->Write("ab\n");  // exactly 30 bytes
  log->Write("c\n");
  EXPECT_EQ(out_.seeks, 1);
  EXPECT_EQ(out_.file.substr(0, 3), "c\r\n");
}

TEST_F(LogWriterTest, ReconfigureRestartsTheCount) {
  auto log = MakeWriter(kLogFile, 30);
  log->Write("ab\n");
  log->Reconfigure([](unsigned flags) { return flags | kLogConsole; });
  EXPECT_EQ(log->Flags(), kLogFile | kLogConsole);
  log->Write("c\n");
  EXPECT_EQ(out_.seeks, 0);
}

TEST(LogWriterDefaultLimit, Is10MiB) {
  EXPECT_EQ(kLogSizeLimit, 0xA00000u);
}

// --- threads ---------------------------------------------------------------------------------

TEST_F(LogWriterTest, MessagesFromManyThreadsStayWhole) {
  auto log = MakeWriter(kLogFile | kLogDebugger);
  constexpr int kThreads = 8;
  constexpr int kMessages = 300;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int m = 0; m < kMessages; ++m) {
        if (m % 50 == 0) now_ += 1;  // stamps race outside the lock
        log->Write("thread %d message %d %s\n", t, m, std::string(100 + (m % 7) * 50, static_cast<char>('a' + t)).c_str());
      }
    });
  }
  for (std::thread& th : threads) th.join();

  std::map<std::string, int> seen;
  size_t begin = 0;
  int stamps = 0;
  while (begin < out_.file.size()) {
    size_t end = out_.file.find("\r\n", begin);
    ASSERT_NE(end, std::string::npos);
    std::string line = out_.file.substr(begin, end - begin);
    begin = end + 2;
    if (line.rfind("thread ", 0) != 0) {
      EXPECT_EQ(line.size(), kLogStampLength) << line;
      ++stamps;
      continue;
    }
    ++seen[line];
  }
  ASSERT_EQ(seen.size(), static_cast<size_t>(kThreads * kMessages));
  for (int t = 0; t < kThreads; ++t) {
    for (int m = 0; m < kMessages; ++m) {
      std::string line = "thread " + std::to_string(t) + " message " + std::to_string(m) + " " +
                         std::string(100 + (m % 7) * 50, static_cast<char>('a' + t));
      EXPECT_EQ(seen[line], 1) << line.substr(0, 30);
    }
  }
  EXPECT_GE(stamps, 1);
  EXPECT_EQ(out_.overlaps.load(), 0);
  EXPECT_EQ(out_.debugger.size(), out_.pieces.size());
}

}  // namespace
}  // namespace lantern

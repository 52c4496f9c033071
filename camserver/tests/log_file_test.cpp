#include "log_file.h"

#include <gtest/gtest.h>

#include <string>

namespace lantern {
namespace {

constexpr char kLibraryName[] = "C:\\elsewhere\\log_file_test_lib.dll";
constexpr std::time_t kNow = 1400000000;

std::string ExeDirectory() {
  std::string exe = HostExecutablePath();
  return exe.substr(0, exe.find_last_of("\\/") + 1);
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Reads while the log still holds the file open for writing.
std::string ReadAll(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<cannot open>";
  std::string text;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  CloseHandle(h);
  return text;
}

void WriteAll(const std::string& path, const std::string& text) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  DWORD done = 0;
  WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
  CloseHandle(h);
}

class LogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = ExeDirectory() + "log";
    path_ = dir_ + "\\log_file_test_lib.txt";
  }
  void MakeDirectory() {
    if (!Exists(dir_)) {
      ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr));
      created_dir_ = true;
    }
  }
  void TearDown() override {
    DeleteFileA(path_.c_str());
    DeleteFileA((path_ + ".bak").c_str());
    // Only an empty directory goes; others' files keep it.
    if (created_dir_) RemoveDirectoryA(dir_.c_str());
  }
  std::string Stamp() const { return LocalLogStamp(kNow) + "\r\n"; }

  std::string dir_;
  std::string path_;
  bool created_dir_ = false;
};

TEST_F(LogFileTest, FreshLogKeepsThePreviousOneAsBackup) {
  MakeDirectory();
  WriteAll(path_, "previous run\r\n");
  WriteAll(path_ + ".bak", "older run\r\n");

  LogFile log([] { return kNow; });
  ASSERT_TRUE(log.OpenLog(kLogFile, kLibraryName, false));
  EXPECT_EQ(log.Path(), path_);
  EXPECT_EQ(log.Flags(), static_cast<unsigned>(kLogFile));
  log.WriteLog("hello %d\n", 5);
  log.Write("second\r\n");

  EXPECT_EQ(ReadAll(path_), Stamp() + "hello 5\r\nsecond\r\r\n");
  EXPECT_EQ(ReadAll(path_ + ".bak"), "previous run\r\n");
  log.CloseLog();

  // After closing nothing more reaches the file.
  log.WriteLog("lost\n");
  EXPECT_EQ(ReadAll(path_), Stamp() + "hello 5\r\nsecond\r\r\n");
}

TEST_F(LogFileTest, AppendKeepsTheFileAndItsBackup) {
  MakeDirectory();
  WriteAll(path_, "kept\r\n");
  WriteAll(path_ + ".bak", "backup\r\n");

  LogFile log([] { return kNow; });
  ASSERT_TRUE(log.OpenLog(kLogFile, kLibraryName, true));
  log.WriteLog("more\n");
  log.CloseLog();
  EXPECT_EQ(ReadAll(path_), "kept\r\n" + Stamp() + "more\r\n");
  EXPECT_EQ(ReadAll(path_ + ".bak"), "backup\r\n");
}

TEST_F(LogFileTest, FreshLogWithoutPreviousFileStartsEmpty) {
  MakeDirectory();
  LogFile log([] { return kNow; });
  ASSERT_TRUE(log.OpenLog(kLogFile | kLogDebugger, kLibraryName, false));
  EXPECT_FALSE(Exists(path_ + ".bak"));
  log.WriteLog("x\n");
  EXPECT_EQ(ReadAll(path_), Stamp() + "x\r\n");
}

TEST_F(LogFileTest, ReopeningRotatesAgain) {
  MakeDirectory();
  LogFile log([] { return kNow; });
  ASSERT_TRUE(log.OpenLog(kLogFile, kLibraryName, false));
  log.WriteLog("one\n");
  ASSERT_TRUE(log.OpenLog(kLogFile, kLibraryName, false));
  log.WriteLog("two\n");
  log.CloseLog();
  EXPECT_EQ(ReadAll(path_ + ".bak"), Stamp() + "one\r\n");
  // Same second: no new stamp for the second file.
  EXPECT_EQ(ReadAll(path_), "two\r\n");
}

TEST_F(LogFileTest, FullFileWrapsToItsStart) {
  MakeDirectory();
  LogFile log([] { return kNow; }, 40);
  ASSERT_TRUE(log.OpenLog(kLogFile, kLibraryName, false));
  log.WriteLog("0123456789\n");  // 26 + 12
  log.WriteLog("ab\n");          // 42 bytes
  const std::string before = ReadAll(path_);
  ASSERT_EQ(before.size(), 42u);
  log.WriteLog("XY\n");
  EXPECT_EQ(ReadAll(path_), "XY\r\n" + before.substr(4));
}

TEST_F(LogFileTest, MissingDirectoryLeavesTheDebuggerOnly) {
  if (Exists(dir_) && !RemoveDirectoryA(dir_.c_str())) {
    GTEST_SKIP() << "another test's files are in " << dir_;
  }
  LogFile log([] { return kNow; });
  EXPECT_FALSE(log.OpenLog(kLogFile, kLibraryName, false));
  EXPECT_EQ(log.Flags(), static_cast<unsigned>(kLogDebugger));
  log.WriteLog("to the debugger only\n");
  log.CloseLog();
  EXPECT_FALSE(Exists(dir_));
}

TEST_F(LogFileTest, LibraryLogIsNamedAfterTheLibrary) {
  // Before creation (and after destruction) the library log drops everything.
  LibraryLog().Write("nobody hears this %d\n", 1);

  MakeDirectory();
  // The test program stands in for the library: its own module file name.
  std::string own = HostExecutablePath();
  std::string base = own.substr(own.find_last_of("\\/") + 1);
  base.erase(base.find_last_of('.'));
  const std::string path = dir_ + "\\" + base + ".txt";

  CreateLibraryLog(GetModuleHandleA(nullptr));
  LibraryLog().Write("library %s\n", "line");
  DestroyLibraryLog();
  LibraryLog().Write("dropped\n");

  std::string text = ReadAll(path);
  DeleteFileA(path.c_str());
  DeleteFileA((path + ".bak").c_str());
  ASSERT_GE(text.size(), kLogStampLength + 2);
  EXPECT_EQ(text.substr(kLogStampLength), "\r\nlibrary line\r\n");
}

}  // namespace
}  // namespace lantern

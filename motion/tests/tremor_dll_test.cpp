// Tremor.dll as the camera server uses it: loaded by name, fed BMP files, calling back.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Tremor.h"
#include "common/byte_io.h"

namespace {

using IntFn = int(__cdecl*)(int);
using MoveFn = int(__cdecl*)(int, const char*);
using RegisterFn = int(__cdecl*)(TremorEventWarning);
using ErrorFn = int(__cdecl*)(char*);

struct Report {
  int state;
  int channel;
  std::string path;
};
std::mutex g_lock;
std::vector<Report> g_reports;
int __cdecl OnMotion(int state, int channel, const char* path) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_reports.push_back({state, channel, path ? path : ""});
  return 0;
}

// Waits for a report about `path`; the channel thread reports on its own time.
std::optional<Report> WaitForReport(const std::string& path, int timeoutMs) {
  const DWORD start = GetTickCount();
  do {
    {
      std::lock_guard<std::mutex> guard(g_lock);
      for (const Report& r : g_reports)
        if (r.path == path) return r;
    }
    Sleep(2);
  } while (GetTickCount() - start < static_cast<DWORD>(timeoutMs));
  return std::nullopt;
}

std::string TempFile(const char* name) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  return std::string(dir) + name;
}

void WriteBmp(const std::string& path, int w, int h, uint8_t level) {
  size_t image = static_cast<size_t>(w) * h * 3;
  std::vector<uint8_t> f(54 + image, level);
  std::fill(f.begin(), f.begin() + 54, 0);
  f[0] = 'B';
  f[1] = 'M';
  common::PutU32LE(&f[2], static_cast<uint32_t>(f.size()));
  common::PutU32LE(&f[10], 54);
  common::PutU32LE(&f[14], 40);
  common::PutU32LE(&f[18], w);
  common::PutU32LE(&f[22], h);
  common::PutU16LE(&f[26], 1);
  common::PutU16LE(&f[28], 24);
  common::PutU32LE(&f[34], static_cast<uint32_t>(image));
  FILE* out = std::fopen(path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  std::fwrite(f.data(), 1, f.size(), out);
  std::fclose(out);
}

class TremorDll : public ::testing::Test {
 protected:
  void SetUp() override {
    module = LoadLibraryA("Tremor.dll");
    ASSERT_NE(module, nullptr);
    setCapNums = Fn<IntFn>("SetCapNums");
    start = Fn<IntFn>("PictureCheckStart");
    stop = Fn<IntFn>("PictureCheckStop");
    threshold = Fn<IntFn>("SetThreshold");
    move = Fn<MoveFn>("MoveCheckByPicFile");
    registerCallback = Fn<RegisterFn>("RegisterEventWarning");
    lastError = Fn<ErrorFn>("GetLastErrorInfo");
    ASSERT_NE(Fn<IntFn>("FreeCapNums"), nullptr);
  }
  template <typename F>
  F Fn(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  }
  HMODULE module = nullptr;
  IntFn setCapNums, start, stop, threshold;
  MoveFn move;
  RegisterFn registerCallback;
  ErrorFn lastError;
};

TEST_F(TremorDll, DetectsAFullFrameChangeOnBmpFiles) {
  std::string calm = TempFile("tremor_calm.bmp"), moved = TempFile("tremor_moved.bmp");
  WriteBmp(calm, 640, 480, 100);
  WriteBmp(moved, 640, 480, 140);
  char text[64];
  // Before any table exists the start fails with the first table's text (GBK bytes).
  EXPECT_EQ(start(0), -1);
  ASSERT_EQ(lastError(text), 0);
  EXPECT_STREQ(text, "\xC4\xDA\xB2\xBF\xB1\xE4\xC1\xBF" "[g_pFrame=NULL],"
                     "\xC3\xBB\xD3\xD0\xD5\xFD\xC8\xB7\xB3\xF5\xCA\xBC\xBB\xAF\xA3\xA1");

  ASSERT_EQ(setCapNums(16), 0);
  ASSERT_EQ(registerCallback(OnMotion), 0);
  // Threshold 0: every picture after the first (the background) is reported, so the
  // reports show when the channel has read the BMP files.
  ASSERT_EQ(threshold(0), 0);
  ASSERT_EQ(start(5), 0);
  std::optional<Report> first;
  for (int attempt = 0; attempt < 20 && !first; ++attempt) {
    ASSERT_EQ(move(5, calm.c_str()), 0);
    first = WaitForReport(calm, 250);
  }
  ASSERT_TRUE(first.has_value()) << "the calm picture never became the background";
  EXPECT_EQ(first->state, 1);
  EXPECT_EQ(first->channel, 5);

  // Against the calm background a change of 40 grey levels passes threshold 30.
  ASSERT_EQ(threshold(30), 0);
  ASSERT_EQ(move(5, moved.c_str()), 0);
  std::optional<Report> motion = WaitForReport(moved, 5000);
  ASSERT_TRUE(motion.has_value());
  EXPECT_EQ(motion->state, 1);
  EXPECT_EQ(motion->channel, 5);

  EXPECT_EQ(stop(5), 0);
  EXPECT_EQ(start(16), -1);
  EXPECT_EQ(lastError(nullptr), -1);
  DeleteFileA(calm.c_str());
  DeleteFileA(moved.c_str());
}

}  // namespace

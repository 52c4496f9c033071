#include "crash_format.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <random>
#include <vector>

using namespace lookout::crash;

namespace {

class StringSink : public ReportSink {
 public:
  std::u16string text;
  std::vector<size_t> writes;
  void Write(const char16_t* t, size_t n) override {
    text.append(t, n);
    writes.push_back(n);
  }
};

std::u16string U16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// Words of a made-up stack; everything in [low, high) counts as writable.
class FakeMemory : public MemoryProbe {
 public:
  uint64_t low = 0x1000, high = 0x2000;
  std::map<uint64_t, uint64_t> words;
  std::vector<uint64_t> reads;
  bool IsWritable(uint64_t a, size_t n) override { return a >= low && a + n <= high; }
  uint64_t ReadWord(uint64_t a) override {
    reads.push_back(a);
    EXPECT_TRUE(IsWritable(a, 4)) << std::hex << a;
    auto it = words.find(a);
    return it == words.end() ? 0 : it->second;
  }
};

class Frames : public FrameVisitor {
 public:
  std::vector<std::pair<uint64_t, uint64_t>> seen;
  void Visit(uint64_t code, uint64_t frame) override { seen.emplace_back(code, frame); }
};

// PE headers with the given sections (virtual address, virtual size, raw size).
std::vector<uint8_t> Headers(const std::vector<std::array<uint32_t, 3>>& sections, uint16_t optionalSize = 0xE0) {
  std::vector<uint8_t> h(0x400, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) h[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  h[0] = 'M';
  h[1] = 'Z';
  put32(0x3C, 0x80);
  put32(0x80, 0x00004550);
  h[0x86] = static_cast<uint8_t>(sections.size());
  h[0x94] = static_cast<uint8_t>(optionalSize);
  h[0x95] = static_cast<uint8_t>(optionalSize >> 8);
  size_t table = 0x80 + 24 + optionalSize;
  for (size_t i = 0; i < sections.size(); ++i) {
    put32(table + 40 * i + 8, sections[i][1]);
    put32(table + 40 * i + 12, sections[i][0]);
    put32(table + 40 * i + 16, sections[i][2]);
  }
  return h;
}

}  // namespace

TEST(CrashFormat, ExceptionNames) {
  EXPECT_EQ(std::u16string(ExceptionName(0xC0000005)), u"ACCESS_VIOLATION");
  EXPECT_EQ(std::u16string(ExceptionName(0x80000003)), u"BREAKPOINT");
  EXPECT_EQ(std::u16string(ExceptionName(0xC00000FD)), u"STACK_OVERFLOW");
  EXPECT_EQ(std::u16string(ExceptionName(0xC0000096)), u"PRIV_INSTRUCTION");
  EXPECT_EQ(ExceptionName(0xC0000007), nullptr);
  EXPECT_EQ(ExceptionName(0xE06D7363), nullptr);
}

TEST(CrashFormat, ReportPath) {
  EXPECT_EQ(ReportPathFor(u"C:\\a\\Lookout.exe"), u"C:\\a\\Lookout.RPT");
  EXPECT_EQ(ReportPathFor(u"C:\\a\\Lookout.exec"), u"C:\\a\\Lookout.RPT");
  EXPECT_EQ(ReportPathFor(u"C:\\a\\Lookout.ex"), u"");
  EXPECT_EQ(ReportPathFor(u"C:\\a.dir\\Lookout"), u"");
  EXPECT_EQ(ReportPathFor(u"Lookout"), u"");
}

TEST(CrashFormat, ReportLinesOf32BitContext) {
  StringSink sink;
  ReportWriter w(sink);
  w.Header({2024, 3, 7, 9, 5, 0});
  LogicalAddress where{1, 0x1234, u"C:\\Lookout\\Lookout.exe"};
  w.Exception(0xC0000005, u"ACCESS_VIOLATION", 0x00402234, false, where);
  Registers r;
  r.ax = 1;
  r.bx = 0xFFFFFFFF;
  r.cx = 0x10;
  r.dx = 0xABCDEF;
  r.si = 2;
  r.di = 3;
  r.ip = 0x402234;
  r.sp = 0x22FE00;
  r.bp = 0x22FE40;
  r.cs = 0x23;
  r.ss = 0x2B;
  r.ds = 0x2B;
  r.es = 0x2B;
  r.fs = 0x53;
  r.gs = 0x2B;
  r.flags = 0x10246;
  w.RegisterDump(r);
  w.StackHeader(false);
  w.Frame(0x402234, 0x22FE40, false, where);
  w.Frame(0x7B012345, 0x22FF00, false, LogicalAddress{});
  w.End();
  EXPECT_EQ(sink.text,
            U16("//=====================================================\r\n") + u"2024年 3月 7日  9: 5: 0\r\n" +
                U16("//=====================================================\r\n"
                    "Exception code: C0000005 ACCESS_VIOLATION\r\n"
                    "Fault address:  00402234 01:00001234 C:\\Lookout\\Lookout.exe\r\n"
                    "\r\nRegisters:\r\n"
                    "EAX:00000001\r\nEBX:FFFFFFFF\r\nECX:00000010\r\nEDX:00ABCDEF\r\nESI:00000002\r\nEDI:00000003\r\n"
                    "CS:EIP:0023:00402234\r\n"
                    "SS:ESP:002B:0022FE00  EBP:0022FE40\r\n"
                    "DS:002B  ES:002B  FS:0053  GS:002B\r\n"
                    "Flags:00010246\r\n"
                    "\r\nCall stack:\r\n"
                    "Address   Frame     Logical addr  Module\r\n"
                    "00402234  0022FE40  0001:00001234 C:\\Lookout\\Lookout.exe\r\n"
                    "7B012345  0022FF00  0000:00000000 \r\n"
                    "\r\n"));
  for (size_t n : sink.writes) EXPECT_LT(n, kLineBuffer);
}

TEST(CrashFormat, ReportLinesOf64BitContext) {
  StringSink sink;
  ReportWriter w(sink);
  LogicalAddress where{2, 0x10, u"M"};
  w.Exception(0x12345678, nullptr, 0x140001010ull, true, where);
  Registers r;
  r.wide = true;
  r.ax = 0x1122334455667788ull;
  for (int i = 0; i < 8; ++i) r.r[i] = static_cast<uint64_t>(i + 8);
  r.ip = 0x140001010ull;
  r.sp = 0x5FF000;
  r.bp = 0x5FF040;
  r.cs = 0x33;
  w.RegisterDump(r);
  w.StackHeader(true);
  w.Frame(0x140001010ull, 0x5FF040, true, where);
  EXPECT_EQ(sink.text,
            U16("Exception code: 12345678 \r\n"
                "Fault address:  0000000140001010 02:0000000000000010 M\r\n"
                "\r\nRegisters:\r\n"
                "RAX:1122334455667788\r\nRBX:0000000000000000\r\nRCX:0000000000000000\r\n"
                "RDX:0000000000000000\r\nRSI:0000000000000000\r\nRDI:0000000000000000\r\n"
                "R8:0000000000000008\r\nR9:0000000000000009\r\nR10:000000000000000A\r\nR11:000000000000000B\r\n"
                "R12:000000000000000C\r\nR13:000000000000000D\r\nR14:000000000000000E\r\nR15:000000000000000F\r\n"
                "CS:RIP:0033:0000000140001010\r\n"
                "SS:RSP:0000:00000000005FF000  RBP:00000000005FF040\r\n"
                "DS:0000  ES:0000  FS:0000  GS:0000\r\n"
                "Flags:00000000\r\n"
                "\r\nCall stack:\r\n"
                "Address           Frame             Logical addr          Module\r\n"
                "0000000140001010  00000000005FF040  0002:0000000000000010 M\r\n"));
}

TEST(CrashFormat, LongModulePathIsCutToTheBuffer) {
  StringSink sink;
  ReportWriter w(sink);
  std::u16string path(3000, u'p');
  w.Frame(1, 2, false, LogicalAddress{1, 1, path.c_str()});
  ASSERT_EQ(sink.writes.size(), 1u);
  EXPECT_EQ(sink.writes[0], kLineBuffer - 1);
}

TEST(CrashFormat, WalkFollowsTheChainAndStopsAtABadFrame) {
  FakeMemory m;
  m.words = {{0x1100, 0x1200}, {0x1104, 0xA1}, {0x1200, 0x1300}, {0x1204, 0xA2},
             {0x1300, 0x1302}, {0x1304, 0xA3}};
  Frames f;
  WalkFrames(0xA0, 0x1100, 4, m, f);
  // 0x1302 is misaligned: the frame that points at it is the last.
  EXPECT_EQ(f.seen, (std::vector<std::pair<uint64_t, uint64_t>>{{0xA0, 0x1100}, {0xA1, 0x1200}, {0xA2, 0x1300}}));

  m.words[0x1300] = 0x1200;  // not above
  f.seen.clear();
  WalkFrames(0xA0, 0x1100, 4, m, f);
  EXPECT_EQ(f.seen.size(), 3u);
  m.words[0x1300] = 0x1300;  // equal is not above either
  f.seen.clear();
  WalkFrames(0xA0, 0x1100, 4, m, f);
  EXPECT_EQ(f.seen.size(), 3u);
  m.words[0x1300] = 0x1FFC;  // only 4 bytes left before the end of the writable range
  f.seen.clear();
  WalkFrames(0xA0, 0x1100, 4, m, f);
  EXPECT_EQ(f.seen.size(), 3u);
  m.words[0x1300] = 0x1FF8;  // 8 bytes: taken, and it ends at a zero link
  f.seen.clear();
  WalkFrames(0xA0, 0x1100, 4, m, f);
  EXPECT_EQ(f.seen.size(), 4u);
  EXPECT_EQ(f.seen.back(), (std::pair<uint64_t, uint64_t>{0xA3, 0x1FF8}));

  // A faulting frame pointer outside memory gets its line and nothing is read from it.
  m.reads.clear();
  f.seen.clear();
  WalkFrames(0xB0, 0x9000, 4, m, f);
  EXPECT_EQ(f.seen, (std::vector<std::pair<uint64_t, uint64_t>>{{0xB0, 0x9000}}));
  EXPECT_TRUE(m.reads.empty());
  f.seen.clear();
  WalkFrames(0xB0, 0x1101, 4, m, f);
  EXPECT_EQ(f.seen.size(), 1u);
  EXPECT_TRUE(m.reads.empty());

  // 64-bit: words of 8 bytes, links aligned to 8.
  FakeMemory m64;
  m64.words = {{0x1100, 0x1200}, {0x1108, 0xC1}, {0x1200, 0x1304}, {0x1208, 0xC2}};
  f.seen.clear();
  WalkFrames(0xC0, 0x1100, 8, m64, f);
  EXPECT_EQ(f.seen, (std::vector<std::pair<uint64_t, uint64_t>>{{0xC0, 0x1100}, {0xC1, 0x1200}}));
}

TEST(CrashFormat, RandomStacksEndAndOnlyReadWritableWords) {
  std::mt19937 rng(11);
  for (int i = 0; i < 300; ++i) {
    FakeMemory m;
    for (uint64_t a = m.low; a < m.high; a += 4) m.words[a] = m.low + rng() % 0x1400;
    Frames f;
    WalkFrames(1, m.low + (rng() % 0x1100), 4, m, f);
    ASSERT_FALSE(f.seen.empty());
    for (size_t k = 1; k < f.seen.size(); ++k) EXPECT_GT(f.seen[k].second, f.seen[k - 1].second);
  }
}

TEST(CrashFormat, SectionOfAnAddress) {
  auto h = Headers({{0x1000, 0x800, 0xA00}, {0x2000, 0x1200, 0x1000}});
  uint32_t section = 0;
  uint64_t offset = 0;
  ASSERT_TRUE(FindSection(h.data(), h.size(), 0x1010, &section, &offset));
  EXPECT_EQ(section, 1u);
  EXPECT_EQ(offset, 0x10u);
  ASSERT_TRUE(FindSection(h.data(), h.size(), 0x1A00, &section, &offset));  // raw size is larger; end included
  EXPECT_EQ(section, 1u);
  EXPECT_EQ(offset, 0xA00u);
  ASSERT_TRUE(FindSection(h.data(), h.size(), 0x3200, &section, &offset));
  EXPECT_EQ(section, 2u);
  EXPECT_EQ(offset, 0x1200u);
  EXPECT_FALSE(FindSection(h.data(), h.size(), 0x3201, &section, &offset));
  EXPECT_FALSE(FindSection(h.data(), h.size(), 0x0FFF, &section, &offset));
  // A 64-bit optional header moves the table.
  auto h64 = Headers({{0x1000, 0x100, 0x200}}, 0xF0);
  ASSERT_TRUE(FindSection(h64.data(), h64.size(), 0x1001, &section, &offset));
  EXPECT_EQ(offset, 1u);
  // Damaged headers.
  auto bad = h;
  bad[0] = 'X';
  EXPECT_FALSE(FindSection(bad.data(), bad.size(), 0x1010, &section, &offset));
  EXPECT_FALSE(FindSection(h.data(), 0x100, 0x3000, &section, &offset));  // table cut off
  EXPECT_FALSE(FindSection(h.data(), 0x20, 0x1010, &section, &offset));
}

TEST(CrashFormat, DamagedHeadersNeverReadPastTheGivenBytes) {
  std::mt19937 rng(17);
  auto good = Headers({{0x1000, 0x800, 0xA00}, {0x2000, 0x1200, 0x1000}, {0x4000, 0x10, 0x10}});
  for (int i = 0; i < 3000; ++i) {
    auto h = good;
    for (int k = 0; k < 4; ++k) h[rng() % 0x180] ^= static_cast<uint8_t>(1u << (rng() % 8));
    size_t size = rng() % (h.size() + 1);
    std::vector<uint8_t> copy(h.begin(), h.begin() + static_cast<long>(size));  // exact size for ASan
    uint32_t section;
    uint64_t offset;
    FindSection(copy.data(), copy.size(), rng() % 0x5000, &section, &offset);
  }
}

// Induced faults in a program that links the crash reporter: the report's lines, its
// addresses against the PE file, the faulting call chain, two reports in one file, an
// unknown code and corrupted frame chains.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>

#include "child_process.h"

using namespace lookout::test;

namespace {

constexpr bool kWide = sizeof(void*) == 8;

struct Section {
  std::string name;
  uint32_t va, virtualSize, rawSize;
};

// The section table read from the file on disk, independently of the reporter.
std::vector<Section> SectionsOf(const std::wstring& path) {
  std::string f = ReadFileBytes(path);
  auto u32 = [&](size_t at) { uint32_t v; std::memcpy(&v, &f[at], 4); return v; };
  auto u16 = [&](size_t at) { uint16_t v; std::memcpy(&v, &f[at], 2); return v; };
  std::vector<Section> out;
  uint32_t nt = u32(0x3C);
  uint16_t count = u16(nt + 6), optional = u16(nt + 20);
  size_t table = nt + 24 + optional;
  for (uint16_t i = 0; i < count; ++i) {
    size_t h = table + 40u * i;
    out.push_back({std::string(f.c_str() + h, strnlen(f.c_str() + h, 8)), u32(h + 12), u32(h + 8), u32(h + 16)});
  }
  return out;
}

struct Victim {
  std::wstring folder = FreshTempFolder(L"lookout-crash");
  std::wstring exe = folder + L"crash_victim.exe";
  std::wstring report = folder + L"crash_victim.RPT";
  Victim() { CopyInto(TestProgramFolder() + L"crash_victim.exe", folder); }

  // Runs one mode; returns what it printed (name -> value).
  std::map<std::string, uint64_t> Run(const char* mode, DWORD expectedCode) {
    ChildProcess child;
    std::wstring out = folder + L"out.txt";
    std::wstring line = L"\"" + exe + L"\" " + std::wstring(mode, mode + strlen(mode));
    EXPECT_TRUE(child.Start(line, out));
    EXPECT_TRUE(child.Wait(30000));
    EXPECT_EQ(child.ExitCode(), expectedCode) << mode;
    std::map<std::string, uint64_t> printed;
    std::istringstream text(ReadFileBytes(out));
    std::string name, value;
    while (text >> name >> value) printed[name] = std::stoull(value, nullptr, 16);
    return printed;
  }

  // The report as lines (UTF-16LE without byte-order mark, CR LF).
  std::vector<std::wstring> Lines() const {
    std::string bytes = ReadFileBytes(report);
    std::wstring text(bytes.size() / 2, L'\0');
    std::memcpy(&text[0], bytes.data(), text.size() * 2);
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t at; (at = text.find(L"\r\n", start)) != std::wstring::npos; start = at + 2)
      lines.push_back(text.substr(start, at - start));
    EXPECT_EQ(start, text.size()) << "the report ends with CR LF";
    return lines;
  }
};

uint64_t Hex(const std::wstring& t) { return std::stoull(t, nullptr, 16); }

struct StackLine {
  uint64_t address, frame;
  unsigned section;
  uint64_t offset;
  std::wstring module;
};

// "Address  Frame  SS:OFFSET Module" in either width.
StackLine ParseStack(const std::wstring& line) {
  size_t w = kWide ? 16 : 8;
  StackLine s;
  s.address = Hex(line.substr(0, w));
  s.frame = Hex(line.substr(w + 2, w));
  s.section = static_cast<unsigned>(Hex(line.substr(2 * w + 4, 4)));
  s.offset = Hex(line.substr(2 * w + 9, w));
  s.module = line.substr(3 * w + 10);
  return s;
}

std::vector<StackLine> StackOf(const std::vector<std::wstring>& lines, size_t from) {
  std::vector<StackLine> stack;
  size_t i = from;
  while (i < lines.size() && lines[i] != L"Call stack:") ++i;
  for (i += 2; i < lines.size() && !lines[i].empty(); ++i) stack.push_back(ParseStack(lines[i]));
  return stack;
}

bool SamePath(const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) == 0; }

}  // namespace

TEST(CrashReport, AccessViolationReportFollowsTheFormatAndThePeFile) {
  Victim v;
  auto printed = v.Run("access", 0xC0000005);
  ASSERT_TRUE(FileExists(v.report));
  std::vector<std::wstring> lines = v.Lines();
  ASSERT_GT(lines.size(), 20u);
  const std::wstring rule = L"//=====================================================";
  EXPECT_EQ(lines[0], rule);
  // "%4d年%2d月%2d日 %2d:%2d:%2d"
  const std::wstring& date = lines[1];
  ASSERT_EQ(date.size(), 20u) << std::string(date.begin(), date.end());
  EXPECT_EQ(date[4], L'年');
  EXPECT_EQ(date[7], L'月');
  EXPECT_EQ(date[10], L'日');
  EXPECT_EQ(date.substr(11, 1), L" ");
  EXPECT_EQ(date[14], L':');
  EXPECT_EQ(date[17], L':');
  SYSTEMTIME now;
  GetLocalTime(&now);
  EXPECT_EQ(std::stoi(date.substr(0, 4)), now.wYear);
  EXPECT_EQ(lines[2], rule);
  EXPECT_EQ(lines[3], L"Exception code: C0000005 ACCESS_VIOLATION");

  // "Fault address:  ADDRESS SS:OFFSET module", checked against the file's section table.
  const size_t w = kWide ? 16 : 8;
  const std::wstring& fault = lines[4];
  ASSERT_EQ(fault.substr(0, 16), L"Fault address:  ");
  uint64_t address = Hex(fault.substr(16, w));
  unsigned section = static_cast<unsigned>(Hex(fault.substr(17 + w, 2)));
  uint64_t offset = Hex(fault.substr(20 + w, w));
  EXPECT_TRUE(SamePath(fault.substr(21 + 2 * w), v.exe)) << std::string(fault.begin(), fault.end());
  std::vector<Section> sections = SectionsOf(v.exe);
  ASSERT_GE(section, 1u);
  ASSERT_LE(section, sections.size());
  EXPECT_EQ(sections[section - 1].name, ".text");
  EXPECT_EQ(printed["module"] + sections[section - 1].va + offset, address);
  EXPECT_GE(address, printed["Level3"]);
  EXPECT_LT(address, printed["Level3"] + 0x100);

  EXPECT_EQ(lines[5], L"");
  EXPECT_EQ(lines[6], L"Registers:");
  size_t at = 7;
  for (const wchar_t* name : {L"AX:", L"BX:", L"CX:", L"DX:", L"SI:", L"DI:"}) {
    EXPECT_EQ(lines[at].substr(0, 4), std::wstring(kWide ? L"R" : L"E") + name);
    EXPECT_EQ(lines[at].size(), 4 + w);
    ++at;
  }
  if (kWide) {
    for (int r = 8; r <= 15; ++r) EXPECT_EQ(lines[at++].rfind(L"R" + std::to_wstring(r) + L":", 0), 0u);
  }
  std::wstring ip = kWide ? L"CS:RIP:" : L"CS:EIP:";
  ASSERT_EQ(lines[at].substr(0, 7), ip);
  EXPECT_EQ(Hex(lines[at].substr(12)), address);
  ++at;
  EXPECT_EQ(lines[at].substr(0, 7), kWide ? L"SS:RSP:" : L"SS:ESP:");
  uint64_t bp = Hex(lines[at].substr(lines[at].find(kWide ? L"RBP:" : L"EBP:") + 4));
  ++at;
  EXPECT_EQ(lines[at++].substr(0, 3), L"DS:");
  EXPECT_EQ(lines[at++].substr(0, 6), L"Flags:");
  EXPECT_EQ(lines[at++], L"");
  EXPECT_EQ(lines[at++], L"Call stack:");
  EXPECT_EQ(lines[at], kWide ? L"Address           Frame             Logical addr          Module"
                             : L"Address   Frame     Logical addr  Module");
  EXPECT_EQ(lines.back(), L"");

  // The faulting call chain, innermost first, each frame resolved like the fault address.
  std::vector<StackLine> stack = StackOf(lines, 0);
  ASSERT_GE(stack.size(), 4u);
  EXPECT_EQ(stack[0].address, address);
  EXPECT_EQ(stack[0].frame, bp);
  const char* chain[] = {"Level3", "Level2", "Level1"};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_GE(stack[i].address, printed[chain[i]]) << chain[i];
    EXPECT_LT(stack[i].address, printed[chain[i]] + 0x100) << chain[i];
    if (i > 0) {
      EXPECT_GT(stack[i].frame, stack[i - 1].frame);
    }
    ASSERT_GE(stack[i].section, 1u);
    EXPECT_EQ(printed["module"] + sections[stack[i].section - 1].va + stack[i].offset, stack[i].address);
    EXPECT_TRUE(SamePath(stack[i].module, v.exe));
  }
  // The next frame is main's caller chain: code of this program again.
  EXPECT_TRUE(SamePath(stack[3].module, v.exe));
}

TEST(CrashReport, TwoCrashesAppendTwoReportsAndUnknownCodesAreNamedByTheSystem) {
  Victim v;
  v.Run("access", 0xC0000005);
  size_t first = v.Lines().size();
  v.Run("unknown", 0xC0000017);
  std::vector<std::wstring> lines = v.Lines();
  ASSERT_GT(lines.size(), first);
  EXPECT_EQ(lines[3], L"Exception code: C0000005 ACCESS_VIOLATION");
  EXPECT_EQ(lines[first], L"//=====================================================");
  EXPECT_EQ(lines[first + 2], L"//=====================================================");
  int rules = 0;
  for (const std::wstring& l : lines) rules += l == L"//=====================================================";
  EXPECT_EQ(rules, 4);

  // The name of a code outside the table is NTDLL's message text (Wine's NTDLL has none, so
  // it is empty there), whatever lines it spans.
  wchar_t text[1024] = {};
  FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, GetModuleHandleW(L"NTDLL.DLL"),
                 0xC0000017, 0, text, 1024, nullptr);
  std::string bytes = ReadFileBytes(v.report);
  std::wstring all(bytes.size() / 2, L'\0');
  std::memcpy(&all[0], bytes.data(), all.size() * 2);
  std::wstring expected = L"Exception code: C0000017 " + std::wstring(text) + L"\r\nFault address:  ";
  EXPECT_NE(all.find(expected), std::wstring::npos);
  if (text[0] == L'\0') std::printf("note: this system's NTDLL has no text for 0xC0000017\n");
}

TEST(CrashReport, CorruptedFrameChainsEndTheList) {
  for (const char* mode : {"misaligned", "notabove", "unreadable"}) {
    Victim v;
    auto printed = v.Run(mode, 0xC0000005);
    std::vector<std::wstring> lines = v.Lines();
    std::vector<StackLine> stack = StackOf(lines, 0);
    ASSERT_EQ(stack.size(), 2u) << mode;
    EXPECT_EQ(stack[0].frame, printed["frame0"]) << mode;
    EXPECT_EQ(stack[1].address, 0x1111u) << mode;
    EXPECT_EQ(stack[1].frame, printed["frame1"]) << mode;
    // 0x1111 lies in no module: section 0, offset 0, no path.
    EXPECT_EQ(stack[1].section, 0u);
    EXPECT_EQ(stack[1].offset, 0u);
    EXPECT_EQ(stack[1].module, L"");
  }
}

#include "crash_format.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace lookout::crash {
namespace {

struct NamedCode {
  uint32_t code;
  const char16_t* name;
};

constexpr NamedCode kNames[] = {
    {0x80000001, u"GUARD_PAGE"},
    {0x80000002, u"DATATYPE_MISALIGNMENT"},
    {0x80000003, u"BREAKPOINT"},
    {0x80000004, u"SINGLE_STEP"},
    {0xC0000005, u"ACCESS_VIOLATION"},
    {0xC0000006, u"IN_PAGE_ERROR"},
    {0xC0000008, u"INVALID_HANDLE"},
    {0xC000001D, u"ILLEGAL_INSTRUCTION"},
    {0xC0000025, u"NONCONTINUABLE_EXCEPTION"},
    {0xC0000026, u"INVALID_DISPOSITION"},
    {0xC000008C, u"ARRAY_BOUNDS_EXCEEDED"},
    {0xC000008D, u"FLT_DENORMAL_OPERAND"},
    {0xC000008E, u"FLT_DIVIDE_BY_ZERO"},
    {0xC000008F, u"FLT_INEXACT_RESULT"},
    {0xC0000090, u"FLT_INVALID_OPERATION"},
    {0xC0000091, u"FLT_OVERFLOW"},
    {0xC0000092, u"FLT_STACK_CHECK"},
    {0xC0000093, u"FLT_UNDERFLOW"},
    {0xC0000094, u"INT_DIVIDE_BY_ZERO"},
    {0xC0000095, u"INT_OVERFLOW"},
    {0xC0000096, u"PRIV_INSTRUCTION"},
    {0xC00000FD, u"STACK_OVERFLOW"},
};

constexpr char kRule[] = "//=====================================================\r\n";

uint32_t Read32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

const char16_t* ExceptionName(uint32_t code) {
  for (const NamedCode& n : kNames)
    if (n.code == code) return n.name;
  return nullptr;
}

std::u16string ReportPathFor(const std::u16string& programPath) {
  size_t dot = programPath.rfind(u'.');
  size_t slash = programPath.find_last_of(u"\\/");
  if (dot == std::u16string::npos || (slash != std::u16string::npos && slash > dot)) return u"";
  if (programPath.size() - dot - 1 < 3) return u"";
  return programPath.substr(0, dot + 1) + u"RPT";
}

void ReportWriter::Ascii(const char* text) {
  for (; *text != '\0' && m_length < kLineBuffer - 1; ++text)
    m_buffer[m_length++] = static_cast<char16_t>(static_cast<unsigned char>(*text));
}

void ReportWriter::Wide(const char16_t* text) {
  for (; *text != u'\0' && m_length < kLineBuffer - 1; ++text) m_buffer[m_length++] = *text;
}

void ReportWriter::Printf(const char* format, ...) {
  char text[kLineBuffer];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  Ascii(text);
}

void ReportWriter::Flush() {
  m_sink.Write(m_buffer, m_length);
  m_length = 0;
}

void ReportWriter::Header(const LocalTime& t) {
  Begin();
  Ascii(kRule);
  Flush();
  Printf("%4d", t.year);
  Wide(u"年");
  Printf("%2d", t.month);
  Wide(u"月");
  Printf("%2d", t.day);
  Wide(u"日");
  Printf(" %2d:%2d:%2d\r\n", t.hour, t.minute, t.second);
  Flush();
  Ascii(kRule);
  Flush();
}

void ReportWriter::Exception(uint32_t code, const char16_t* name, uint64_t address, bool wide,
                             const LogicalAddress& where) {
  Begin();
  Printf("Exception code: %08X ", static_cast<unsigned>(code));
  Wide(name != nullptr ? name : u"");
  Ascii("\r\n");
  Flush();
  if (wide) {
    Printf("Fault address:  %016llX %02X:%016llX ", static_cast<unsigned long long>(address),
           static_cast<unsigned>(where.section), static_cast<unsigned long long>(where.offset));
  } else {
    Printf("Fault address:  %08X %02X:%08X ", static_cast<unsigned>(address),
           static_cast<unsigned>(where.section), static_cast<unsigned>(where.offset));
  }
  Wide(where.module);
  Ascii("\r\n");
  Flush();
}

void ReportWriter::RegisterDump(const Registers& r) {
  Begin();
  Ascii("\r\nRegisters:\r\n");
  Flush();
  if (r.wide) {
    Printf("RAX:%016llX\r\nRBX:%016llX\r\nRCX:%016llX\r\nRDX:%016llX\r\nRSI:%016llX\r\nRDI:%016llX\r\n",
           static_cast<unsigned long long>(r.ax), static_cast<unsigned long long>(r.bx),
           static_cast<unsigned long long>(r.cx), static_cast<unsigned long long>(r.dx),
           static_cast<unsigned long long>(r.si), static_cast<unsigned long long>(r.di));
    for (int i = 0; i < 8; ++i)
      Printf("R%d:%016llX\r\n", 8 + i, static_cast<unsigned long long>(r.r[i]));
    Flush();
    Printf("CS:RIP:%04X:%016llX\r\n", r.cs, static_cast<unsigned long long>(r.ip));
    Flush();
    Printf("SS:RSP:%04X:%016llX  RBP:%016llX\r\n", r.ss, static_cast<unsigned long long>(r.sp),
           static_cast<unsigned long long>(r.bp));
    Flush();
  } else {
    Printf("EAX:%08X\r\nEBX:%08X\r\nECX:%08X\r\nEDX:%08X\r\nESI:%08X\r\nEDI:%08X\r\n",
           static_cast<unsigned>(r.ax), static_cast<unsigned>(r.bx), static_cast<unsigned>(r.cx),
           static_cast<unsigned>(r.dx), static_cast<unsigned>(r.si), static_cast<unsigned>(r.di));
    Flush();
    Printf("CS:EIP:%04X:%08X\r\n", r.cs, static_cast<unsigned>(r.ip));
    Flush();
    Printf("SS:ESP:%04X:%08X  EBP:%08X\r\n", r.ss, static_cast<unsigned>(r.sp),
           static_cast<unsigned>(r.bp));
    Flush();
  }
  Printf("DS:%04X  ES:%04X  FS:%04X  GS:%04X\r\n", r.ds, r.es, r.fs, r.gs);
  Flush();
  Printf("Flags:%08X\r\n", r.flags);
  Flush();
}

void ReportWriter::StackHeader(bool wide) {
  Begin();
  Ascii("\r\nCall stack:\r\n");
  Flush();
  Ascii(wide ? "Address           Frame             Logical addr          Module\r\n"
             : "Address   Frame     Logical addr  Module\r\n");
  Flush();
}

void ReportWriter::Frame(uint64_t address, uint64_t frame, bool wide, const LogicalAddress& where) {
  Begin();
  if (wide) {
    Printf("%016llX  %016llX  %04X:%016llX ", static_cast<unsigned long long>(address),
           static_cast<unsigned long long>(frame), static_cast<unsigned>(where.section),
           static_cast<unsigned long long>(where.offset));
  } else {
    Printf("%08X  %08X  %04X:%08X ", static_cast<unsigned>(address), static_cast<unsigned>(frame),
           static_cast<unsigned>(where.section), static_cast<unsigned>(where.offset));
  }
  Wide(where.module);
  Ascii("\r\n");
  Flush();
}

void ReportWriter::End() {
  Begin();
  Ascii("\r\n");
  Flush();
}

void WalkFrames(uint64_t ip, uint64_t frame, unsigned wordSize, MemoryProbe& memory,
                FrameVisitor& visitor) {
  const uint64_t word = wordSize;
  // The faulting context's frame pointer may be anything: read it only when it is mapped.
  bool readable = frame % word == 0 && memory.IsWritable(frame, 2 * word);
  for (;;) {
    visitor.Visit(ip, frame);
    if (!readable) return;
    uint64_t nextIp = memory.ReadWord(frame + word);
    uint64_t next = memory.ReadWord(frame);
    if (next % word != 0 || next <= frame || !memory.IsWritable(next, 2 * word)) return;
    ip = nextIp;
    frame = next;
  }
}

bool FindSection(const uint8_t* image, size_t available, uint64_t rva, uint32_t* section,
                 uint64_t* offset) {
  if (available < 0x40 || Read16(image) != 0x5A4D) return false;
  uint64_t nt = Read32(image + 0x3C);
  if (nt + 24 > available || Read32(image + nt) != 0x00004550) return false;
  uint32_t count = Read16(image + nt + 6);
  uint64_t optionalSize = Read16(image + nt + 20);
  uint64_t table = nt + 24 + optionalSize;
  for (uint32_t i = 0; i < count; ++i) {
    uint64_t h = table + 40ull * i;
    if (h + 40 > available) return false;
    uint64_t virtualSize = Read32(image + h + 8);
    uint64_t start = Read32(image + h + 12);
    uint64_t rawSize = Read32(image + h + 16);
    uint64_t length = virtualSize > rawSize ? virtualSize : rawSize;
    if (start <= rva && rva <= start + length) {
      *section = i + 1;
      *offset = rva - start;
      return true;
    }
  }
  return false;
}

}  // namespace lookout::crash

#include "crash_report.h"

#include <windows.h>

#include "crash_format.h"

namespace lookout::crash {
namespace {

wchar_t g_reportPath[MAX_PATH + 1];
LPTOP_LEVEL_EXCEPTION_FILTER g_previousFilter;
HANDLE g_reportFile = INVALID_HANDLE_VALUE;
bool g_armed;

const char16_t* U16(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }

class FileSink : public ReportSink {
 public:
  void Write(const char16_t* text, size_t length) override {
    DWORD written = 0;
    WriteFile(g_reportFile, text, static_cast<DWORD>(length * sizeof(char16_t)), &written, nullptr);
  }
};

constexpr DWORD kWritable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

class ProcessMemory : public MemoryProbe {
 public:
  bool IsWritable(uint64_t address, size_t length) override {
    uintptr_t at = static_cast<uintptr_t>(address);
    if (at != address || at + length < at) return false;
    uintptr_t end = at + length;
    while (at < end) {
      MEMORY_BASIC_INFORMATION info;
      if (VirtualQuery(reinterpret_cast<void*>(at), &info, sizeof info) == 0) return false;
      if (info.State != MEM_COMMIT || (info.Protect & kWritable) == 0 || (info.Protect & PAGE_GUARD) != 0)
        return false;
      at = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
    }
    return true;
  }
  uint64_t ReadWord(uint64_t address) override {
    return *reinterpret_cast<const uintptr_t*>(static_cast<uintptr_t>(address));
  }
};

// Module, section and offset of a code address; `module` receives the module's path.
LogicalAddress Locate(uint64_t address, wchar_t (&module)[MAX_PATH + 1]) {
  LogicalAddress where;
  module[0] = L'\0';
  where.module = U16(module);
  MEMORY_BASIC_INFORMATION info;
  if (VirtualQuery(reinterpret_cast<void*>(static_cast<uintptr_t>(address)), &info, sizeof info) == 0 ||
      info.AllocationBase == nullptr)
    return where;
  HMODULE base = static_cast<HMODULE>(info.AllocationBase);
  DWORD n = GetModuleFileNameW(base, module, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {
    module[0] = L'\0';
    return where;
  }
  module[n] = L'\0';
  MEMORY_BASIC_INFORMATION head;
  if (VirtualQuery(base, &head, sizeof head) == 0 || head.State != MEM_COMMIT) return where;
  uint32_t section = 0;
  uint64_t offset = 0;
  if (FindSection(reinterpret_cast<const uint8_t*>(base), head.RegionSize,
                  address - reinterpret_cast<uintptr_t>(base), &section, &offset)) {
    where.section = section;
    where.offset = offset;
  }
  return where;
}

class FrameLines : public FrameVisitor {
 public:
  FrameLines(ReportWriter& writer, bool wide) : m_writer(writer), m_wide(wide) {}
  void Visit(uint64_t code, uint64_t frame) override {
    wchar_t module[MAX_PATH + 1];
    m_writer.Frame(code, frame, m_wide, Locate(code, module));
  }

 private:
  ReportWriter& m_writer;
  bool m_wide;
};

Registers FromContext(const CONTEXT& c) {
  Registers r;
#ifdef _WIN64
  r.wide = true;
  r.ax = c.Rax;
  r.bx = c.Rbx;
  r.cx = c.Rcx;
  r.dx = c.Rdx;
  r.si = c.Rsi;
  r.di = c.Rdi;
  const DWORD64 high[8] = {c.R8, c.R9, c.R10, c.R11, c.R12, c.R13, c.R14, c.R15};
  for (int i = 0; i < 8; ++i) r.r[i] = high[i];
  r.ip = c.Rip;
  r.sp = c.Rsp;
  r.bp = c.Rbp;
#else
  r.ax = c.Eax;
  r.bx = c.Ebx;
  r.cx = c.Ecx;
  r.dx = c.Edx;
  r.si = c.Esi;
  r.di = c.Edi;
  r.ip = c.Eip;
  r.sp = c.Esp;
  r.bp = c.Ebp;
#endif
  r.cs = c.SegCs;
  r.ss = c.SegSs;
  r.ds = c.SegDs;
  r.es = c.SegEs;
  r.fs = c.SegFs;
  r.gs = c.SegGs;
  r.flags = c.EFlags;
  return r;
}

void WriteReport(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
  const CONTEXT& context = *pointers->ContextRecord;
  FileSink sink;
  ReportWriter writer(sink);

  SYSTEMTIME now;
  GetLocalTime(&now);
  writer.Header({now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond});

  static wchar_t systemName[1024];
  const char16_t* name = ExceptionName(record.ExceptionCode);
  if (name == nullptr) {
    systemName[0] = L'\0';
    FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, GetModuleHandleW(L"NTDLL.DLL"),
                   record.ExceptionCode, 0, systemName, 1024, nullptr);
    name = U16(systemName);
  }
  wchar_t module[MAX_PATH + 1];
  uint64_t address = reinterpret_cast<uintptr_t>(record.ExceptionAddress);
  Registers registers = FromContext(context);
  writer.Exception(record.ExceptionCode, name, address, registers.wide, Locate(address, module));
  writer.RegisterDump(registers);

  writer.StackHeader(registers.wide);
  ProcessMemory memory;
  FrameLines lines(writer, registers.wide);
  WalkFrames(registers.ip, registers.bp, sizeof(void*), memory, lines);
  writer.End();
}

LONG WINAPI ReportUnhandled(EXCEPTION_POINTERS* pointers) {
  if (g_reportPath[0] != L'\0') {
    g_reportFile = CreateFileW(g_reportPath, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_FLAG_WRITE_THROUGH,
                               nullptr);
    if (g_reportFile != INVALID_HANDLE_VALUE) {
      SetFilePointer(g_reportFile, 0, nullptr, FILE_END);
      WriteReport(pointers);
      CloseHandle(g_reportFile);
      g_reportFile = INVALID_HANDLE_VALUE;
    }
  }
  return EXCEPTION_EXECUTE_HANDLER;
}

struct Arming {
  Arming() {
    SetErrorMode(SEM_NOGPFAULTERRORBOX);
    g_previousFilter = SetUnhandledExceptionFilter(ReportUnhandled);
    g_armed = true;
    wchar_t program[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::u16string path = n > 0 && n < MAX_PATH ? ReportPathFor(U16(program)) : std::u16string();
    if (path.size() <= MAX_PATH) {
      path.copy(reinterpret_cast<char16_t*>(g_reportPath), path.size());
      g_reportPath[path.size()] = L'\0';
    }
  }
  ~Arming() {
    SetUnhandledExceptionFilter(g_previousFilter);
    g_armed = false;
  }
};

// Before every other static object of the program.
Arming g_arming __attribute__((init_priority(101)));

}  // namespace

const wchar_t* ReportPath() { return g_reportPath; }
bool IsArmed() { return g_armed; }

}  // namespace lookout::crash

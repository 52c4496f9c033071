// A program with the crash reporter linked in that faults on request:
//   crash_victim access | unknown | misaligned | notabove | unreadable
// It prints what the test needs to check the report (module base, function addresses, the
// frames it made up) before it faults.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "crash_report.h"

namespace {

int* volatile g_null = nullptr;
volatile int g_sink;

__attribute__((noinline)) void Touch(int n) { g_sink = n; }

// Not a leaf: 64-bit GCC gives leaf functions no frame even when asked to keep them. No
// value lives across a call either: a 64-bit function that saves other registers places its
// frame pointer below them, off the chain.
__attribute__((noinline)) int Level3(int n) {
  Touch(n);
  *g_null = 7;  // the fault
  return 1;
}
__attribute__((noinline)) int Level2(int n) { return Level3(n + 1) * 3; }
__attribute__((noinline)) int Level1(int n) { return Level2(n + 1) * 5; }

// Faults with the frame pointer set to `frame`. The function saves the caller's frame
// pointer as an ordinary register and does not use it as its own, so that 64-bit exception
// dispatch, which unwinds through the unwind tables, still finds its way to the handler.
__attribute__((noinline, optimize("omit-frame-pointer"))) void FaultWithFrame(uintptr_t frame) {
#if defined(__x86_64__)
  asm volatile("mov %0, %%rbp\n\tmovl $0, 0\n" : : "r"(frame) : "memory", "rbp");
#else
  asm volatile("mov %0, %%ebp\n\tmovl $0, 0\n" : : "r"(frame) : "memory", "ebp");
#endif
}

void Print(const char* name, const void* p) {
  std::printf("%s %llx\n", name, static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || !lookout::crash::IsArmed()) return 2;
  const char* mode = argv[1];
  Print("module", GetModuleHandleW(nullptr));
  if (std::strcmp(mode, "access") == 0) {
    Print("Level1", reinterpret_cast<void*>(&Level1));
    Print("Level2", reinterpret_cast<void*>(&Level2));
    Print("Level3", reinterpret_cast<void*>(&Level3));
    std::fflush(stdout);
    g_sink = Level1(argc);
    return 0;
  }
  if (std::strcmp(mode, "unknown") == 0) {
    std::fflush(stdout);
    RaiseException(0xC0000017, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    return 0;
  }
  // Two made-up frames in a writable page; the page after it is read-only.
  const size_t w = sizeof(uintptr_t);
  auto* page = static_cast<uint8_t*>(VirtualAlloc(nullptr, 0x2000, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  DWORD old;
  VirtualProtect(page + 0x1000, 0x1000, PAGE_READONLY, &old);
  uintptr_t frame0 = reinterpret_cast<uintptr_t>(page) + 0x100;
  uintptr_t frame1 = frame0 + 0x40;
  auto word = [](uintptr_t at) -> uintptr_t& { return *reinterpret_cast<uintptr_t*>(at); };
  word(frame0) = frame1;
  word(frame0 + w) = 0x1111;
  word(frame1 + w) = 0x2222;
  if (std::strcmp(mode, "misaligned") == 0) {
    word(frame1) = frame1 + 0x42;
  } else if (std::strcmp(mode, "notabove") == 0) {
    word(frame1) = frame0;
  } else if (std::strcmp(mode, "unreadable") == 0) {
    word(frame1) = reinterpret_cast<uintptr_t>(page) + 0x1000;  // above, aligned, read-only
  } else {
    return 2;
  }
  Print("frame0", reinterpret_cast<void*>(frame0));
  Print("frame1", reinterpret_cast<void*>(frame1));
  std::fflush(stdout);
  FaultWithFrame(frame0);
  return 3;  // not reached
}

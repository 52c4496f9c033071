// The crash report: its lines, the exception names, the frame-pointer walk and the logical
// address (section and offset) of a code address. Platform-free: the Windows layer supplies
// the context, memory probes and module lookups. Lines are UTF-16 without byte-order mark.
// The 64-bit build writes 64-bit registers and addresses and walks the RBP chain.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#if defined(__MINGW_PRINTF_FORMAT)
#define LOOKOUT_PRINTF_FORMAT(f, a) __attribute__((format(__MINGW_PRINTF_FORMAT, f, a)))
#else
#define LOOKOUT_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#endif

namespace lookout::crash {

constexpr size_t kLineBuffer = 1024;  // characters per formatted line group

// Null for a code outside the table.
const char16_t* ExceptionName(uint32_t code);

// The program path with an extension of at least three characters replaced by "RPT";
// empty (no report) for any other path.
std::u16string ReportPathFor(const std::u16string& programPath);

struct LocalTime {
  int year, month, day, hour, minute, second;
};

struct Registers {
  bool wide = false;  // 64-bit register set
  uint64_t ax = 0, bx = 0, cx = 0, dx = 0, si = 0, di = 0;
  uint64_t r[8] = {};  // R8 to R15 (64-bit only)
  uint64_t ip = 0, sp = 0, bp = 0;
  uint32_t cs = 0, ss = 0, ds = 0, es = 0, fs = 0, gs = 0, flags = 0;
};

// A code address as module, section (1-based; 0 when not found) and offset.
struct LogicalAddress {
  uint32_t section = 0;
  uint64_t offset = 0;
  const char16_t* module = u"";  // empty when the module's path is unknown
};

class ReportSink {
 public:
  virtual ~ReportSink() = default;
  virtual void Write(const char16_t* text, size_t length) = 0;
};

// Formats line groups into one buffer of kLineBuffer characters and writes them. Text that
// does not fit a group is cut.
class ReportWriter {
 public:
  explicit ReportWriter(ReportSink& sink) : m_sink(sink) {}
  void Header(const LocalTime& t);
  void Exception(uint32_t code, const char16_t* name, uint64_t address, bool wide,
                 const LogicalAddress& where);
  void RegisterDump(const Registers& r);
  void StackHeader(bool wide);
  void Frame(uint64_t address, uint64_t frame, bool wide, const LogicalAddress& where);
  void End();

 private:
  void Begin() { m_length = 0; }
  void Ascii(const char* text);
  void Wide(const char16_t* text);
  void Printf(const char* format, ...) LOOKOUT_PRINTF_FORMAT(2, 3);
  void Flush();

  ReportSink& m_sink;
  char16_t m_buffer[kLineBuffer];
  size_t m_length = 0;
};

// What the walk may read: a probe for writable memory and a word reader.
class MemoryProbe {
 public:
  virtual ~MemoryProbe() = default;
  virtual bool IsWritable(uint64_t address, size_t length) = 0;
  virtual uint64_t ReadWord(uint64_t address) = 0;  // only called where IsWritable held
};

class FrameVisitor {
 public:
  virtual ~FrameVisitor() = default;
  virtual void Visit(uint64_t codeAddress, uint64_t frame) = 0;
};

// Visits (ip, frame), then follows the saved frame pointer at [frame] and the return address
// at [frame + word]; stops when the next frame is misaligned, not above the current one, or
// not writable for two words. A first frame that cannot be read ends the walk after its line.
void WalkFrames(uint64_t ip, uint64_t frame, unsigned wordSize, MemoryProbe& memory,
                FrameVisitor& visitor);

// Finds the section of `rva` (address minus module base) in the PE headers at `image`, of
// which `available` bytes can be read. Section i (from 1) spans [VirtualAddress,
// VirtualAddress + max(VirtualSize, SizeOfRawData)], both ends included.
bool FindSection(const uint8_t* image, size_t available, uint64_t rva, uint32_t* section,
                 uint64_t* offset);

}  // namespace lookout::crash

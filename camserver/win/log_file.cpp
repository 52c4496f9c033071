#include "log_file.h"

#include <atomic>
#include <vector>

namespace lantern {

namespace {

std::string ModuleFileName(HMODULE module) {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameA(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::string();
    // A full buffer means the name was cut: grow and ask again.
    if (n < buffer.size()) return std::string(buffer.data(), n);
    if (buffer.size() >= 32768) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

class NullLogger : public Logger {
 public:
  void WriteV(const char*, va_list) override {}
};

NullLogger g_null_logger;
std::atomic<LogFile*> g_library_log{nullptr};

}  // namespace

std::string HostExecutablePath() { return ModuleFileName(nullptr); }

void LogFile::Outputs::ToDebugger(const char* text, size_t) { OutputDebugStringA(text); }

void LogFile::Outputs::ToConsole(const char* text, size_t size) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
  DWORD done = 0;
  ::WriteFile(out, text, static_cast<DWORD>(size), &done, nullptr);
}

size_t LogFile::Outputs::ToFile(const char* text, size_t size) {
  if (file == INVALID_HANDLE_VALUE) return 0;
  DWORD done = 0;
  if (!::WriteFile(file, text, static_cast<DWORD>(size), &done, nullptr)) return 0;
  return done;
}

void LogFile::Outputs::SeekFileStart() {
  if (file != INVALID_HANDLE_VALUE) SetFilePointer(file, 0, nullptr, FILE_BEGIN);
}

LogFile::LogFile(CalendarSource now, uint32_t size_limit)
    : writer_(&outputs_, std::move(now), size_limit) {}

LogFile::~LogFile() { CloseLog(); }

bool LogFile::OpenLog(unsigned flags, const char* name, bool append) {
  if ((flags & kLogConsole) && !console_allocated_) {
    AllocConsole();
    console_allocated_ = true;
  }
  bool opened = true;
  writer_.Reconfigure([&](unsigned) {
    if (outputs_.file != INVALID_HANDLE_VALUE) {
      CloseHandle(outputs_.file);
      outputs_.file = INVALID_HANDLE_VALUE;
    }
    if (!(flags & kLogFile)) return flags;

    path_ = LogFilePath(HostExecutablePath(), name != nullptr ? name : "");
    if (!append) {
      const std::string backup = path_ + ".bak";
      DeleteFileA(backup.c_str());
      MoveFileA(path_.c_str(), backup.c_str());
    }
    outputs_.file = CreateFileA(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (outputs_.file == INVALID_HANDLE_VALUE) {
      opened = false;
      return (flags & ~static_cast<unsigned>(kLogFile)) | kLogDebugger;
    }
    if (append) {
      SetFilePointer(outputs_.file, 0, nullptr, FILE_END);
    } else {
      SetFilePointer(outputs_.file, 0, nullptr, FILE_BEGIN);
      SetEndOfFile(outputs_.file);
    }
    return flags;
  });
  return opened;
}

void LogFile::WriteLog(const char* format, ...) {
  va_list args;
  va_start(args, format);
  writer_.WriteV(format, args);
  va_end(args);
}

void LogFile::WriteV(const char* format, va_list args) { writer_.WriteV(format, args); }

void LogFile::CloseLog() {
  writer_.Reconfigure([&](unsigned flags) {
    if (outputs_.file != INVALID_HANDLE_VALUE) {
      CloseHandle(outputs_.file);
      outputs_.file = INVALID_HANDLE_VALUE;
    }
    return flags;
  });
}

Logger& LibraryLog() {
  LogFile* log = g_library_log.load();
  if (log != nullptr) return *log;
  return g_null_logger;
}

void CreateLibraryLog(HMODULE library) {
  if (g_library_log.load() != nullptr) return;
  auto* log = new LogFile();
  log->OpenLog(kLogFile | kLogDebugger, ModuleFileName(library).c_str(), false);
  g_library_log.store(log);
}

void DestroyLibraryLog() {
  LogFile* log = g_library_log.exchange(nullptr);
  if (log != nullptr) {
    log->CloseLog();
    delete log;
  }
}

}  // namespace lantern

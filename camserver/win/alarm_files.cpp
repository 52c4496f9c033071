#include "alarm_files.h"

#include <windows.h>

#include <cstdio>

#include "alarm_params.h"
#include "log_file.h"
#include "path_names.h"

namespace lantern {

namespace {

std::string TempFolder() {
  char buffer[MAX_PATH + 1] = {};
  DWORD n = GetTempPathA(sizeof buffer, buffer);
  std::string dir = (n > 0 && n < sizeof buffer) ? std::string(buffer, n) : std::string();
  if (dir.empty()) {
    // No temporary folder: keep the files beside the host program instead.
    dir = PathFolder(HostExecutablePath());
  }
  if (!dir.empty() && !IsPathSeparator(dir.back())) dir += '\\';
  return dir;
}

}  // namespace

std::string AlarmParamFilePath(const std::string& cameraName) {
  std::string dir = TempFolder() + PathBaseName(HostExecutablePath()) + "\\";
  char path[MAX_PATH * 2];
  std::snprintf(path, sizeof path, "%s%s.apd", dir.c_str(), cameraName.c_str());
  return path;
}

std::string SnapshotFilePath(int cameraIndex) {
  char dir[64];
  std::snprintf(dir, sizeof dir, "vskn%lX\\", static_cast<unsigned long>(GetCurrentProcessId()));
  char path[MAX_PATH * 2];
  std::snprintf(path, sizeof path, "%s%s%d.bmp", TempFolder().c_str(), dir, cameraIndex);
  return path;
}

void CreateParentFolders(const std::string& filePath) {
  size_t end = filePath.find_last_of("\\/");
  if (end == std::string::npos) return;
  for (size_t i = 0; i <= end; ++i) {
    if (filePath[i] != '\\' && filePath[i] != '/') continue;
    if (i == 0 || filePath[i - 1] == ':') continue;  // drive root
    CreateDirectoryA(filePath.substr(0, i).c_str(), nullptr);
  }
}

bool WriteSnapshot(const std::string& path, const uint8_t* image, size_t size) {
  // Rewritten in place and then cut to length: truncating it on open makes the file system
  // free and reallocate every block at each check, which costs milliseconds here and in the
  // detector's read that follows. The folders are made only when missing, not at every check.
  auto open = [&] {
    return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_FLAG_SEQUENTIAL_SCAN,
                       nullptr);
  };
  HANDLE file = open();
  if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PATH_NOT_FOUND) {
    CreateParentFolders(path);
    file = open();
  }
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, image, static_cast<DWORD>(size), &written, nullptr) && written == size &&
            SetEndOfFile(file);
  CloseHandle(file);
  return ok;
}

size_t ApdFileStore::Load(uint8_t* record, size_t size) {
  HANDLE file = CreateFileA(m_path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  DWORD read = 0;
  if (!ReadFile(file, record, static_cast<DWORD>(size), &read, nullptr)) read = 0;
  CloseHandle(file);
  return read;
}

AlarmParamStore::SaveResult ApdFileStore::Save(const uint8_t* record, size_t size) {
  CreateParentFolders(m_path);
  HANDLE file = CreateFileA(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return SaveResult::kOpenFailed;
  DWORD written = 0;
  BOOL ok = WriteFile(file, record, static_cast<DWORD>(size), &written, nullptr);
  CloseHandle(file);
  return ok && written == size ? SaveResult::kSaved : SaveResult::kShortWrite;
}

LocalTime SystemLocalTime::Now() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return LocalTime{t.wDayOfWeek, t.wHour, t.wMinute};
}

}  // namespace lantern

// Test helpers around the stand-in filter driver and the programs that talk to it: driver
// services, the control device with the test-only code, other programs and their message
// boxes. Windows only.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "KvFilterTestControl.h"

namespace kvtest {

// The built stand-in driver file.
std::wstring StandInDriverPath();

// A kernel driver service; the image path may be absolute. False with the error in *error.
bool CreateDriverService(const std::wstring& name, const std::wstring& imagePath, DWORD startType, DWORD* error);
bool StartDriverService(const std::wstring& name, DWORD* error);
// SERVICE_RUNNING, SERVICE_STOPPED, ...; 0 when there is no such service.
DWORD ServiceState(const std::wstring& name);
// Stops (waiting up to 10 s) and deletes the service; true when it is gone or never was.
bool StopAndDeleteService(const std::wstring& name);

// The control device, opened as the driver's callers open it.
class Device {
 public:
  Device() = default;
  ~Device() { Close(); }
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;
  bool Open();
  void Close();
  bool IsOpen() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE handle() const { return h_; }
  // DeviceIoControl: 0 on success, else the error; *bytes gets the returned byte count.
  DWORD Control(DWORD code, const void* in, DWORD inLen, void* out, DWORD outLen, DWORD* bytes = nullptr);
  // The test-only code.
  DWORD Opened(const char* program);
  // Opening, not using yet: only the opener query answers it.
  DWORD Opening(const char* program);
  DWORD Closed();
  bool State(KV_TEST_STATE* state);
  // A name query as a string; empty for 0 bytes. The error, if any, in *error.
  std::string Query(DWORD code, DWORD* error = nullptr);

 private:
  DWORD Tell(unsigned op, const char* program);
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

// The device can be opened.
bool DeviceOpens();

// A started program; its handles are closed on destruction (it is ended if still running).
class Program {
 public:
  Program() = default;
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  bool Start(const std::wstring& exe, const std::wstring& args, const std::wstring& folder = L"");
  // The exit code, or STILL_ACTIVE when it did not end in time.
  DWORD Wait(DWORD ms);
  DWORD pid() const { return pi_.dwProcessId; }

 private:
  PROCESS_INFORMATION pi_ = {};
};

struct MessageBoxSeen {
  HWND hwnd = nullptr;
  std::wstring title;
  std::wstring text;
};

// Waits up to `ms` for a message box of the process `pid` (0: any process) and reads it.
bool FindMessageBox(DWORD pid, DWORD ms, MessageBoxSeen* box);
// Presses its OK button.
void DismissMessageBox(HWND box);
bool WaitWindowGone(HWND hwnd, DWORD ms);

// A path of the build tree as Windows writes it (backslashes).
std::wstring WinPath(std::wstring path);

std::wstring ReadRegString(HKEY root, const std::wstring& key, const std::wstring& name);
bool ReadRegDword(HKEY root, const std::wstring& key, const std::wstring& name, DWORD* value);
// The raw bytes of a value; false when it is missing.
bool ReadRegBytes(HKEY root, const std::wstring& key, const std::wstring& name, std::vector<BYTE>* bytes,
                  DWORD* type = nullptr);
bool WriteRegBytes(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
                   const std::vector<BYTE>& bytes);
void DeleteRegValue(HKEY root, const std::wstring& key, const std::wstring& name);

// ASCII as REG_MULTI_SZ bytes, '|' standing for a zero unit.
std::vector<BYTE> MultiSz(const char* text);

}  // namespace kvtest

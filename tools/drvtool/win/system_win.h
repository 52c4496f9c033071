// The install procedures' system ports on Windows: service control manager, registry,
// files, sleeping and message boxes.
#pragma once

#include <windows.h>

#include "system_ports.h"

namespace drvtool {

class WinRegistry : public Registry {
 public:
  bool KeyExists(const std::wstring& key) override;
  bool CreateKey(const std::wstring& key) override;
  bool SetString(const std::wstring& key, const std::wstring& name, const std::wstring& value, bool expandable) override;
  bool SetDword(const std::wstring& key, const std::wstring& name, uint32_t value) override;
  bool SetMultiString(const std::wstring& key, const std::wstring& name, const std::vector<uint8_t>& bytes) override;
  ReadStatus Read(const std::wstring& key, const std::wstring& name, size_t maxBytes,
                  std::vector<uint8_t>* bytes) override;
};

class WinSystem : public System {
 public:
  // Message boxes are owned by `owner` (none for the command line).
  void SetOwner(HWND owner) { owner_ = owner; }

  std::unique_ptr<ServiceManager> OpenServiceManager(uint32_t* error) override;
  Registry& registry() override { return registry_; }
  bool SystemDirectory(std::wstring* dir) override;
  bool FileExists(const std::wstring& path) override;
  bool CopyOver(const std::wstring& from, const std::wstring& to, uint32_t* error) override;
  void SleepMs(uint32_t ms) override { Sleep(ms); }
  void Prompt(const std::wstring& text, const std::wstring& title, PromptIcon icon, bool topmost) override;

 private:
  HWND owner_ = nullptr;
  WinRegistry registry_;
};

// The folder of the running program, without a trailing backslash.
std::wstring ProgramFolder();

}  // namespace drvtool

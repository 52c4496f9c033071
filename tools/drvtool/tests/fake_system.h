// An in-memory system for the install, start and stop procedures: services that change
// state at given times of a fake clock that only sleeping advances, a registry, files and
// the message boxes shown.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "system_ports.h"

namespace drvtool {

struct FakeService {
  ServiceConfig config;
  ServiceState state = ServiceState::Stopped;
  uint32_t runningAfterMs = 0;  // a start request reaches Running this long after it is sent
  uint32_t stoppedAfterMs = 0;
  bool neverRuns = false;
  bool refusesStop = false;
  int startRequests = 0;
  int stopRequests = 0;
  uint32_t changeAt = 0;
  ServiceState changeTo = ServiceState::Stopped;
  bool changing = false;
};

struct Shown {
  std::wstring text, title;
  PromptIcon icon;
  bool topmost;
};

struct RegValue {
  enum Kind { String, ExpandString, Dword, MultiString } kind;
  std::wstring text;
  uint32_t dword = 0;
  std::vector<uint8_t> bytes;
};

class FakeSystem : public System, public Registry {
 public:
  // System
  std::unique_ptr<ServiceManager> OpenServiceManager(uint32_t* error) override;
  Registry& registry() override { return *this; }
  bool SystemDirectory(std::wstring* dir) override {
    *dir = L"C:\\windows\\system32";
    return haveSystemDirectory;
  }
  bool FileExists(const std::wstring& path) override { return files.count(path) != 0; }
  bool CopyOver(const std::wstring& from, const std::wstring& to, uint32_t* error) override;
  void SleepMs(uint32_t ms) override {
    sleeps.push_back(ms);
    nowMs += ms;
  }
  void Prompt(const std::wstring& text, const std::wstring& title, PromptIcon icon, bool topmost) override {
    shown.push_back({text, title, icon, topmost});
  }

  // Registry
  bool KeyExists(const std::wstring& key) override { return keys.count(Lower(key)) != 0; }
  bool CreateKey(const std::wstring& key) override;
  bool SetString(const std::wstring& key, const std::wstring& name, const std::wstring& value, bool expandable) override;
  bool SetDword(const std::wstring& key, const std::wstring& name, uint32_t value) override;
  bool SetMultiString(const std::wstring& key, const std::wstring& name, const std::vector<uint8_t>& bytes) override;
  ReadStatus Read(const std::wstring& key, const std::wstring& name, size_t maxBytes,
                  std::vector<uint8_t>* bytes) override;

  // The current state of a service as its clock sees it.
  ServiceState StateOf(FakeService& s);
  const RegValue* Value(const std::wstring& key, const std::wstring& name);
  static std::wstring Lower(const std::wstring& s);

  std::map<std::wstring, FakeService> services;
  bool scmOpens = true;
  uint32_t createError = 0;  // nonzero: creation fails with it
  bool haveSystemDirectory = true;
  std::map<std::wstring, std::wstring> files;  // path -> contents
  bool copyFails = false;
  std::map<std::wstring, std::map<std::wstring, RegValue>> values;  // lower-case key -> values
  std::map<std::wstring, bool> keys;
  std::wstring failingValue;  // writes of this value name fail
  std::vector<std::wstring> multiStringWrites;  // value names, in order
  uint32_t nowMs = 0;
  std::vector<uint32_t> sleeps;
  std::vector<Shown> shown;
  int managerOpens = 0;
};

}  // namespace drvtool

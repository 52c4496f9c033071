// What the install, start and stop procedures need from the system: the service control
// manager, the registry (HKEY_LOCAL_MACHINE), files, waiting, and message boxes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace drvtool {

// Win32 error codes the procedures tell apart.
constexpr uint32_t kErrorServiceDoesNotExist = 1060;
constexpr uint32_t kErrorServiceExists = 1073;

// Service type and start type values of the service control manager.
constexpr uint32_t kServiceKernelDriver = 1;

enum class ServiceState { Stopped = 1, StartPending, StopPending, Running, ContinuePending, PausePending, Paused };

// An open service.
class Service {
 public:
  virtual ~Service() = default;
  virtual void Interrogate() = 0;
  virtual bool Query(ServiceState* state, uint32_t* error) = 0;
  virtual bool Start(uint32_t* error) = 0;
  virtual bool SendStop(uint32_t* error) = 0;
};

struct ServiceConfig {
  std::wstring name;  // also the display name
  std::wstring imagePath;
  uint32_t type = kServiceKernelDriver;
  uint32_t startType = 0;
};

// The service control manager, opened with full access.
class ServiceManager {
 public:
  virtual ~ServiceManager() = default;
  virtual std::unique_ptr<Service> Open(const std::wstring& name, uint32_t* error) = 0;
  // Error control normal, no group, no dependencies, no account.
  virtual std::unique_ptr<Service> Create(const ServiceConfig& config, uint32_t* error) = 0;
};

enum class ReadStatus { Ok, Missing, TooLarge, Failed };

// Keys are paths under HKEY_LOCAL_MACHINE.
class Registry {
 public:
  virtual ~Registry() = default;
  virtual bool KeyExists(const std::wstring& key) = 0;
  virtual bool CreateKey(const std::wstring& key) = 0;
  virtual bool SetString(const std::wstring& key, const std::wstring& name, const std::wstring& value,
                         bool expandable) = 0;
  virtual bool SetDword(const std::wstring& key, const std::wstring& name, uint32_t value) = 0;
  virtual bool SetMultiString(const std::wstring& key, const std::wstring& name, const std::vector<uint8_t>& bytes) = 0;
  // Missing: the key or the value is absent. TooLarge: the value holds more than maxBytes
  // (nothing is returned then).
  virtual ReadStatus Read(const std::wstring& key, const std::wstring& name, size_t maxBytes,
                          std::vector<uint8_t>* bytes) = 0;
};

enum class PromptIcon { None, Information, Error };

class System {
 public:
  virtual ~System() = default;
  virtual std::unique_ptr<ServiceManager> OpenServiceManager(uint32_t* error) = 0;
  virtual Registry& registry() = 0;
  virtual bool SystemDirectory(std::wstring* dir) = 0;
  virtual bool FileExists(const std::wstring& path) = 0;
  virtual bool CopyOver(const std::wstring& from, const std::wstring& to, uint32_t* error) = 0;
  virtual void SleepMs(uint32_t ms) = 0;
  virtual void Prompt(const std::wstring& text, const std::wstring& title, PromptIcon icon, bool topmost) = 0;
};

}  // namespace drvtool

// Installing, starting and stopping a driver service, its registry entries and event-log
// source, and the imaging class's upper-filter list. Failures are shown through the
// system's message boxes and reported as false.
#pragma once

#include <string>

#include "system_ports.h"

namespace drvtool {

// The imaging device class.
extern const wchar_t kImagingClassKey[];
// Bytes of "UpperFilters" read and edited in place.
constexpr size_t kUpperFiltersBytes = 256;

class DriverInstaller {
 public:
  // Start and stop wait for the service in kPolls checks kPollMs apart.
  static constexpr int kPolls = 10;
  static constexpr uint32_t kPollMs = 1000;

  explicit DriverInstaller(System& system) : sys_(system) {}

  // Where the service control manager finds the installed driver file.
  static std::wstring ImagePath(const std::wstring& name);

  // Copies `file` into the system's driver folder as <name>.sys and creates the service; an
  // existing service gets its registry values and event-log source rewritten instead.
  bool Install(const std::wstring& name, const std::wstring& file, uint32_t type, uint32_t startType);
  // True when the service was created, or exists and could not be stopped.
  bool CreateDriverService(const ServiceConfig& config);
  bool WriteServiceKey(const ServiceConfig& config);
  bool RegisterEventSource(const std::wstring& name);

  // Starts the service unless it runs already.
  bool Start(const std::wstring& name);
  // Stops the service; a missing or stopped service counts as stopped.
  bool Stop(const std::wstring& name);

  enum class FilterResult { Written, NoClassKey, Failed };
  // Makes `name` an entry of the imaging class's "UpperFilters".
  FilterResult AddUpperFilter(const std::wstring& name);

  // The dialog's install: KvUsbCameraFilter from <folder>\KvUsbCameraFilter.sys, then the
  // upper filter and the start of `filterName` (not started when the filter list could not
  // be written).
  bool InstallFromFolder(const std::wstring& folder, uint32_t startType, uint32_t type,
                         const std::wstring& filterName);

 private:
  void Fail(const std::wstring& text);
  bool WaitFor(Service& service, ServiceState wanted, uint32_t* lastError);

  System& sys_;
};

}  // namespace drvtool

#include "driver_installer.h"

#include <algorithm>

#include "multi_string.h"

namespace drvtool {

const wchar_t kImagingClassKey[] = L"System\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";

namespace {

const wchar_t kServicesKey[] = L"SYSTEM\\CurrentControlSet\\Services\\";
const wchar_t kEventLogKey[] = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\System";
const wchar_t kMessageTitle[] = L"Tinker";
// Registry values are far below this; it only bounds what a damaged value could ask for.
constexpr size_t kMaxValueBytes = 1 << 20;

std::wstring Num(uint32_t error) { return std::to_wstring(static_cast<int>(error)); }

}  // namespace

std::wstring DriverInstaller::ImagePath(const std::wstring& name) {
  // The \SystemRoot form: Windows resolves it like the relative "System32\Drivers\..." form,
  // and Wine's device host only finds the file through it.
  return L"\\SystemRoot\\System32\\Drivers\\" + name + L".sys";
}

void DriverInstaller::Fail(const std::wstring& text) { sys_.Prompt(text, kMessageTitle, PromptIcon::Error, false); }

bool DriverInstaller::WaitFor(Service& service, ServiceState wanted, uint32_t* lastError) {
  for (int i = 0; i < kPolls; ++i) {
    if (i > 0) sys_.SleepMs(kPollMs);
    ServiceState state;
    uint32_t error = 0;
    if (service.Query(&state, &error)) {
      if (state == wanted) return true;
      *lastError = 0;
    } else {
      *lastError = error;
    }
  }
  return false;
}

bool DriverInstaller::Install(const std::wstring& name, const std::wstring& file, uint32_t type,
                              uint32_t startType) {
  std::wstring sysDir;
  if (!sys_.SystemDirectory(&sysDir)) return false;
  std::wstring destination = sysDir + L"\\Drivers\\" + name + L".sys";

  Stop(name);

  uint32_t error = 0;
  if (!sys_.CopyOver(file, destination, &error)) {
    Fail(L"Could not copy " + file + L" to " + destination);
    return false;
  }
  ServiceConfig config;
  config.name = name;
  config.imagePath = ImagePath(name);
  config.type = type;
  config.startType = startType;
  if (CreateDriverService(config)) return true;
  return WriteServiceKey(config);
}

bool DriverInstaller::CreateDriverService(const ServiceConfig& config) {
  uint32_t error = 0;
  std::unique_ptr<ServiceManager> scm = sys_.OpenServiceManager(&error);
  if (!scm) {
    Fail(L"Could not open Service Control Manager");
    return false;
  }
  if (std::unique_ptr<Service> existing = scm->Open(config.name, &error)) {
    ServiceState state;
    if (existing->Query(&state, &error) && state != ServiceState::Stopped) {
      existing.reset();
      if (!Stop(config.name)) return true;  // still running: leave it installed as it is
    }
  }
  if (scm->Create(config, &error)) return true;
  if (error != kErrorServiceExists)
    Fail(L"Could not install driver with Service Control Manager, GetLastError()=" + Num(error));
  return false;
}

bool DriverInstaller::WriteServiceKey(const ServiceConfig& config) {
  Registry& reg = sys_.registry();
  std::wstring key = kServicesKey + config.name;
  if (!reg.CreateKey(key)) {
    Fail(L"Could not create driver registry key");
    return false;
  }
  auto valueFailed = [this](const wchar_t* value) {
    Fail(std::wstring(L"Could not create driver registry value ") + value);
    return false;
  };
  if (!reg.SetString(key, L"DisplayName", config.name, false)) return valueFailed(L"DisplayName");
  if (!reg.SetString(key, L"ImagePath", config.imagePath, true)) return valueFailed(L"ImagePath");
  if (!reg.SetDword(key, L"ErrorControl", 1)) return valueFailed(L"ErrorControl");
  if (!reg.SetDword(key, L"Start", config.startType)) return valueFailed(L"Start");
  if (!reg.SetDword(key, L"Type", config.type)) return valueFailed(L"Type");
  return RegisterEventSource(config.name);
}

bool DriverInstaller::RegisterEventSource(const std::wstring& name) {
  Registry& reg = sys_.registry();
  std::vector<uint8_t> bytes;
  if (reg.Read(kEventLogKey, L"Sources", kMaxValueBytes, &bytes) != ReadStatus::Ok) {
    Fail(L"Could not read event log value Sources");
    return false;
  }
  std::u16string units = UnitsOf(bytes.data(), bytes.size());
  std::u16string entry = ToUtf16(name);
  if (!MultiStringHas(units, entry)) {
    // Rebuilt rather than patched: a value without its double terminator stays readable.
    if (!reg.SetMultiString(kEventLogKey, L"Sources", BytesOf(MultiStringAppend(units, entry)))) {
      Fail(L"Could not write event log value Sources");
      return false;
    }
  }
  std::wstring sourceKey = std::wstring(kEventLogKey) + L"\\" + name;
  if (!reg.CreateKey(sourceKey) || !reg.SetDword(sourceKey, L"TypesSupported", 7) ||
      !reg.SetString(sourceKey, L"EventMessageFile",
                     L"%SystemRoot%\\System32\\IoLogMsg.dll;%SystemRoot%\\System32\\Drivers\\" + name + L".sys",
                     true)) {
    Fail(L"Could not create event log source " + name);
    return false;
  }
  return true;
}

bool DriverInstaller::Start(const std::wstring& name) {
  uint32_t error = 0;
  std::unique_ptr<ServiceManager> scm = sys_.OpenServiceManager(&error);
  if (!scm) {
    Fail(L"Could not open Service Control Manager");
    return false;
  }
  std::unique_ptr<Service> service = scm->Open(name, &error);
  if (!service) {
    Fail(L"Could not open driver service");
    return false;
  }
  service->Interrogate();
  ServiceState state;
  if (!service->Query(&state, &error)) {
    Fail(L"QueryServiceStatus error, GetLastError()=" + Num(error));
    return false;
  }
  if (state != ServiceState::Stopped) return true;
  if (!service->Start(&error)) {
    Fail(L"Could not start driver, GetLastError()=" + Num(error));
    return false;
  }
  uint32_t lastError = 0;
  if (WaitFor(*service, ServiceState::Running, &lastError)) return true;
  Fail(L"Could not start2 driver, GetLastError()=" + Num(lastError));
  return false;
}

bool DriverInstaller::Stop(const std::wstring& name) {
  uint32_t error = 0;
  std::unique_ptr<ServiceManager> scm = sys_.OpenServiceManager(&error);
  if (!scm) return false;
  std::unique_ptr<Service> service = scm->Open(name, &error);
  if (!service) return error == kErrorServiceDoesNotExist;
  service->Interrogate();
  ServiceState state;
  if (!service->Query(&state, &error)) {
    Fail(L"QueryServiceStatus error! GetLastError()=" + Num(error));
    return false;
  }
  if (state == ServiceState::Stopped) return true;
  if (!service->SendStop(&error)) return false;
  uint32_t lastError = 0;
  return WaitFor(*service, ServiceState::Stopped, &lastError);
}

DriverInstaller::FilterResult DriverInstaller::AddUpperFilter(const std::wstring& name) {
  Registry& reg = sys_.registry();
  if (!reg.KeyExists(kImagingClassKey)) return FilterResult::NoClassKey;
  std::u16string entry = ToUtf16(name);
  std::vector<uint8_t> value;
  switch (reg.Read(kImagingClassKey, L"UpperFilters", kUpperFiltersBytes, &value)) {
    case ReadStatus::Missing:
      value = BytesOf(MultiStringAppend(std::u16string(), entry));
      break;
    case ReadStatus::Ok: {
      uint8_t buffer[kUpperFiltersBytes] = {};
      size_t size = value.size() < sizeof buffer ? value.size() : sizeof buffer;
      std::copy(value.begin(), value.begin() + static_cast<std::ptrdiff_t>(size), buffer);
      FilterEdit edit = AddFilterEntry(buffer, sizeof buffer, &size, entry);
      if (edit == FilterEdit::TooLong) {
        Fail(L"UpperFilters is too long to add " + name);
        return FilterResult::Failed;
      }
      if (edit == FilterEdit::Added) value.assign(buffer, buffer + size);
      break;  // AlreadyPresent: written back as read
    }
    case ReadStatus::TooLarge:
      // Longer than the edit buffer: never cut short. Enough when the name is there already.
      if (reg.Read(kImagingClassKey, L"UpperFilters", kMaxValueBytes, &value) == ReadStatus::Ok &&
          MultiStringHas(UnitsOf(value.data(), value.size()), entry))
        return FilterResult::Written;
      Fail(L"UpperFilters is too long to add " + name);
      return FilterResult::Failed;
    case ReadStatus::Failed:
      Fail(L"Could not read UpperFilters");
      return FilterResult::Failed;
  }
  if (!reg.SetMultiString(kImagingClassKey, L"UpperFilters", value)) {
    Fail(L"Could not write UpperFilters");
    return FilterResult::Failed;
  }
  return FilterResult::Written;
}

bool DriverInstaller::InstallFromFolder(const std::wstring& folder, uint32_t startType, uint32_t type,
                                        const std::wstring& filterName) {
  bool installed = Install(L"KvUsbCameraFilter", folder + L"\\KvUsbCameraFilter.sys", type, startType);
  if (AddUpperFilter(filterName) == FilterResult::Failed) return false;
  return Start(filterName) && installed;
}

}  // namespace drvtool

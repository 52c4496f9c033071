#include "service_record.h"

#include <cwchar>
#include <vector>

#include "wait_until.h"

namespace {

std::wstring DependencyList(const wchar_t* list) {
  std::wstring text;
  for (const wchar_t* d = list; d != nullptr && *d; d += wcslen(d) + 1) text += std::wstring(d) + L";";
  return text;
}

}  // namespace

ServiceRecord ReadServiceRecord(const std::wstring& name) {
  ServiceRecord r;
  SC_HANDLE scm = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (scm == nullptr) return r;
  SC_HANDLE service = OpenServiceW(scm, name.c_str(), SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS);
  if (service != nullptr) {
    r.present = true;
    DWORD need = 0;
    QueryServiceConfigW(service, nullptr, 0, &need);
    std::vector<BYTE> buffer(need + 16);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    if (QueryServiceConfigW(service, config, static_cast<DWORD>(buffer.size()), &need)) {
      r.type = config->dwServiceType;
      r.start = config->dwStartType;
      r.errorControl = config->dwErrorControl;
      r.path = config->lpBinaryPathName ? config->lpBinaryPathName : L"";
      r.account = config->lpServiceStartName ? config->lpServiceStartName : L"";
      r.dependencies = DependencyList(config->lpDependencies);
      if (r.dependencies.empty()) {
        // Wine's service manager keeps the list but does not report it: read what it stored.
        wchar_t list[256] = {};
        DWORD size = sizeof list - 2 * sizeof(wchar_t);
        if (RegGetValueW(HKEY_LOCAL_MACHINE, (L"System\\CurrentControlSet\\Services\\" + name).c_str(),
                         L"DependOnService", RRF_RT_REG_MULTI_SZ, nullptr, list, &size) == ERROR_SUCCESS)
          r.dependencies = DependencyList(list);
      }
    }
    SERVICE_STATUS_PROCESS status = {};
    if (QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status,
                             &need)) {
      r.state = status.dwCurrentState;
      r.processId = status.dwProcessId;
      r.exitCode = status.dwWin32ExitCode;
    }
    CloseServiceHandle(service);
  }
  CloseServiceHandle(scm);
  return r;
}

bool WaitForServiceState(const std::wstring& name, DWORD state, DWORD timeoutMs) {
  return lookout::test::WaitUntil([&] {
    const ServiceRecord r = ReadServiceRecord(name);
    return state == 0 ? !r.present : (r.present && r.state == state);
  }, static_cast<int>(timeoutMs));
}

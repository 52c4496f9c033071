#include "kvfilter_testing.h"

#include <cstring>

namespace kvtest {

std::wstring StandInDriverPath() { return KVFILTER_SYS_PATH; }

namespace {

struct ScHandle {
  SC_HANDLE h;
  explicit ScHandle(SC_HANDLE handle) : h(handle) {}
  ~ScHandle() {
    if (h) CloseServiceHandle(h);
  }
  explicit operator bool() const { return h != nullptr; }
};

}  // namespace

bool CreateDriverService(const std::wstring& name, const std::wstring& imagePath, DWORD startType, DWORD* error) {
  ScHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!scm) {
    *error = GetLastError();
    return false;
  }
  ScHandle svc(CreateServiceW(scm.h, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER, startType,
                              SERVICE_ERROR_NORMAL, imagePath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
  *error = svc ? 0 : GetLastError();
  return static_cast<bool>(svc);
}

bool StartDriverService(const std::wstring& name, DWORD* error) {
  ScHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  ScHandle svc(scm ? OpenServiceW(scm.h, name.c_str(), SERVICE_ALL_ACCESS) : nullptr);
  if (!svc || !StartServiceW(svc.h, 0, nullptr)) {
    *error = GetLastError();
    return false;
  }
  *error = 0;
  return true;
}

DWORD ServiceState(const std::wstring& name) {
  ScHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  ScHandle svc(scm ? OpenServiceW(scm.h, name.c_str(), SERVICE_QUERY_STATUS) : nullptr);
  SERVICE_STATUS st = {};
  if (!svc || !QueryServiceStatus(svc.h, &st)) return 0;
  return st.dwCurrentState;
}

bool StopAndDeleteService(const std::wstring& name) {
  ScHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!scm) return false;
  ScHandle svc(OpenServiceW(scm.h, name.c_str(), SERVICE_ALL_ACCESS));
  if (!svc) return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
  SERVICE_STATUS st = {};
  ControlService(svc.h, SERVICE_CONTROL_STOP, &st);
  for (int i = 0; i < 200; ++i) {
    if (!QueryServiceStatus(svc.h, &st) || st.dwCurrentState == SERVICE_STOPPED) break;
    Sleep(50);
  }
  return DeleteService(svc.h) || GetLastError() == ERROR_SERVICE_MARKED_FOR_DELETE;
}

bool Device::Open() {
  Close();
  h_ = CreateFileA(KV_FILTER_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  return IsOpen();
}

void Device::Close() {
  if (IsOpen()) CloseHandle(h_);
  h_ = INVALID_HANDLE_VALUE;
}

DWORD Device::Control(DWORD code, const void* in, DWORD inLen, void* out, DWORD outLen, DWORD* bytes) {
  DWORD n = 0xFFFFFFFF;
  BOOL ok = DeviceIoControl(h_, code, const_cast<void*>(in), inLen, out, outLen, &n, nullptr);
  if (bytes) *bytes = n;
  return ok ? 0 : GetLastError();
}

DWORD Device::Opened(const char* program) { return Tell(KVTEST_OP_OPENED, program); }

DWORD Device::Opening(const char* program) { return Tell(KVTEST_OP_OPENING, program); }

DWORD Device::Tell(unsigned op, const char* program) {
  KV_TEST_REQUEST req = {};
  req.Op = op;
  size_t n = std::strlen(program);
  std::memcpy(req.Name, program, n < sizeof req.Name ? n : sizeof req.Name);
  return Control(IOCTL_KVTEST_CONTROL, &req, static_cast<DWORD>(KV_TEST_REQUEST_HEADER + n + 1), nullptr, 0);
}

DWORD Device::Closed() {
  KV_TEST_REQUEST req = {};
  req.Op = KVTEST_OP_CLOSED;
  return Control(IOCTL_KVTEST_CONTROL, &req, KV_TEST_REQUEST_HEADER, nullptr, 0);
}

bool Device::State(KV_TEST_STATE* state) {
  KV_TEST_REQUEST req = {};
  req.Op = KVTEST_OP_STATE;
  DWORD n = 0;
  return Control(IOCTL_KVTEST_CONTROL, &req, KV_TEST_REQUEST_HEADER, state, sizeof *state, &n) == 0 &&
         n == sizeof *state;
}

std::string Device::Query(DWORD code, DWORD* error) {
  char out[KV_FILTER_NAME_MAX];
  DWORD n = 0;
  DWORD e = Control(code, nullptr, 0, out, sizeof out, &n);
  if (error) *error = e;
  if (e || n == 0 || n > sizeof out) return std::string();
  return std::string(out, strnlen(out, n));
}

bool DeviceOpens() {
  Device d;
  return d.Open();
}

Program::~Program() {
  if (pi_.hProcess) {
    if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(pi_.hProcess, 99);
      WaitForSingleObject(pi_.hProcess, 5000);
    }
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
  }
}

bool Program::Start(const std::wstring& exe, const std::wstring& args, const std::wstring& folder) {
  std::wstring line = L"\"" + exe + L"\"";
  if (!args.empty()) line += L" " + args;
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  return CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, &pi_) != FALSE;
}

DWORD Program::Wait(DWORD ms) {
  if (WaitForSingleObject(pi_.hProcess, ms) != WAIT_OBJECT_0) return STILL_ACTIVE;
  DWORD code = 0;
  GetExitCodeProcess(pi_.hProcess, &code);
  return code;
}

namespace {

struct BoxSearch {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM lp) {
  BoxSearch* s = reinterpret_cast<BoxSearch*>(lp);
  wchar_t cls[16] = {};
  GetClassNameW(hwnd, cls, 16);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (wcscmp(cls, L"#32770") == 0 && IsWindowVisible(hwnd) && (s->pid == 0 || pid == s->pid) &&
      GetDlgItem(hwnd, 0xFFFF)) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

std::wstring WindowText(HWND h) {
  wchar_t buf[4096] = {};
  SendMessageTimeoutW(h, WM_GETTEXT, sizeof buf / sizeof buf[0], reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG,
                      2000, nullptr);
  return buf;
}

}  // namespace

bool FindMessageBox(DWORD pid, DWORD ms, MessageBoxSeen* box) {
  DWORD start = GetTickCount();
  for (;;) {
    BoxSearch s = {pid, nullptr};
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&s));
    if (s.found) {
      box->hwnd = s.found;
      box->title = WindowText(s.found);
      box->text = WindowText(GetDlgItem(s.found, 0xFFFF));
      return true;
    }
    if (GetTickCount() - start > ms) return false;
    Sleep(20);
  }
}

void DismissMessageBox(HWND box) { PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }

bool WaitWindowGone(HWND hwnd, DWORD ms) {
  DWORD start = GetTickCount();
  while (IsWindow(hwnd)) {
    if (GetTickCount() - start > ms) return false;
    Sleep(10);
  }
  return true;
}

std::wstring WinPath(std::wstring path) {
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

std::wstring ReadRegString(HKEY root, const std::wstring& key, const std::wstring& name) {
  std::vector<BYTE> bytes;
  if (!ReadRegBytes(root, key, name, &bytes)) return std::wstring();
  std::wstring s(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
  while (!s.empty() && s.back() == 0) s.pop_back();
  return s;
}

bool ReadRegDword(HKEY root, const std::wstring& key, const std::wstring& name, DWORD* value) {
  std::vector<BYTE> bytes;
  DWORD type = 0;
  if (!ReadRegBytes(root, key, name, &bytes, &type) || type != REG_DWORD || bytes.size() != 4) return false;
  std::memcpy(value, bytes.data(), 4);
  return true;
}

bool ReadRegBytes(HKEY root, const std::wstring& key, const std::wstring& name, std::vector<BYTE>* bytes, DWORD* type) {
  HKEY k;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  DWORD size = 0, t = 0;
  LONG r = RegQueryValueExW(k, name.c_str(), nullptr, &t, nullptr, &size);
  if (r == ERROR_SUCCESS) {
    bytes->assign(size, 0);
    r = RegQueryValueExW(k, name.c_str(), nullptr, &t, bytes->data(), &size);
    bytes->resize(size);
  }
  RegCloseKey(k);
  if (type) *type = t;
  return r == ERROR_SUCCESS;
}

bool WriteRegBytes(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
                   const std::vector<BYTE>& bytes) {
  HKEY k;
  if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) != ERROR_SUCCESS)
    return false;
  LONG r = RegSetValueExW(k, name.c_str(), 0, type, bytes.data(), static_cast<DWORD>(bytes.size()));
  RegCloseKey(k);
  return r == ERROR_SUCCESS;
}

void DeleteRegValue(HKEY root, const std::wstring& key, const std::wstring& name) {
  HKEY k;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS) return;
  RegDeleteValueW(k, name.c_str());
  RegCloseKey(k);
}

std::vector<BYTE> MultiSz(const char* text) {
  std::vector<BYTE> out;
  for (const char* p = text; *p; ++p) {
    out.push_back(*p == '|' ? 0 : static_cast<BYTE>(*p));
    out.push_back(0);
  }
  return out;
}

}  // namespace kvtest

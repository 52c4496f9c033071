#include "system_win.h"

namespace drvtool {

namespace {

class WinService : public Service {
 public:
  explicit WinService(SC_HANDLE h) : h_(h) {}
  ~WinService() override { CloseServiceHandle(h_); }
  void Interrogate() override {
    SERVICE_STATUS st;
    ControlService(h_, SERVICE_CONTROL_INTERROGATE, &st);
  }
  bool Query(ServiceState* state, uint32_t* error) override {
    SERVICE_STATUS st = {};
    if (!QueryServiceStatus(h_, &st)) {
      *error = GetLastError();
      return false;
    }
    *state = static_cast<ServiceState>(st.dwCurrentState);
    return true;
  }
  bool Start(uint32_t* error) override {
    if (StartServiceW(h_, 0, nullptr)) return true;
    *error = GetLastError();
    return false;
  }
  bool SendStop(uint32_t* error) override {
    SERVICE_STATUS st;
    if (ControlService(h_, SERVICE_CONTROL_STOP, &st)) return true;
    *error = GetLastError();
    return false;
  }

 private:
  SC_HANDLE h_;
};

class WinServiceManager : public ServiceManager {
 public:
  explicit WinServiceManager(SC_HANDLE h) : h_(h) {}
  ~WinServiceManager() override { CloseServiceHandle(h_); }
  std::unique_ptr<Service> Open(const std::wstring& name, uint32_t* error) override {
    SC_HANDLE s = OpenServiceW(h_, name.c_str(), SERVICE_ALL_ACCESS);
    if (!s) {
      *error = GetLastError();
      return nullptr;
    }
    return std::make_unique<WinService>(s);
  }
  std::unique_ptr<Service> Create(const ServiceConfig& c, uint32_t* error) override {
    SC_HANDLE s = CreateServiceW(h_, c.name.c_str(), c.name.c_str(), SERVICE_ALL_ACCESS, c.type, c.startType,
                                 SERVICE_ERROR_NORMAL, c.imagePath.c_str(), nullptr, nullptr, nullptr, nullptr,
                                 nullptr);
    if (!s) {
      *error = GetLastError();
      return nullptr;
    }
    return std::make_unique<WinService>(s);
  }

 private:
  SC_HANDLE h_;
};

class Key {
 public:
  Key(const std::wstring& path, REGSAM access, bool create) {
    LONG r = create ? RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, access, nullptr, &h_, nullptr)
                    : RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, &h_);
    if (r != ERROR_SUCCESS) h_ = nullptr;
    error_ = r;
  }
  ~Key() {
    if (h_) RegCloseKey(h_);
  }
  HKEY get() const { return h_; }
  LONG error() const { return error_; }

 private:
  HKEY h_ = nullptr;
  LONG error_ = 0;
};

bool SetValue(const std::wstring& key, const std::wstring& name, DWORD type, const void* data, size_t size) {
  Key k(key, KEY_SET_VALUE, false);
  return k.get() && RegSetValueExW(k.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data),
                                   static_cast<DWORD>(size)) == ERROR_SUCCESS;
}

}  // namespace

bool WinRegistry::KeyExists(const std::wstring& key) {
  Key k(key, KEY_READ | KEY_WRITE, false);
  return k.get() != nullptr;
}

bool WinRegistry::CreateKey(const std::wstring& key) {
  Key k(key, KEY_ALL_ACCESS, true);
  return k.get() != nullptr;
}

bool WinRegistry::SetString(const std::wstring& key, const std::wstring& name, const std::wstring& value,
                            bool expandable) {
  return SetValue(key, name, expandable ? REG_EXPAND_SZ : REG_SZ, value.c_str(), (value.size() + 1) * sizeof(wchar_t));
}

bool WinRegistry::SetDword(const std::wstring& key, const std::wstring& name, uint32_t value) {
  DWORD v = value;
  return SetValue(key, name, REG_DWORD, &v, sizeof v);
}

bool WinRegistry::SetMultiString(const std::wstring& key, const std::wstring& name, const std::vector<uint8_t>& bytes) {
  return SetValue(key, name, REG_MULTI_SZ, bytes.data(), bytes.size());
}

ReadStatus WinRegistry::Read(const std::wstring& key, const std::wstring& name, size_t maxBytes,
                             std::vector<uint8_t>* bytes) {
  Key k(key, KEY_QUERY_VALUE, false);
  if (!k.get()) return k.error() == ERROR_FILE_NOT_FOUND ? ReadStatus::Missing : ReadStatus::Failed;
  DWORD size = 0;
  LONG r = RegQueryValueExW(k.get(), name.c_str(), nullptr, nullptr, nullptr, &size);
  if (r == ERROR_FILE_NOT_FOUND) return ReadStatus::Missing;
  if (r != ERROR_SUCCESS) return ReadStatus::Failed;
  if (size > maxBytes) return ReadStatus::TooLarge;
  bytes->assign(size, 0);
  r = RegQueryValueExW(k.get(), name.c_str(), nullptr, nullptr, bytes->data(), &size);
  if (r == ERROR_MORE_DATA) return ReadStatus::TooLarge;  // grew in between
  if (r != ERROR_SUCCESS) return ReadStatus::Failed;
  bytes->resize(size);
  return ReadStatus::Ok;
}

std::unique_ptr<ServiceManager> WinSystem::OpenServiceManager(uint32_t* error) {
  SC_HANDLE h = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!h) {
    *error = GetLastError();
    return nullptr;
  }
  return std::make_unique<WinServiceManager>(h);
}

bool WinSystem::SystemDirectory(std::wstring* dir) {
  wchar_t buf[MAX_PATH];
  UINT n = GetSystemDirectoryW(buf, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  dir->assign(buf, n);
  return true;
}

bool WinSystem::FileExists(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool WinSystem::CopyOver(const std::wstring& from, const std::wstring& to, uint32_t* error) {
  if (CopyFileW(from.c_str(), to.c_str(), FALSE)) return true;
  *error = GetLastError();
  return false;
}

void WinSystem::Prompt(const std::wstring& text, const std::wstring& title, PromptIcon icon, bool topmost) {
  UINT flags = MB_OK;
  if (icon == PromptIcon::Information) flags |= MB_ICONINFORMATION;
  if (icon == PromptIcon::Error) flags |= MB_ICONERROR;
  if (topmost) flags |= MB_TOPMOST;
  MessageBoxW(owner_, text.c_str(), title.c_str(), flags);
}

std::wstring ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n == 0) return L".";
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

}  // namespace drvtool

#include "fake_system.h"

#include <cwctype>

namespace drvtool {

namespace {

class FakeOpenService : public Service {
 public:
  FakeOpenService(FakeSystem& sys, FakeService& s) : sys_(sys), s_(s) {}
  void Interrogate() override {}
  bool Query(ServiceState* state, uint32_t* error) override {
    *state = sys_.StateOf(s_);
    return true;
  }
  bool Start(uint32_t* error) override {
    ++s_.startRequests;
    if (sys_.StateOf(s_) != ServiceState::Stopped) {
      *error = 1056;  // already running
      return false;
    }
    s_.state = ServiceState::StartPending;
    if (!s_.neverRuns) {
      s_.changing = true;
      s_.changeAt = sys_.nowMs + s_.runningAfterMs;
      s_.changeTo = ServiceState::Running;
    }
    return true;
  }
  bool SendStop(uint32_t* error) override {
    ++s_.stopRequests;
    if (s_.refusesStop) {
      *error = 1052;
      return false;
    }
    s_.state = ServiceState::StopPending;
    s_.changing = true;
    s_.changeAt = sys_.nowMs + s_.stoppedAfterMs;
    s_.changeTo = ServiceState::Stopped;
    return true;
  }

 private:
  FakeSystem& sys_;
  FakeService& s_;
};

class FakeManager : public ServiceManager {
 public:
  explicit FakeManager(FakeSystem& sys) : sys_(sys) {}
  std::unique_ptr<Service> Open(const std::wstring& name, uint32_t* error) override {
    auto it = sys_.services.find(FakeSystem::Lower(name));
    if (it == sys_.services.end()) {
      *error = kErrorServiceDoesNotExist;
      return nullptr;
    }
    return std::make_unique<FakeOpenService>(sys_, it->second);
  }
  std::unique_ptr<Service> Create(const ServiceConfig& config, uint32_t* error) override {
    std::wstring key = FakeSystem::Lower(config.name);
    if (sys_.services.count(key)) {
      *error = kErrorServiceExists;
      return nullptr;
    }
    if (sys_.createError) {
      *error = sys_.createError;
      return nullptr;
    }
    FakeService& s = sys_.services[key];
    s.config = config;
    return std::make_unique<FakeOpenService>(sys_, s);
  }

 private:
  FakeSystem& sys_;
};

}  // namespace

std::wstring FakeSystem::Lower(const std::wstring& s) {
  std::wstring out = s;
  for (wchar_t& c : out) c = static_cast<wchar_t>(std::towlower(c));
  return out;
}

ServiceState FakeSystem::StateOf(FakeService& s) {
  if (s.changing && nowMs >= s.changeAt) {
    s.state = s.changeTo;
    s.changing = false;
  }
  return s.state;
}

std::unique_ptr<ServiceManager> FakeSystem::OpenServiceManager(uint32_t* error) {
  ++managerOpens;
  if (!scmOpens) {
    *error = 5;
    return nullptr;
  }
  return std::make_unique<FakeManager>(*this);
}

bool FakeSystem::CopyOver(const std::wstring& from, const std::wstring& to, uint32_t* error) {
  auto it = files.find(from);
  if (copyFails || it == files.end()) {
    *error = 2;
    return false;
  }
  files[to] = it->second;
  return true;
}

bool FakeSystem::CreateKey(const std::wstring& key) {
  keys[Lower(key)] = true;
  return true;
}

bool FakeSystem::SetString(const std::wstring& key, const std::wstring& name, const std::wstring& value,
                           bool expandable) {
  if (!KeyExists(key) || name == failingValue) return false;
  RegValue v{expandable ? RegValue::ExpandString : RegValue::String, value, 0, {}};
  values[Lower(key)][name] = v;
  return true;
}

bool FakeSystem::SetDword(const std::wstring& key, const std::wstring& name, uint32_t value) {
  if (!KeyExists(key) || name == failingValue) return false;
  RegValue v{RegValue::Dword, L"", value, {}};
  values[Lower(key)][name] = v;
  return true;
}

bool FakeSystem::SetMultiString(const std::wstring& key, const std::wstring& name, const std::vector<uint8_t>& bytes) {
  if (!KeyExists(key) || name == failingValue) return false;
  multiStringWrites.push_back(name);
  RegValue v{RegValue::MultiString, L"", 0, bytes};
  values[Lower(key)][name] = v;
  return true;
}

ReadStatus FakeSystem::Read(const std::wstring& key, const std::wstring& name, size_t maxBytes,
                            std::vector<uint8_t>* bytes) {
  const RegValue* v = Value(key, name);
  if (!v) return ReadStatus::Missing;
  if (v->bytes.size() > maxBytes) return ReadStatus::TooLarge;
  *bytes = v->bytes;
  return ReadStatus::Ok;
}

const RegValue* FakeSystem::Value(const std::wstring& key, const std::wstring& name) {
  auto k = values.find(Lower(key));
  if (k == values.end()) return nullptr;
  auto v = k->second.find(name);
  return v == k->second.end() ? nullptr : &v->second;
}

}  // namespace drvtool

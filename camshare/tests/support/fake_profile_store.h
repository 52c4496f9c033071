// An in-memory profile file with the profile functions' rules: names compare without
// regard to case, values are cut to capacity - 1 characters, missing keys give the default.
#pragma once

#include <cwctype>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "camera_config.h"

namespace camshare::test {

class FakeProfileStore : public ProfileStore {
 public:
  std::wstring GetString(const std::wstring& section, const std::wstring& key,
                         const std::wstring& fallback, size_t capacity) override {
    const std::wstring* value = Find(section, key);
    return capacity == 0 ? std::wstring() : (value ? *value : fallback).substr(0, capacity - 1);
  }
  int GetInt(const std::wstring& section, const std::wstring& key, int fallback) override {
    const std::wstring* value = Find(section, key);
    return value ? static_cast<int>(std::wcstol(value->c_str(), nullptr, 10)) : fallback;
  }
  void WriteString(const std::wstring& section, const std::wstring& key,
                   const std::wstring& value) override {
    Set(section, key, value);
    writes.emplace_back(section, key, value);
  }
  void Set(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
    sections_[Lower(section)][Lower(key)] = value;
  }
  std::wstring Value(const std::wstring& section, const std::wstring& key) const {
    const std::wstring* v = Find(section, key);
    return v ? *v : L"<missing>";
  }
  std::vector<std::tuple<std::wstring, std::wstring, std::wstring>> writes;

 private:
  const std::wstring* Find(const std::wstring& section, const std::wstring& key) const {
    auto s = sections_.find(Lower(section));
    if (s == sections_.end()) return nullptr;
    auto k = s->second.find(Lower(key));
    return k == s->second.end() ? nullptr : &k->second;
  }
  static std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
  }
  std::map<std::wstring, std::map<std::wstring, std::wstring>> sections_;
};

}  // namespace camshare::test

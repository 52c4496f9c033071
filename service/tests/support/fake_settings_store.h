// An in-memory settings file with the profile functions' rules: names compare without regard
// to case, values are cut to 2047 characters, keys keep the order in which they were made.
#pragma once

#include <cwctype>
#include <string>
#include <vector>

#include "settings.h"

namespace lookout::test {

class FakeSettingsStore : public SettingsStore {
 public:
  struct Key {
    std::wstring name, value;
  };
  struct Section {
    std::wstring name;
    std::vector<Key> keys;
  };

  bool exists = false;
  bool canCreate = true;
  int failWritesAfter = -1;  // the writes after this many fail (-1: none fails)
  std::vector<Section> sections;
  std::vector<std::wstring> writeLog;  // "SECTION/key=value" in call order

  bool Exists() override { return exists; }
  bool CreateEmpty() override {
    if (!canCreate) return false;
    exists = true;
    sections.clear();
    return true;
  }
  std::wstring GetString(const wchar_t* section, const std::wstring& key, const wchar_t* fallback) override {
    const Key* k = Find(section, key);
    std::wstring v = k ? k->value : fallback;
    return v.substr(0, kProfileValueBuffer - 1);
  }
  int32_t GetInt(const wchar_t* section, const std::wstring& key, int32_t fallback) override {
    const Key* k = Find(section, key);
    return k ? static_cast<int32_t>(std::wcstol(k->value.c_str(), nullptr, 10)) : fallback;
  }
  bool WriteString(const wchar_t* section, const std::wstring& key, const std::wstring& value) override {
    writeLog.push_back(std::wstring(section) + L"/" + key + L"=" + value);
    if (failWritesAfter >= 0 && static_cast<int>(writeLog.size()) > failWritesAfter) return false;
    if (!exists) exists = true;
    Set(section, key, value);
    return true;
  }

  void Set(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
    exists = true;
    Section* s = nullptr;
    for (Section& x : sections)
      if (Lower(x.name) == Lower(section)) s = &x;
    if (s == nullptr) {
      sections.push_back({section, {}});
      s = &sections.back();
    }
    for (Key& k : s->keys) {
      if (Lower(k.name) == Lower(key)) {
        k.value = value;
        return;
      }
    }
    s->keys.push_back({key, value});
  }
  // The value, or "<missing>".
  std::wstring Value(const std::wstring& section, const std::wstring& key) const {
    const Key* k = Find(section, key);
    return k ? k->value : L"<missing>";
  }
  // Key names of a section in file order.
  std::vector<std::wstring> KeyNames(const std::wstring& section) const {
    std::vector<std::wstring> names;
    for (const Section& s : sections)
      if (Lower(s.name) == Lower(section))
        for (const Key& k : s.keys) names.push_back(k.name);
    return names;
  }
  std::vector<std::wstring> SectionNames() const {
    std::vector<std::wstring> names;
    for (const Section& s : sections) names.push_back(s.name);
    return names;
  }

 private:
  const Key* Find(const std::wstring& section, const std::wstring& key) const {
    for (const Section& s : sections)
      if (Lower(s.name) == Lower(section))
        for (const Key& k : s.keys)
          if (Lower(k.name) == Lower(key)) return &k;
    return nullptr;
  }
  static std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
  }
};

}  // namespace lookout::test

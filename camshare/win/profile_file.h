// A profile (INI) file through the wide profile functions. An empty path (a module path
// that did not fit) reads as an empty file and takes no writes.
#pragma once

#include <string>

#include "camera_config.h"

namespace camshare::win {

class ProfileFile : public ProfileStore {
 public:
  explicit ProfileFile(std::wstring path) : path_(std::move(path)) {}
  std::wstring GetString(const std::wstring& section, const std::wstring& key,
                         const std::wstring& fallback, size_t capacity) override;
  int GetInt(const std::wstring& section, const std::wstring& key, int fallback) override;
  void WriteString(const std::wstring& section, const std::wstring& key,
                   const std::wstring& value) override;

 private:
  std::wstring path_;
};

}  // namespace camshare::win

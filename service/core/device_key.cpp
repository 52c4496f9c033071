#include "device_key.h"

namespace lookout {
namespace {

void RemoveAll(std::wstring& text, const std::wstring& what) {
  for (size_t at = text.find(what); at != std::wstring::npos; at = text.find(what, at))
    text.erase(at, what.size());
}

// Removes `count` characters at the first `what`; a search that finds nothing removes the
// first character. Never runs past the end.
void RemoveAtFirst(std::wstring& text, const std::wstring& what, size_t count) {
  if (text.empty()) return;
  size_t at = text.find(what);
  if (at == std::wstring::npos) {
    text.erase(0, 1);
    return;
  }
  text.erase(at, count);
}

}  // namespace

std::wstring MakeDeviceKey(const std::wstring& devicePath) {
  size_t cut = devicePath.find(L"#{");
  if (cut == std::wstring::npos || cut == 0) return kNoDeviceKey;
  std::wstring key = devicePath.substr(0, cut);
  // The prefix is stripped as a set of characters, not as a word.
  size_t first = key.find_first_not_of(L"@device:pnp:\\\\?\\");
  key = first == std::wstring::npos ? std::wstring() : key.substr(first);
  for (const wchar_t* part : {L"&", L"#", L"media", L"vid_", L"pid_", L"mi_"}) RemoveAll(key, part);
  return key;
}

int HostNameSum(const std::string& hostName) {
  int sum = 0;
  for (char c : hostName) sum += static_cast<signed char>(c);
  return sum;
}

std::wstring MakeCameraGuid(const std::wstring& deviceName, const std::string& hostName) {
  std::wstring part;
  size_t hash = deviceName.find(L'#');
  if (hash != std::wstring::npos) {
    part = deviceName.substr(hash + 1);
    part = part.substr(0, part.find(L'#'));
    RemoveAtFirst(part, L"_", 1);
    RemoveAtFirst(part, L"&", 1);
    RemoveAtFirst(part, L"_", 1);
    RemoveAtFirst(part, L"&", 6);
  }
  return L"kv" + part + std::to_wstring(HostNameSum(hostName));
}

}  // namespace lookout

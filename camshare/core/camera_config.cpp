#include "camera_config.h"

#include <cwchar>

namespace camshare {

namespace {

const wchar_t kDotted[] = L"0.0.0.0";

std::wstring SectionName(int id) { return L"Camera" + std::to_wstring(id); }

// atoi-like: optional blanks and sign, then digits.
int ParseDecimal(const std::wstring& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  long value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    value = value * 10 + (text[i] - L'0');
    if (value > 1000000000L) break;
  }
  return static_cast<int>(negative ? -value : value);
}

std::wstring FourDigits(int id) {
  wchar_t text[16];
  std::swprintf(text, sizeof text / sizeof text[0], L"%04d#", id);
  return text;
}

// Profile values are single lines.
std::wstring OneLine(const std::wstring& text) { return text.substr(0, text.find_first_of(L"\r\n")); }

std::wstring Wide(const char* field, size_t capacity, const TextCodec& codec) {
  return OneLine(codec.AnsiToWide(FieldText(field, capacity)));
}

}  // namespace

std::vector<int> ParseIdList(const std::wstring& idList, int count) {
  std::vector<int> ids;
  size_t hash = idList.find(L'#');
  size_t previousEnd = 0;  // first character after the previous '#'
  while (static_cast<int>(ids.size()) < count && hash != std::wstring::npos) {
    size_t start = hash >= 4 ? hash - 4 : 0;
    if (start < previousEnd) start = previousEnd;
    ids.push_back(ParseDecimal(idList.substr(start, hash - start)));
    previousEnd = hash + 1;
    hash = hash + 1 < idList.size() ? idList.find(L'#', hash + 1) : std::wstring::npos;
  }
  return ids;
}

std::vector<ConfigCamera> ReadCameraSections(ProfileStore& store) {
  std::vector<ConfigCamera> cameras;
  int count = store.GetInt(L"system", L"CameraNumber", 0);
  std::wstring idList = store.GetString(L"System", L"CameraIDList", L"", kIdListCapacity);
  if (count < 1) return cameras;
  for (int id : ParseIdList(idList, count)) {
    const std::wstring section = SectionName(id);
    ConfigCamera c;
    c.id = id;
    c.gateway = store.GetString(section, L"gateway", kDotted, 20);
    c.url = store.GetString(section, L"url", kDotted, 60);
    c.mac = store.GetString(section, L"mac", kDotted, 6);
    c.submask = store.GetString(section, L"submask", kDotted, 20);
    c.sername = store.GetString(section, L"sername", kDotted, 40);
    c.multiip = store.GetString(section, L"multiip", kDotted, 20);
    c.dns = store.GetString(section, L"dns", kDotted, 20);
    c.cameratype = store.GetString(section, L"cameratype", L"orvel", 20);
    c.username = store.GetString(section, L"username", L"admin", 20);
    c.userpassword = store.GetString(section, L"userpassword", L"", 20);
    c.webport = static_cast<uint16_t>(store.GetInt(section, L"webport", 80));
    c.localport = static_cast<uint16_t>(store.GetInt(section, L"localport", 3000));
    c.multiport = static_cast<uint16_t>(store.GetInt(section, L"multiport", 6500));
    c.channel = static_cast<uint16_t>(store.GetInt(section, L"channel", 1));
    cameras.push_back(c);
  }
  return cameras;
}

std::wstring MacToText(const unsigned char mac[6]) {
  std::wstring text;
  for (int i = 0; i < 6 && mac[i] != 0 && mac[i] != '\r' && mac[i] != '\n'; ++i) {
    text.push_back(static_cast<wchar_t>(mac[i]));
  }
  return text;
}

void MacFromText(const std::wstring& text, unsigned char mac[6]) {
  for (size_t i = 0; i < 6; ++i) {
    mac[i] = i < text.size() ? static_cast<unsigned char>(static_cast<unsigned>(text[i]) & 0xFF) : 0;
  }
}

void ApplyConfig(const std::vector<ConfigCamera>& cameras, const std::wstring& mode,
                 ConfigSink& sink, const TextCodec& codec) {
  for (const ConfigCamera& c : cameras) {
    if (mode.empty()) {
      const std::string name = codec.WideToAnsi(c.sername), ip = codec.WideToAnsi(c.url),
                        submask = codec.WideToAnsi(c.submask), gateway = codec.WideToAnsi(c.gateway),
                        multiip = codec.WideToAnsi(c.multiip), dns = codec.WideToAnsi(c.dns),
                        type = codec.WideToAnsi(c.cameratype), user = codec.WideToAnsi(c.username),
                        password = codec.WideToAnsi(c.userpassword);
      unsigned char mac[6];
      MacFromText(c.mac, mac);
      NewCamera n;
      n.name = name.c_str();
      n.ip = ip.c_str();
      n.mac = mac;
      n.webport = c.webport;
      n.localport = c.localport;
      n.submask = submask.c_str();
      n.gateway = gateway.c_str();
      n.multiip = multiip.c_str();
      n.dns = dns.c_str();
      n.multiport = c.multiport;
      n.channel = c.channel;
      n.cameratype = type.c_str();
      n.username = user.c_str();
      n.userpassword = password.c_str();
      sink.Insert(n);
    } else if (mode == L"quil") {
      const std::wstring cameraString = CameraString(c.cameratype, c.url, c.sername);
      CAMLIST_ITEM* record = sink.Find(cameraString);
      if (record == nullptr) continue;
      PutField(record->username, sizeof record->username, codec.WideToAnsi(c.username).c_str(), codec);
      PutField(record->userpassword, sizeof record->userpassword,
               codec.WideToAnsi(c.userpassword).c_str(), codec);
      sink.AddToUsing(cameraString);
    }
  }
}

void SaveUsing(ProfileStore& store, const std::vector<const CAMLIST_ITEM*>& usingSet,
               const TextCodec& codec) {
  // Only as many ids as a later load can read back from the id list are written.
  const size_t count = usingSet.size() < kMaxSavedCameras ? usingSet.size() : kMaxSavedCameras;
  store.WriteString(L"system", L"CameraNumber", std::to_wstring(count));
  std::wstring idList;
  int i = 0;
  for (size_t k = 0; k < count; ++k) {
    const CAMLIST_ITEM* r = usingSet[k];
    idList += FourDigits(i);
    const std::wstring section = SectionName(i);
    store.WriteString(section, L"gateway", Wide(r->gateway, sizeof r->gateway, codec));
    store.WriteString(section, L"url", Wide(r->ip, sizeof r->ip, codec));
    store.WriteString(section, L"mac", MacToText(r->mac));
    store.WriteString(section, L"submask", Wide(r->submask, sizeof r->submask, codec));
    store.WriteString(section, L"sername", Wide(r->name, sizeof r->name, codec));
    store.WriteString(section, L"cameratype", Wide(r->cameratype, sizeof r->cameratype, codec));
    store.WriteString(section, L"username", Wide(r->username, sizeof r->username, codec));
    store.WriteString(section, L"userpassword", Wide(r->userpassword, sizeof r->userpassword, codec));
    store.WriteString(section, L"webport", std::to_wstring(r->webport));
    store.WriteString(section, L"localport", std::to_wstring(r->localport));
    store.WriteString(section, L"multiport", std::to_wstring(r->multiport));
    store.WriteString(section, L"channel", std::to_wstring(r->channel));
    ++i;
  }
  store.WriteString(L"System", L"CameraIDList", idList);
}

}  // namespace camshare

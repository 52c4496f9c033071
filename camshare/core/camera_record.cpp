#include "camera_record.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "common/clock.h"

namespace camshare {

void FillRecord(const NewCamera& camera, uint32_t now, const TextCodec& codec, CAMLIST_ITEM* record) {
  std::memset(record, 0, sizeof *record);
  PutField(record->name, sizeof record->name, camera.name, codec);
  PutField(record->ip, sizeof record->ip, camera.ip, codec);
  PutField(record->submask, sizeof record->submask, camera.submask, codec);
  PutField(record->gateway, sizeof record->gateway, camera.gateway, codec);
  PutField(record->multiip, sizeof record->multiip, camera.multiip, codec);
  PutField(record->dns, sizeof record->dns, camera.dns, codec);
  PutField(record->cameratype, sizeof record->cameratype, camera.cameratype, codec);
  PutField(record->username, sizeof record->username, camera.username, codec);
  PutField(record->userpassword, sizeof record->userpassword, camera.userpassword, codec);
  if (camera.mac != nullptr) std::memcpy(record->mac, camera.mac, sizeof record->mac);
  record->webport = camera.webport;
  record->localport = camera.localport;
  record->multiport = camera.multiport;
  record->channel = static_cast<uint16_t>(camera.channel);
  record->lastSeen = now;
}

bool SameCamera(const CAMLIST_ITEM& a, const CAMLIST_ITEM& b) {
  return FieldText(a.name, sizeof a.name) == FieldText(b.name, sizeof b.name) &&
         FieldText(a.ip, sizeof a.ip) == FieldText(b.ip, sizeof b.ip) &&
         std::memcmp(a.mac, b.mac, sizeof a.mac) == 0;
}

InsertResult InsertOrRefresh(CameraList& list, const NewCamera& camera, uint32_t now,
                             const TextCodec& codec) {
  // Compared after cutting, so a value longer than its field still finds its record.
  auto fresh = std::make_unique<CAMLIST_ITEM>();
  FillRecord(camera, now, codec, fresh.get());
  InsertResult result;
  for (CAMLIST_ITEM* existing : list) {
    if (SameCamera(*existing, *fresh)) {
      existing->lastSeen = now;
      result.record = existing;
      return result;
    }
  }
  result.record = fresh.release();
  result.inserted = true;
  list.push_back(result.record);
  return result;
}

std::vector<CAMLIST_ITEM*> AgeOut(CameraList& list, uint32_t now, uint32_t maxSilenceMs) {
  std::vector<CAMLIST_ITEM*> removed;
  for (auto it = list.begin(); it != list.end();) {
    if (common::ElapsedMs(now, (*it)->lastSeen) > maxSilenceMs) {
      removed.push_back(*it);
      it = list.erase(it);
    } else {
      ++it;
    }
  }
  return removed;
}

std::wstring CameraString(const std::wstring& type, const std::wstring& ip, const std::wstring& name) {
  return L"Device" + type + L"@" + ip + L"@" + name;
}

std::wstring CameraString(const CAMLIST_ITEM& record, const TextCodec& codec) {
  return CameraString(codec.AnsiToWide(FieldText(record.cameratype, sizeof record.cameratype)),
                      codec.AnsiToWide(FieldText(record.ip, sizeof record.ip)),
                      codec.AnsiToWide(FieldText(record.name, sizeof record.name)));
}

CAMLIST_ITEM* FindByCameraString(const CameraList& list, const wchar_t* cameraString,
                                 const TextCodec& codec) {
  if (cameraString == nullptr) return nullptr;
  std::wstring work;
  for (size_t i = 0; i < kCameraStringCapacity - 1 && cameraString[i] != L'\0'; ++i) {
    work.push_back(cameraString[i]);
  }
  size_t last = work.rfind(L'@');
  if (last == std::wstring::npos) return nullptr;
  work.resize(last);
  if (work.find(L'@') == std::wstring::npos) return nullptr;
  const std::wstring whole(cameraString);
  for (CAMLIST_ITEM* record : list) {
    if (CameraString(*record, codec) == whole) return record;
  }
  return nullptr;
}

CAMLIST_ITEM* RecordAt(const CameraList& list, unsigned index) {
  if (index >= list.size()) return nullptr;
  auto it = list.begin();
  std::advance(it, index);
  return *it;
}

unsigned IndexOf(const CameraList& list, const CAMLIST_ITEM* record) {
  if (record == nullptr) return static_cast<unsigned>(-1);
  const std::string ip = FieldText(record->ip, sizeof record->ip);
  const std::string name = FieldText(record->name, sizeof record->name);
  unsigned index = 0;
  for (const CAMLIST_ITEM* r : list) {
    if (FieldText(r->ip, sizeof r->ip) == ip && FieldText(r->name, sizeof r->name) == name) {
      return index;
    }
    ++index;
  }
  return static_cast<unsigned>(-1);
}

void AddUsing(CameraList& usingList, CAMLIST_ITEM* record) { usingList.push_back(record); }

bool RemoveFirstUsing(CameraList& usingList, const CAMLIST_ITEM* record) {
  auto it = std::find(usingList.begin(), usingList.end(), record);
  if (it == usingList.end()) return false;
  usingList.erase(it);
  return true;
}

bool ContainsUsing(const CameraList& usingList, const CAMLIST_ITEM* record) {
  return std::find(usingList.begin(), usingList.end(), record) != usingList.end();
}

}  // namespace camshare

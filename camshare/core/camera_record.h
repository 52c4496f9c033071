// The camera list's rules without its locks: filling a record, the camera string, insertion
// with refresh, ageing, lookups and the in-use set. Callers hold the right lock.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "CamShare.h"
#include "text_codec.h"

namespace camshare {

using CameraList = std::list<CAMLIST_ITEM*>;

// Arguments of an insertion, in ANSI text. Null `cameratype`, `username` and
// `userpassword` leave their fields empty.
struct NewCamera {
  const char* name = "";
  const char* ip = "";
  const unsigned char* mac = nullptr;  // 6 bytes
  uint16_t webport = 0;
  uint16_t localport = 0;
  const char* submask = "";
  const char* gateway = "";
  const char* multiip = "";
  const char* dns = "";
  uint16_t multiport = 0;
  int channel = 0;
  const char* cameratype = nullptr;
  const char* username = nullptr;
  const char* userpassword = nullptr;
};

constexpr uint32_t kMaxSilenceMs = 60000;
constexpr size_t kCameraStringCapacity = 260;

// Fills `record` (zeroed first); text longer than a field is cut to the field.
void FillRecord(const NewCamera& camera, uint32_t now, const TextCodec& codec, CAMLIST_ITEM* record);

// Same camera: equal name, address and six identity bytes.
bool SameCamera(const CAMLIST_ITEM& a, const CAMLIST_ITEM& b);

struct InsertResult {
  CAMLIST_ITEM* record = nullptr;
  bool inserted = false;  // false: an existing record was refreshed
};

// Refreshes the matching record's lastSeen, or appends a new record.
InsertResult InsertOrRefresh(CameraList& list, const NewCamera& camera, uint32_t now,
                             const TextCodec& codec);

// Unlinks (does not free) every record silent for more than kMaxSilenceMs; wrap-safe.
std::vector<CAMLIST_ITEM*> AgeOut(CameraList& list, uint32_t now, uint32_t maxSilenceMs = kMaxSilenceMs);

// "Device<type>@<ip>@<name>", each part widened from the ANSI code page.
std::wstring CameraString(const CAMLIST_ITEM& record, const TextCodec& codec);
std::wstring CameraString(const std::wstring& type, const std::wstring& ip, const std::wstring& name);

// The argument needs two '@' within its first 259 characters; then the first record whose
// camera string equals the whole argument (case-sensitive).
CAMLIST_ITEM* FindByCameraString(const CameraList& list, const wchar_t* cameraString,
                                 const TextCodec& codec);

CAMLIST_ITEM* RecordAt(const CameraList& list, unsigned index);

// Position of the first record with the same ip and name; -1 (all ones) when none.
unsigned IndexOf(const CameraList& list, const CAMLIST_ITEM* record);

// The in-use set: duplicates allowed, order of addition.
void AddUsing(CameraList& usingList, CAMLIST_ITEM* record);
bool RemoveFirstUsing(CameraList& usingList, const CAMLIST_ITEM* record);
bool ContainsUsing(const CameraList& usingList, const CAMLIST_ITEM* record);

}  // namespace camshare

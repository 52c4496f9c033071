// "DoderadIrava.ini": the key table, loading the camera sections and saving the in-use set.
// The file is reached through ProfileStore, which behaves like the wide profile functions.
#pragma once

#include <string>
#include <vector>

#include "CamShare.h"
#include "camera_record.h"
#include "text_codec.h"

namespace camshare {

constexpr wchar_t kConfigFileName[] = L"DoderadIrava.ini";

class ProfileStore {
 public:
  virtual ~ProfileStore() = default;
  // Like GetPrivateProfileStringW: at most capacity - 1 characters of the value, or of
  // `fallback` when the key is missing. Names compare without regard to case.
  virtual std::wstring GetString(const std::wstring& section, const std::wstring& key,
                                 const std::wstring& fallback, size_t capacity) = 0;
  virtual int GetInt(const std::wstring& section, const std::wstring& key, int fallback) = 0;
  virtual void WriteString(const std::wstring& section, const std::wstring& key,
                           const std::wstring& value) = 0;
};

// One camera section as read, with the defaults of the key table.
struct ConfigCamera {
  int id = 0;
  std::wstring gateway, url, mac, submask, sername, multiip, dns, cameratype, username, userpassword;
  uint16_t webport = 0, localport = 0, multiport = 0, channel = 0;
};

constexpr size_t kIdListCapacity = 2000;
// Five characters per id; the list is read with room for 1999 characters.
constexpr size_t kMaxSavedCameras = (kIdListCapacity - 1) / 5;

// The ids named by "CameraIDList", at most `count` of them. Each id is the number in the
// (up to) four characters before a '#', never reaching before the list or the last '#'.
std::vector<int> ParseIdList(const std::wstring& idList, int count);

std::vector<ConfigCamera> ReadCameraSections(ProfileStore& store);

// Identity bytes as profile text: one character per byte up to the first byte that a
// one-line value cannot hold (zero, CR, LF).
std::wstring MacToText(const unsigned char mac[6]);
// The low byte of each of the first six characters; missing positions are zero.
void MacFromText(const std::wstring& text, unsigned char mac[6]);

// Where a loaded section goes: the list (null mode) or the in-use set ("quil").
class ConfigSink {
 public:
  virtual ~ConfigSink() = default;
  virtual void Insert(const NewCamera& camera) = 0;
  virtual CAMLIST_ITEM* Find(const std::wstring& cameraString) = 0;
  virtual void AddToUsing(const std::wstring& cameraString) = 0;
};

// Empty mode inserts every section; "quil" restores credentials and the in-use set of
// cameras already in the list; any other mode passes every section over.
void ApplyConfig(const std::vector<ConfigCamera>& cameras, const std::wstring& mode,
                 ConfigSink& sink, const TextCodec& codec);

// Writes the in-use set: the count, one section per entry and the id list. Entries past
// kMaxSavedCameras are not written.
void SaveUsing(ProfileStore& store, const std::vector<const CAMLIST_ITEM*>& usingSet,
               const TextCodec& codec);

}  // namespace camshare

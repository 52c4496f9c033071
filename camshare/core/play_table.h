// The play table (one camera-handle object per camera), the event callback registry and
// the dispatcher that the table gives to every plug-in's Open.
#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <map>
#include <memory>

#include "CamShare.h"
#include "lock.h"

namespace camshare {

constexpr long kNoHandle = -1;

class CallbackRegistry {
 public:
  explicit CallbackRegistry(Lock& lock) : lock_(lock) {}
  // Registers the pair unless it is registered already; 1.
  int Add(CameraEventCallBack callback, void* user);
  // 1 when the pair was registered, else 0.
  int Remove(CameraEventCallBack callback, void* user);
  // Runs every callback in registration order, under the registry lock.
  void Dispatch(long realHandle, int event, int value);
  size_t Count();

 private:
  struct Pair {
    CameraEventCallBack callback;
    void* user;
  };
  Lock& lock_;
  std::list<Pair> pairs_;
};

// The factory of a camera family's plug-in, null when the family has none.
class PluginDirectory {
 public:
  virtual ~PluginDirectory() = default;
  virtual CreateKVCameraHandleObjectProc FactoryFor(const char* cameratype) = 0;
};

class CameraPlayEntry {
 public:
  CameraPlayEntry(CAMLIST_ITEM* camera, CallbackRegistry* registry, long id = kNoHandle);
  // Closes and deletes the handle object.
  virtual ~CameraPlayEntry();
  CameraPlayEntry(const CameraPlayEntry&) = delete;
  CameraPlayEntry& operator=(const CameraPlayEntry&) = delete;

  ICameraHandle* handle() const { return handle_.load(); }
  void set_handle(ICameraHandle* handle) { handle_.store(handle); }
  CAMLIST_ITEM* camera() const { return camera_; }
  long id() const { return id_; }

  // The event callback given to Open, with the entry as user value. Events whose real
  // handle is not the handle object's current one reach no callback.
  static void Dispatch(long realHandle, int event, int value, void* entry);

 private:
  std::atomic<ICameraHandle*> handle_;
  CAMLIST_ITEM* camera_;
  CallbackRegistry* registry_;
  long id_;
};

// Play handles given to callers are small positive ids, never pointers: they fit the 32-bit
// long of the exported interface on either architecture, and a handle kept after its entry
// was destroyed is recognised (kNoHandle) instead of being dereferenced. Ids are not reused
// until the counter wraps.
//
// Handle objects are closed and destroyed outside the table lock: a plug-in's Close joins
// its thread, which may be inside an event callback that asks the table for a real handle.
class PlayTable {
 public:
  PlayTable(Lock& lock, CallbackRegistry& registry) : lock_(lock), registry_(registry) {}
  ~PlayTable() { StopAll(); }
  PlayTable(const PlayTable&) = delete;
  PlayTable& operator=(const PlayTable&) = delete;

  // The camera's play handle, made and opened on first use; kNoHandle when the family has
  // no plug-in or its factory makes no object.
  long GetHandle(CAMLIST_ITEM* camera, PluginDirectory& plugins);
  void ReOpen(CAMLIST_ITEM* camera);
  // Closes the camera's handle; the entry and its play handle stay.
  void Close(CAMLIST_ITEM* camera);
  // Destroys every entry; their play handles become unknown.
  void StopAll();
  // Forgets every entry without calling into the plug-ins (their code may be gone).
  void Abandon();
  size_t Count();

  // GetRealHandle of the play handle's object; kNoHandle for a handle the table does not hold.
  long RealHandle(long playHandle);
  // PTZCtrl of the play handle's object; -1 for a handle the table does not hold.
  int PTZCtrl(long playHandle, int command, int param, int reserved, char* data, int length);

 private:
  using EntryPtr = std::shared_ptr<CameraPlayEntry>;
  EntryPtr Find(CAMLIST_ITEM* camera);
  // Under the lock: the handle object of a play handle, or null.
  ICameraHandle* HandleOf(long playHandle) const;
  long NextId();

  Lock& lock_;
  CallbackRegistry& registry_;
  std::map<CAMLIST_ITEM*, EntryPtr> entries_;
  long lastId_ = 0;
};

// Motion parameters through a fresh object of the family's plug-in, deleted after the
// call; 0 when there is no plug-in or no object.
int GetMotionParameters(PluginDirectory& plugins, const char* cameraType, char* name, char* ip,
                        char channel, char* user, char* password, KV_CHANNMOTION* record,
                        uint16_t port);
int SetMotionParameters(PluginDirectory& plugins, const char* cameraType, char* name, char* ip,
                        char channel, char* user, char* password, KV_CHANNMOTION* record,
                        uint16_t port);

}  // namespace camshare

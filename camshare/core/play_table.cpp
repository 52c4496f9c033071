#include "play_table.h"

#include <memory>
#include <string>

#include "text_codec.h"

namespace camshare {

int CallbackRegistry::Add(CameraEventCallBack callback, void* user) {
  LockGuard guard(lock_);
  for (const Pair& p : pairs_) {
    if (p.callback == callback && p.user == user) return 1;
  }
  pairs_.push_back(Pair{callback, user});
  return 1;
}

int CallbackRegistry::Remove(CameraEventCallBack callback, void* user) {
  LockGuard guard(lock_);
  for (auto it = pairs_.begin(); it != pairs_.end(); ++it) {
    if (it->callback == callback && it->user == user) {
      pairs_.erase(it);
      return 1;
    }
  }
  return 0;
}

void CallbackRegistry::Dispatch(long realHandle, int event, int value) {
  LockGuard guard(lock_);
  for (const Pair& p : pairs_) {
    if (p.callback != nullptr) p.callback(realHandle, event, value, p.user);
  }
}

size_t CallbackRegistry::Count() {
  LockGuard guard(lock_);
  return pairs_.size();
}

CameraPlayEntry::CameraPlayEntry(CAMLIST_ITEM* camera, CallbackRegistry* registry, long id)
    : handle_(nullptr), camera_(camera), registry_(registry), id_(id) {}

CameraPlayEntry::~CameraPlayEntry() {
  ICameraHandle* handle = handle_.load();
  if (handle == nullptr) return;
  handle->Close();
  // Forgotten before the delete: an event raised while the plug-in's destructor stops its
  // threads must not call into the half-destroyed object.
  handle_.store(nullptr);
  delete handle;
}

void CameraPlayEntry::Dispatch(long realHandle, int event, int value, void* user) {
  auto* entry = static_cast<CameraPlayEntry*>(user);
  if (entry == nullptr) return;
  ICameraHandle* handle = entry->handle_.load();
  if (handle == nullptr || realHandle != handle->GetRealHandle()) return;
  if (entry->registry_ != nullptr) entry->registry_->Dispatch(realHandle, event, value);
}

long PlayTable::GetHandle(CAMLIST_ITEM* camera, PluginDirectory& plugins) {
  if (camera == nullptr) return kNoHandle;
  EntryPtr dead;  // destroyed after the lock is left
  LockGuard guard(lock_);
  auto found = entries_.find(camera);
  if (found != entries_.end()) {
    if (found->second->handle() != nullptr) return found->second->id();
    dead = std::move(found->second);
    entries_.erase(found);
  }
  auto entry = std::make_shared<CameraPlayEntry>(camera, &registry_, NextId());
  const std::string type = FieldText(camera->cameratype, sizeof camera->cameratype);
  CreateKVCameraHandleObjectProc factory = plugins.FactoryFor(type.c_str());
  if (factory != nullptr) {
    if (ICameraHandle* handle = factory()) {
      // Kept whatever Open returns: a plug-in may connect again later.
      entry->set_handle(handle);
      handle->Open(camera, &CameraPlayEntry::Dispatch, entry.get());
    }
  }
  if (entry->handle() == nullptr) return kNoHandle;
  const long id = entry->id();
  entries_[camera] = std::move(entry);
  return id;
}

PlayTable::EntryPtr PlayTable::Find(CAMLIST_ITEM* camera) {
  LockGuard guard(lock_);
  auto found = entries_.find(camera);
  return found == entries_.end() ? nullptr : found->second;
}

void PlayTable::ReOpen(CAMLIST_ITEM* camera) {
  EntryPtr entry = Find(camera);
  if (entry == nullptr) return;
  if (ICameraHandle* handle = entry->handle()) handle->ReOpen();
}

void PlayTable::Close(CAMLIST_ITEM* camera) {
  EntryPtr entry = Find(camera);
  if (entry == nullptr) return;
  if (ICameraHandle* handle = entry->handle()) handle->Close();
}

void PlayTable::StopAll() {
  std::map<CAMLIST_ITEM*, EntryPtr> doomed;
  {
    LockGuard guard(lock_);
    doomed.swap(entries_);
  }
  // Each entry closes and deletes its handle when its last holder lets go: here, or in a
  // ReOpen or Close still running on another thread.
  doomed.clear();
}

void PlayTable::Abandon() {
  LockGuard guard(lock_);
  // The entries are leaked on purpose: destroying them would call into unloaded code.
  for (auto& kv : entries_) new EntryPtr(std::move(kv.second));
  entries_.clear();
}

size_t PlayTable::Count() {
  LockGuard guard(lock_);
  return entries_.size();
}

long PlayTable::NextId() {
  for (;;) {
    lastId_ = lastId_ >= 0x7FFFFFFF ? 1 : lastId_ + 1;
    bool used = false;
    for (const auto& kv : entries_) used = used || kv.second->id() == lastId_;
    if (!used) return lastId_;
  }
}

ICameraHandle* PlayTable::HandleOf(long playHandle) const {
  if (playHandle == kNoHandle || playHandle == 0) return nullptr;
  for (const auto& kv : entries_) {
    if (kv.second->id() == playHandle) return kv.second->handle();
  }
  return nullptr;
}

long PlayTable::RealHandle(long playHandle) {
  LockGuard guard(lock_);
  ICameraHandle* handle = HandleOf(playHandle);
  return handle == nullptr ? kNoHandle : handle->GetRealHandle();
}

int PlayTable::PTZCtrl(long playHandle, int command, int param, int reserved, char* data,
                       int length) {
  LockGuard guard(lock_);
  ICameraHandle* handle = HandleOf(playHandle);
  return handle == nullptr ? -1 : handle->PTZCtrl(command, param, reserved, data, length);
}

namespace {

std::unique_ptr<ICameraHandle> OneCallObject(PluginDirectory& plugins, const char* cameraType) {
  CreateKVCameraHandleObjectProc factory = plugins.FactoryFor(cameraType);
  if (factory == nullptr) return nullptr;
  return std::unique_ptr<ICameraHandle>(factory());
}

}  // namespace

int GetMotionParameters(PluginDirectory& plugins, const char* cameraType, char* name, char* ip,
                        char channel, char* user, char* password, KV_CHANNMOTION* record,
                        uint16_t port) {
  std::unique_ptr<ICameraHandle> handle = OneCallObject(plugins, cameraType);
  if (!handle) return 0;
  return handle->GetMotionPara(name, ip, channel, user, password, record, port);
}

int SetMotionParameters(PluginDirectory& plugins, const char* cameraType, char* name, char* ip,
                        char channel, char* user, char* password, KV_CHANNMOTION* record,
                        uint16_t port) {
  std::unique_ptr<ICameraHandle> handle = OneCallObject(plugins, cameraType);
  if (!handle) return 0;
  return handle->SetMotionPara(name, ip, channel, user, password, record, port);
}

}  // namespace camshare

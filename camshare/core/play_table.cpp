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

CameraPlayEntry::CameraPlayEntry(CAMLIST_ITEM* camera, CallbackRegistry* registry)
    : handle_(nullptr), camera_(camera), registry_(registry) {}

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
  LockGuard guard(lock_);
  auto found = entries_.find(camera);
  if (found != entries_.end()) {
    if (found->second->handle() != nullptr) return PlayHandleOf(found->second->handle());
    delete found->second;
    entries_.erase(found);
  }
  auto entry = std::make_unique<CameraPlayEntry>(camera, &registry_);
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
  long playHandle = PlayHandleOf(entry->handle());
  entries_[camera] = entry.release();
  return playHandle;
}

void PlayTable::ReOpen(CAMLIST_ITEM* camera) {
  LockGuard guard(lock_);
  auto found = entries_.find(camera);
  if (found == entries_.end()) return;
  if (ICameraHandle* handle = found->second->handle()) handle->ReOpen();
}

void PlayTable::Close(CAMLIST_ITEM* camera) {
  LockGuard guard(lock_);
  auto found = entries_.find(camera);
  if (found == entries_.end()) return;
  if (ICameraHandle* handle = found->second->handle()) handle->Close();
}

void PlayTable::StopAll() {
  LockGuard guard(lock_);
  while (!entries_.empty()) {
    auto first = entries_.begin();
    CameraPlayEntry* entry = first->second;
    entries_.erase(first);
    delete entry;
  }
}

void PlayTable::Abandon() {
  LockGuard guard(lock_);
  entries_.clear();
}

size_t PlayTable::Count() {
  LockGuard guard(lock_);
  return entries_.size();
}

ICameraHandle* HandleFromPlayHandle(long playHandle) {
  if (playHandle == kNoHandle || playHandle == 0) return nullptr;
  return reinterpret_cast<ICameraHandle*>(playHandle);
}

long PlayHandleOf(ICameraHandle* handle) {
  return handle == nullptr ? kNoHandle : reinterpret_cast<long>(handle);
}

long RealHandleOf(long playHandle) {
  ICameraHandle* handle = HandleFromPlayHandle(playHandle);
  return handle == nullptr ? kNoHandle : handle->GetRealHandle();
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

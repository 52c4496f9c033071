#include "detector_channels.h"

#include <chrono>
#include <cstring>

#include "error_texts.h"

namespace tremor {

// Events are flags under one mutex: set by the caller, waited on by the channel thread.
struct DetectorChannels::Channel {
  std::mutex lock;  // the channel lock: path and images
  char path[kPathCapacity] = {};
  MotionModel model;
  PictureBuffers buffers;
  char inHand[kPathCapacity] = {};  // path of the picture being checked; channel thread only

  std::mutex eventLock;
  std::condition_variable changed;
  bool picture = false;
  bool stop = false;
  bool stopped = false;
  bool tablesGone = false;
  std::atomic<uint64_t> taken{0};
  std::thread thread;

  template <typename Pred>
  bool WaitFor(int ms, Pred pred) {
    std::unique_lock<std::mutex> guard(eventLock);
    return changed.wait_for(guard, std::chrono::milliseconds(ms), pred);
  }
  void Signal(bool Channel::*flag) {
    {
      std::lock_guard<std::mutex> guard(eventLock);
      this->*flag = true;
    }
    changed.notify_all();
  }
};

DetectorChannels::DetectorChannels(PictureLoader loader) : loader_(std::move(loader)) {}

DetectorChannels::~DetectorChannels() { FreeCapNums(channelCount()); }

int DetectorChannels::channelCount() const {
  std::lock_guard<std::mutex> guard(tablesLock_);
  return static_cast<int>(channels_.size());
}

void DetectorChannels::SetLastError(const char* text) {
  std::lock_guard<std::mutex> guard(errorLock_);
  lastError_ = text;
}

std::string DetectorChannels::LastError() const {
  std::lock_guard<std::mutex> guard(errorLock_);
  return lastError_;
}

DetectorChannels::Channel* DetectorChannels::Find(int channel) {
  std::lock_guard<std::mutex> guard(tablesLock_);
  if (channels_.empty()) {
    SetLastError(kTableMissingText[0]);
    return nullptr;
  }
  if (channel < 0 || channel >= static_cast<int>(channels_.size())) {
    SetLastError(kBadChannelText);
    return nullptr;
  }
  return channels_[channel].get();
}

uint64_t DetectorChannels::PicturesTaken(int channel) {
  std::lock_guard<std::mutex> guard(tablesLock_);
  if (channel < 0 || channel >= static_cast<int>(channels_.size())) return 0;
  return channels_[channel]->taken.load();
}

int DetectorChannels::SetCapNums(int count) {
  std::lock_guard<std::mutex> guard(tablesLock_);
  if (!channels_.empty() || count <= 0) return 0;  // the first call decides the size
  for (int i = 0; i < count; ++i) channels_.push_back(std::make_unique<Channel>());
  return 0;
}

void DetectorChannels::Join(Channel& channel) {
  if (!channel.thread.joinable()) return;
  channel.Signal(&Channel::stop);
  channel.thread.join();
}

int DetectorChannels::FreeCapNums(int count) {
  std::vector<std::unique_ptr<Channel>> gone;
  {
    std::lock_guard<std::mutex> guard(tablesLock_);
    gone.swap(channels_);
  }
  // Threads end at their next pass; they are joined before their channel is freed.
  for (auto& channel : gone) {
    if (channel->thread.joinable()) channel->Signal(&Channel::tablesGone);
    Join(*channel);
  }
  return 0;
}

int DetectorChannels::PictureCheckStart(int channel) {
  Channel* c = Find(channel);
  if (c == nullptr) return -1;
  // A channel restarted while running would have two threads on one background.
  Join(*c);
  {
    std::lock_guard<std::mutex> guard(c->eventLock);
    c->picture = c->stop = c->stopped = c->tablesGone = false;
  }
  {
    std::lock_guard<std::mutex> guard(c->lock);
    c->model.Reset();
    c->path[0] = '\0';
  }
  c->thread = std::thread(&DetectorChannels::Run, this, c, channel);
  return 0;
}

int DetectorChannels::PictureCheckStop(int channel, int timeoutMs) {
  Channel* c = Find(channel);
  if (c == nullptr) return -1;
  c->Signal(&Channel::stop);
  if (!c->WaitFor(timeoutMs, [c] { return c->stopped; })) return -2;
  if (c->thread.joinable()) c->thread.join();
  return 0;
}

int DetectorChannels::MoveCheckByPicFile(int channel, const char* path) {
  if (path == nullptr) {
    SetLastError(kNullArgumentText);
    return -1;
  }
  const size_t length = std::strlen(path);
  if (length >= kPathCapacity) {
    SetLastError(kPathTooLongText);
    return -1;
  }
  Channel* c = Find(channel);
  if (c == nullptr) return -1;
  {
    std::lock_guard<std::mutex> guard(c->lock);
    std::memcpy(c->path, path, length + 1);
  }
  c->Signal(&Channel::picture);
  return 0;
}

int DetectorChannels::SetThreshold(int threshold) {
  threshold_ = threshold;
  return 0;
}

int DetectorChannels::RegisterEventWarning(MotionCallback callback) {
  std::lock_guard<std::mutex> guard(callbackLock_);
  callback_ = std::move(callback);
  return 0;
}

int DetectorChannels::GetLastErrorInfo(char* buffer) const {
  if (buffer == nullptr) return -1;
  std::string text = LastError();
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return 0;
}

void DetectorChannels::Run(Channel* c, int index) {
  for (;;) {
    bool picture = c->WaitFor(10, [c] { return c->picture || c->tablesGone; });
    if (c->tablesGone) {
      SetLastError(kNotInitialisedText);
      return;
    }
    if (picture) {
      {
        std::lock_guard<std::mutex> guard(c->eventLock);
        c->picture = false;
      }
      bool motion = false;
      {
        std::lock_guard<std::mutex> guard(c->lock);
        std::memcpy(c->inHand, c->path, sizeof c->inHand);
        Picture picture;
        double mean = 0;
        // A picture that cannot be read or has another size is skipped.
        if (loader_ && loader_(c->inHand, c->buffers, &picture) &&
            c->model.Process(picture, &mean) == MotionModel::Result::kCompared)
          motion = mean >= threshold_.load();
      }
      // Called outside the channel lock: the callback's owner may be inside
      // MoveCheckByPicFile for this channel while holding its own locks.
      if (motion) {
        MotionCallback callback;
        {
          std::lock_guard<std::mutex> guard(callbackLock_);
          callback = callback_;
        }
        if (callback) callback(1, index, c->inHand);
      }
      ++c->taken;
    }
    if (c->WaitFor(5, [c] { return c->stop || c->tablesGone; })) {
      if (c->tablesGone) {
        SetLastError(kNotInitialisedText);
        return;
      }
      c->Signal(&Channel::stopped);
      return;
    }
  }
}

}  // namespace tremor

// The camera-use watcher's decisions: whose name the filter driver reports, and what the
// camera-in-use prompt does with it (ask when a program opens the camera; inform, once per
// new name, while another program uses it).
#pragma once

#include <cstddef>
#include <mutex>
#include <string>

namespace lookout {

constexpr char kOwnProgramName[] = "Lookout";
constexpr size_t kOwnNameCompared = 13;  // bytes compared, stopping at a terminator
constexpr int kPromptTimerId = 10;
constexpr unsigned kPromptTimerMs = 1000;
constexpr int kPromptWidth = 420;
constexpr int kPromptHeight = 132;

// The driver's answer to a name query: the bytes it returned (the name is cut at its first
// zero byte and at the buffer's end).
std::string NameFromDriver(const char* buffer, size_t bytesReturned, size_t bufferSize);

// True when the first 13 bytes of `name` match those of `own` (stopping at a terminator).
bool IsOwnProgramName(const std::string& name, const char* own = kOwnProgramName);

enum class PromptMode { Hidden, Ask, Inform };

class UsePromptRules {
 public:
  // The opener query after the driver's event: ask when it answered another program's name.
  static bool ShouldAsk(size_t bytesReturned, const std::string& name);

  struct Inform {
    bool show = false;     // show the prompt in inform mode
    bool newName = false;  // a name not reported before: label, background, load page message
  };
  // The using query on the prompt's timer.
  Inform OnUsing(size_t bytesReturned, const std::string& name);
  std::string LastName() const;

 private:
  mutable std::mutex m_lock;
  std::string m_lastName;
};

// The prompt's place: the bottom right corner of the work area.
struct PromptPlace {
  int left, top;
};
PromptPlace PromptPosition(int workLeft, int workTop, int workRight, int workBottom);

}  // namespace lookout

#include "use_watcher.h"

#include <cstring>

namespace lookout {

std::string NameFromDriver(const char* buffer, size_t bytesReturned, size_t bufferSize) {
  size_t n = bytesReturned < bufferSize ? bytesReturned : bufferSize;
  size_t length = 0;
  while (length < n && buffer[length] != '\0') ++length;
  return std::string(buffer, length);
}

bool IsOwnProgramName(const std::string& name, const char* own) {
  return std::strncmp(name.c_str(), own, kOwnNameCompared) == 0;
}

bool UsePromptRules::ShouldAsk(size_t bytesReturned, const std::string& name) {
  return bytesReturned > 0 && !IsOwnProgramName(name);
}

UsePromptRules::Inform UsePromptRules::OnUsing(size_t bytesReturned, const std::string& name) {
  Inform inform;
  if (bytesReturned == 0 || IsOwnProgramName(name)) return inform;
  inform.show = true;
  std::lock_guard<std::mutex> guard(m_lock);
  if (name != m_lastName) {
    m_lastName = name;
    inform.newName = true;
  }
  return inform;
}

std::string UsePromptRules::LastName() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_lastName;
}

PromptPlace PromptPosition(int, int, int workRight, int workBottom) {
  return {workRight - kPromptWidth, workBottom - kPromptHeight};
}

}  // namespace lookout

#include "program_folder.h"

#include <unistd.h>

#include "skin_text.h"

namespace veneer {

std::wstring ProgramFolder() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return std::wstring();
  std::string path(buffer, static_cast<size_t>(n));
  return Utf8ToWide(path.substr(0, path.rfind('/') + 1));
}

}  // namespace veneer

// The tool's command line: /install NAME LEVEL, /file PATH, /start NAME, /stop NAME, /?.
#pragma once

#include <cstdint>
#include <string>

namespace drvtool {

// Longest service name the service control manager takes.
constexpr size_t kMaxServiceName = 256;

struct CommandLine {
  bool showUsage = false;  // /? or a malformed option: show the usage and do nothing else
  bool helpAsked = false;  // it was /?
  bool install = false;
  std::wstring installName;
  uint32_t startType = 0;  // 0..4: boot, system, automatic, on demand, disabled
  bool haveFile = false;
  std::wstring file;
  bool start = false;
  std::wstring startName;
  bool stop = false;
  std::wstring stopName;

  bool HasAction() const { return install || start || stop; }
};

// Parses the arguments (the command line without the program name). Option words are
// matched without regard to case; unknown ones are ignored. A value is the next word after
// its option ("..." keeps spaces); an empty value, one starting with '/', a level that is
// not a number from 0 to 4 or is not followed by a space, and a service name that the
// service control manager would refuse, all ask for the usage.
CommandLine ParseCommandLine(const std::wstring& args);

// A name the service control manager accepts: 1 to kMaxServiceName characters, no '/' or '\'.
bool IsValidServiceName(const std::wstring& name);

}  // namespace drvtool

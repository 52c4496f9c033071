// The camera's CGI requests: HTTP/1.0, one request line and two header lines.
#pragma once

#include <cstdint>
#include <string>

namespace quilgate {

extern const char kUserAgent[];  // "myclient/1.0" and a contact address

// Where a request goes and with which login. User and password are cut to the request
// object's fields of 19 bytes; a host longer than its 29 bytes is refused by the builders
// (cut, it could name another host).
struct CgiTarget {
  std::string host;
  uint16_t port = 0;
  std::string user;
  std::string password;
};
CgiTarget MakeTarget(const char* host, uint16_t port, const char* user, const char* password);

// Each builder gives false, and no request, when the host, user or password holds a CR or
// an LF (such text would end the request line early and smuggle in lines of its own), or
// when the host is empty or too long.
bool ClockRequest(const CgiTarget& target, int64_t utcSeconds, std::string* out);
bool ReadParamsRequest(const CgiTarget& target, std::string* out);
// `schedule` is ScheduleText's output and ends with '&'.
bool WriteAlarmRequest(const CgiTarget& target, int motionArmed, const std::string& schedule,
                       std::string* out);

}  // namespace quilgate

#include "cgi_request.h"

namespace quilgate {

const char kUserAgent[] = "myclient/1.0 (cameras@lookout.invalid)";

namespace {

constexpr size_t kHostCapacity = 30;
constexpr size_t kLoginCapacity = 20;

std::string Field(const char* text, size_t capacity) {
  std::string s = text != nullptr ? text : "";
  if (s.size() > capacity - 1) s.resize(capacity - 1);
  return s;
}

bool LineSafe(const std::string& s) { return s.find_first_of("\r\n") == std::string::npos; }

bool Finish(const CgiTarget& t, const std::string& line, std::string* out) {
  if (!LineSafe(t.host) || !LineSafe(t.user) || !LineSafe(t.password)) return false;
  if (t.host.empty() || t.host.size() > kHostCapacity - 1) return false;
  *out = line + "\r\nHost: " + t.host + "\r\nUser-Agent: " + kUserAgent + "\r\n\r\n";
  return true;
}

std::string Login(const CgiTarget& t) { return "user=" + t.user + "&pwd=" + t.password; }

}  // namespace

CgiTarget MakeTarget(const char* host, uint16_t port, const char* user, const char* password) {
  CgiTarget t;
  t.host = host != nullptr ? host : "";
  t.port = port;
  t.user = Field(user, kLoginCapacity);
  t.password = Field(password, kLoginCapacity);
  return t;
}

bool ClockRequest(const CgiTarget& t, int64_t utcSeconds, std::string* out) {
  return Finish(t, "GET /set_datetime.cgi?now=" + std::to_string(utcSeconds) + "&" + Login(t) + " HTTP/1.0",
                out);
}

bool ReadParamsRequest(const CgiTarget& t, std::string* out) {
  return Finish(t, "GET /get_params.cgi?&" + Login(t) + " HTTP/1.0", out);
}

bool WriteAlarmRequest(const CgiTarget& t, int motionArmed, const std::string& schedule, std::string* out) {
  if (!LineSafe(schedule)) return false;
  return Finish(t,
                "GET /set_alarm.cgi?motion_armed=" + std::to_string(motionArmed) + "&" + schedule + "&" +
                    Login(t) + " HTTP/1.0",
                out);
}

}  // namespace quilgate

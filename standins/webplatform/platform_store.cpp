#include "platform_store.h"

namespace standins::web {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Get(const HttpRequest& r, const std::string& key) {
  auto it = r.query.find(key);
  return it == r.query.end() ? std::string() : it->second;
}

std::string Page(const std::string& title) {
  return "<HTML><HEAD><TITLE>" + title + "</TITLE></HEAD><BODY>" + title + "</BODY></HTML>";
}

}  // namespace

std::string PercentDecode(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

HttpRequest ParseTarget(const std::string& target) {
  HttpRequest r;
  r.target = target;
  size_t q = target.find('?');
  r.path = target.substr(0, q);
  if (q == std::string::npos) return r;
  std::string rest = target.substr(q + 1);
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find('&', start);
    if (end == std::string::npos) end = rest.size();
    std::string pair = rest.substr(start, end - start);
    if (!pair.empty()) {
      size_t eq = pair.find('=');
      r.query[pair.substr(0, eq)] = eq == std::string::npos ? std::string() : PercentDecode(pair.substr(eq + 1));
    }
    start = end + 1;
  }
  return r;
}

bool IsMobileNumber(const std::string& text) {
  if (text.size() != 11) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

void PlatformStore::AddUser(const std::string& mobile, const std::string& password) {
  users[mobile] = User{password, std::to_string(m_nextUserId++)};
}

HttpResponse PlatformStore::Answer(const HttpRequest& request) {
  HttpResponse response;
  auto forced = this->forced.find(request.path);
  const std::string& p = request.path;
  if (p == "/loadrunner.asp") {
    response.body = rendezvous;
  } else if (p == "/interface/chkUserPws.action") {
    response.body = CheckLogin(request);
  } else if (p == "/interface/sendSMSMsg.action") {
    response.body = SendSms(request);
  } else if (p == "/interface/IvrReg.asp") {
    response.body = Register(request);
  } else if (p == "/interface/IvrCameraBind.asp") {
    response.body = Bind(request);
  } else if (p == "/interface/delCameraBind.action") {
    response.body = RemoveBinding(request);
  } else if (p == "/" || p.empty()) {
    response.contentType = "text/html";
    response.body = Page("Platform home");
  } else if (p == "//user/findpwd.action" || p == "/user/findpwd.action") {
    response.contentType = "text/html";
    response.body = Page("Find password");
  } else if (p == "/login.asp") {
    response.contentType = "text/html";
    response.body = Page("Platform login " + Get(request, "username"));
  } else {
    response.status = 404;
    response.contentType = "text/html";
    response.body = Page("404 Not Found");
  }
  if (forced != this->forced.end()) response.body = forced->second;
  return response;
}

std::string PlatformStore::CheckLogin(const HttpRequest& r) {
  auto user = users.find(Get(r, "UserName"));
  if (user == users.end() || user->second.password != Get(r, "Pws")) return "0|wrong user name or password";
  return "1|" + user->first + "|" + user->second.userId;
}

std::string PlatformStore::SendSms(const HttpRequest& r) {
  std::string mobile = Get(r, "Mobile");
  if (!IsMobileNumber(mobile)) return "0|bad number";
  sms.push_back({mobile, Get(r, "SendMsg")});
  return "1";
}

std::string PlatformStore::Register(const HttpRequest& r) {
  std::string mobile = Get(r, "Mobile");
  if (mobile.empty()) return "0|101";
  if (!IsMobileNumber(mobile)) return "0|102";
  if (users.count(mobile) != 0) return "0|103";
  std::string password = Get(r, "pwd");
  if (password.empty()) return "0|104";
  AddUser(mobile, password);
  return "1|" + mobile + "|" + password + "|" + users[mobile].userId;
}

std::string PlatformStore::Bind(const HttpRequest& r) {
  std::string name = Get(r, "UserName"), password = Get(r, "Password"), camera = Get(r, "CameraID");
  if (name.empty() || password.empty()) return "0|106";
  auto user = users.find(name);
  if (user == users.end()) return "0|112";
  if (user->second.password != password) return "0|107";
  if (camera.empty()) return "0|1081";
  auto owner = bindings.find(camera);
  if (owner != bindings.end() && owner->second != name) return "0|1083";
  bindings[camera] = name;
  return "1";
}

std::string PlatformStore::RemoveBinding(const HttpRequest& r) {
  std::string name = Get(r, "UserName"), password = Get(r, "Password"), camera = Get(r, "CameraID");
  if (name.empty() || password.empty() || camera.empty()) return "-2";
  auto user = users.find(name);
  if (user == users.end() || user->second.password != password) return "-1";
  auto owner = bindings.find(camera);
  if (owner == bindings.end() || owner->second != name) return "-3";
  bindings.erase(owner);
  return "1";
}

std::string PlatformStore::LastCode(const std::string& mobile) const {
  for (auto it = sms.rbegin(); it != sms.rend(); ++it) {
    if (it->mobile != mobile) continue;
    const std::string& m = it->message;
    return m.size() >= 6 ? m.substr(m.size() - 6) : std::string();
  }
  return std::string();
}

}  // namespace standins::web

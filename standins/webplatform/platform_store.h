// The stand-in web platform's data and answers: users with passwords, the SMS messages it
// "sent", camera bindings per camera id, and the text answers of each interface URL.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace standins::web {

struct HttpRequest {
  std::string target;  // as received: path and query
  std::string path;
  std::map<std::string, std::string> query;  // percent-decoded values
};

struct HttpResponse {
  int status = 200;
  std::string contentType = "text/plain";
  std::string body;
};

// "%XX" becomes the byte, "+" stays "+" (the client never encodes blanks that way).
std::string PercentDecode(const std::string& text);
// Splits "path?a=1&b=2"; a key without "=" has an empty value; a repeated key keeps the last.
HttpRequest ParseTarget(const std::string& target);

class PlatformStore {
 public:
  struct User {
    std::string password;
    std::string userId;
  };
  struct Sms {
    std::string mobile;
    std::string message;  // decoded UTF-8
  };

  std::string rendezvous = "127.0.0.1:8000";  // the loadrunner.asp answer
  std::map<std::string, User> users;           // by mobile number
  std::map<std::string, std::string> bindings;  // camera id -> owner's mobile number
  std::vector<Sms> sms;
  // Answers that replace the computed ones, by path (for codes no rule here produces).
  std::map<std::string, std::string> forced;

  void AddUser(const std::string& mobile, const std::string& password);
  // The answer to one request.
  HttpResponse Answer(const HttpRequest& request);
  // The six-digit code at the end of the last message sent to `mobile`, or "".
  std::string LastCode(const std::string& mobile) const;

 private:
  std::string CheckLogin(const HttpRequest& r);
  std::string SendSms(const HttpRequest& r);
  std::string Register(const HttpRequest& r);
  std::string Bind(const HttpRequest& r);
  std::string RemoveBinding(const HttpRequest& r);
  int m_nextUserId = 1001;
};

// A valid mobile number: 11 digits.
bool IsMobileNumber(const std::string& text);

}  // namespace standins::web

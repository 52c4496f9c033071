#include "quilcam_http.h"

namespace quilcam {

bool ParseRequestHead(const std::string& head, HttpRequest* out) {
  *out = HttpRequest();
  size_t lineEnd = head.find("\r\n");
  std::string line = head.substr(0, lineEnd);
  size_t a = line.find(' ');
  size_t b = a == std::string::npos ? a : line.find(' ', a + 1);
  if (a == std::string::npos || b == std::string::npos || line.find(' ', b + 1) != std::string::npos) return false;
  out->method = line.substr(0, a);
  std::string target = line.substr(a + 1, b - a - 1);
  out->version = line.substr(b + 1);
  size_t q = target.find('?');
  out->path = target.substr(0, q);
  if (q == std::string::npos) return true;
  std::string query = target.substr(q + 1);
  size_t start = 0;
  while (start <= query.size()) {
    size_t end = query.find('&', start);
    if (end == std::string::npos) end = query.size();
    std::string pair = query.substr(start, end - start);
    size_t eq = pair.find('=');
    if (!pair.empty()) {
      std::string key = pair.substr(0, eq);
      std::string value = eq == std::string::npos ? std::string() : pair.substr(eq + 1);
      out->query.emplace(key, value);  // the first one stays
    }
    start = end + 1;
  }
  return true;
}

size_t HeadEnd(const std::string& received) {
  size_t at = received.find("\r\n\r\n");
  return at == std::string::npos ? at : at + 4;
}

std::string HttpAnswer(int status, const std::string& body) {
  const char* reason = status == 200 ? "OK" : status == 401 ? "Unauthorized" : status == 404 ? "Not Found"
                                                                                              : "Bad Request";
  std::string answer = "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\nServer: quilcam stand-in\r\n";
  if (status == 401) answer += "WWW-Authenticate: Basic realm=\"quilcam\"\r\n";
  answer += "Content-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
            "\r\nConnection: close\r\n\r\n" + body;
  return answer;
}

}  // namespace quilcam

// The stand-in camera's view of an HTTP request: the request line and its query.
#pragma once

#include <cstddef>
#include <map>
#include <string>

namespace quilcam {

struct HttpRequest {
  std::string method;
  std::string path;  // without the query
  std::string version;
  std::map<std::string, std::string> query;  // the first value of each key, not unescaped
};

// Parses the head (request line and headers). False when the request line is not
// "METHOD TARGET VERSION".
bool ParseRequestHead(const std::string& head, HttpRequest* out);

// The end of the head ("\r\n\r\n") in what was received so far, or npos.
size_t HeadEnd(const std::string& received);

// A whole answer with a status line, the headers and the body; the connection closes after it.
std::string HttpAnswer(int status, const std::string& body);

}  // namespace quilcam

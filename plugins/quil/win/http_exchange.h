// One HTTP/1.0 request to a camera and its answer, one connection per request. Every answer
// lands in one process-wide buffer, so exchanges from all threads take turns.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "cgi_request.h"

namespace quilgate::win {

constexpr size_t kAnswerCapacity = 4096;   // bytes of an answer that are kept; the rest is cut
constexpr unsigned kAnswerTimeoutMs = 3000;

// Sends `request` to the target and reads the answer until the camera closes the connection
// or the time-out ends the wait. `read` sees the NUL-terminated answer while the buffer is
// held. False when the host is unknown, the connect or the send fails, or nothing came back.
bool Exchange(const CgiTarget& target, const std::string& request,
              const std::function<void(const char* answer, size_t size)>& read = nullptr);

}  // namespace quilgate::win

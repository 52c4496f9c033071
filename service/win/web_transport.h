// Platform requests over WinINet: one session per request, one read of at most 10240 bytes.
#pragma once

#include "platform_client.h"

namespace lookout {

constexpr unsigned long kMaxAnswerBytes = 10240;

class WinInetTransport : public PlatformTransport {
 public:
  HttpAnswer Get(const std::wstring& url) override;
};

// The internet library's text for an error code (at most 1024 characters); never empty.
std::wstring InternetErrorText(unsigned long error);

}  // namespace lookout

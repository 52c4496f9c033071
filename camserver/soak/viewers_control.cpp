#include "viewers_control.h"

#include <cstdlib>

namespace soak {

bool ViewersControl::Open(uint16_t port) {
  to_ = {standins::kLoopbackIp, port};
  return endpoint_.Open(0);
}

std::vector<std::string> ViewersControl::Ask(const std::string& command) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (!endpoint_.SendTo(command.data(), command.size(), to_)) return {};
    if (auto reply = endpoint_.Receive(1000)) {
      std::vector<std::string> words;
      std::string text(reply->bytes.begin(), reply->bytes.end());
      for (size_t at = 0; at < text.size();) {
        size_t space = text.find(' ', at);
        if (space == std::string::npos) space = text.size();
        if (space > at) words.push_back(text.substr(at, space - at));
        at = space + 1;
      }
      return words;
    }
  }
  return {};
}

bool ViewersControl::Counts(size_t viewers, std::vector<std::vector<uint64_t>>* out) {
  std::vector<std::string> words = Ask("counts");
  if (words.size() != 1 + kFieldCount * viewers || words[0] != "counts") return false;
  out->assign(viewers, std::vector<uint64_t>(kFieldCount));
  for (size_t i = 0; i < viewers; ++i)
    for (size_t k = 0; k < kFieldCount; ++k)
      (*out)[i][k] = std::strtoull(words[1 + kFieldCount * i + k].c_str(), nullptr, 10);
  return true;
}

}  // namespace soak

// Recording stand-ins for the platform client's transport, windows and camera server.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform_client.h"

namespace lookout::test {

class FakeTransport : public PlatformTransport {
 public:
  // Answers in order; the last one repeats.
  std::deque<HttpAnswer> answers;
  std::vector<std::wstring> urls;
  void Answer(const std::wstring& text) { answers.push_back({!text.empty(), false, text}); }
  void Fail(const std::wstring& text) { answers.push_back({false, true, text}); }
  HttpAnswer Get(const std::wstring& url) override {
    urls.push_back(url);
    if (answers.empty()) return HttpAnswer{};
    HttpAnswer a = answers.front();
    if (answers.size() > 1) answers.pop_front();
    return a;
  }
};

class FakeUi : public PlatformUi {
 public:
  struct Shown {
    std::wstring text;
    unsigned style;
    int time;
  };
  std::vector<Shown> messages;
  int reply = 1;  // what ShowTimedMessage returns
  std::vector<std::wstring> events;
  std::function<bool()> checkDialog = [] { return false; };
  uintptr_t programResult = 33;
  std::vector<std::wstring> programs;

  int ShowTimedMessage(const std::wstring& text, unsigned style, int autoCloseMs) override {
    messages.push_back({text, style, autoCloseMs});
    return reply;
  }
  void ShowBindPage() override { events.push_back(L"bind page"); }
  void ShowExperiencePage(bool wait) override {
    events.push_back(wait ? L"experience page, waiting" : L"experience page");
  }
  bool RunCheckDialog() override {
    events.push_back(L"check dialog");
    return checkDialog();
  }
  void StartCountdown() override { events.push_back(L"countdown started"); }
  void StopCountdown() override { events.push_back(L"countdown stopped"); }
  void DrawCountdown(const std::wstring& text) override { events.push_back(text); }
  uintptr_t RunProgram(const std::wstring& commandLine) override {
    programs.push_back(commandLine);
    return programResult;
  }
  std::vector<std::wstring> Texts() const {
    std::vector<std::wstring> t;
    for (const Shown& s : messages) t.push_back(s.text);
    return t;
  }
};

class FakeRendezvous : public RendezvousSink {
 public:
  int result = 1;
  std::vector<std::pair<std::wstring, int32_t>> calls;
  int SetServerAddress(const std::wstring& host, int32_t port) override {
    calls.emplace_back(host, port);
    return result;
  }
};

}  // namespace lookout::test

#include "web_transport.h"

#include <windows.h>
#include <wininet.h>

#include <vector>

#include "win_text.h"

namespace lookout {
namespace {

class InternetHandle {
 public:
  explicit InternetHandle(HINTERNET h) : m_h(h) {}
  ~InternetHandle() {
    if (m_h != nullptr) InternetCloseHandle(m_h);
  }
  HINTERNET get() const { return m_h; }

 private:
  HINTERNET m_h;
};

HttpAnswer Failed() {
  HttpAnswer a;
  a.internetError = true;
  a.text = InternetErrorText(GetLastError());
  return a;
}

}  // namespace

std::wstring InternetErrorText(unsigned long error) {
  wchar_t text[1025] = {};
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                           GetModuleHandleW(L"wininet.dll"), error, 0, text, 1024, nullptr);
  if (n == 0)
    n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, 1024,
                       nullptr);
  std::wstring message(text, n);
  if (message.empty()) message = L"Internet error " + std::to_wstring(error);
  // The text passes through the system code page, as an answer would.
  return AnsiToWide(WideToAnsi(message));
}

HttpAnswer WinInetTransport::Get(const std::wstring& url) {
  InternetHandle session(InternetOpenW(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (session.get() == nullptr) return Failed();
  InternetHandle file(
      InternetOpenUrlW(session.get(), url.c_str(), nullptr, 0, INTERNET_FLAG_TRANSFER_ASCII, 1));
  if (file.get() == nullptr) return Failed();
  std::vector<char> buffer(kMaxAnswerBytes + 1, '\0');
  DWORD read = 0;
  if (!InternetReadFile(file.get(), buffer.data(), kMaxAnswerBytes, &read)) return Failed();
  HttpAnswer answer;
  answer.ok = read > 0;
  answer.text = AnsiToWide(std::string(buffer.data()));  // up to the first zero byte
  return answer;
}

}  // namespace lookout

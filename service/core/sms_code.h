// The registration's verification code and the SMS message that carries it.
#pragma once

#include <functional>
#include <string>

namespace lookout {

// Shuffles "1234567890" with ten swaps (i with rand() mod 10) and keeps the first six.
std::wstring MakeVerificationCode(const std::function<int()>& rand);

// "尊敬的客户: 您本次在注册虚拟警示器帐号的随机验证码为<code>"
std::wstring SmsMessageText(const std::wstring& code);

// UTF-8 of wide text (UTF-16 or UTF-32 wchar_t); unpaired surrogates become U+FFFD.
std::string Utf8FromWide(const std::wstring& text);

// UTF-8 bytes: digits and ASCII letters as they are, every other byte as "%XX".
std::wstring PercentEncodeUtf8(const std::wstring& text);

}  // namespace lookout

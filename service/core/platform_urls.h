// URLs of the web platform and the browser command line. Every value but the SMS message
// goes into the URL as typed; a URL is cut to 1023 characters.
#pragma once

#include <initializer_list>
#include <string>

namespace lookout {

constexpr size_t kMaxUrlLength = 1023;

namespace url {
constexpr wchar_t kRendezvous[] = L"http://%s/loadrunner.asp";
constexpr wchar_t kCheckLogin[] = L"http://%s/interface/chkUserPws.action?UserName=%s&Pws=%s";
constexpr wchar_t kSendSms[] = L"http://%s/interface/sendSMSMsg.action?Mobile=%s&SendMsg=%s";
constexpr wchar_t kRegister[] = L"http://%s/interface/IvrReg.asp?Mobile=%s&RndCode=123&vcam=1&pwd=%s";
constexpr wchar_t kBindCamera[] =
    L"http://%s/interface/IvrCameraBind.asp?UserName=%s&Password=%s&CameraID=%s&RndCode=123&vcam=1";
constexpr wchar_t kRemoveBinding[] =
    L"http://%s/interface/delCameraBind.action?UserName=%s&Password=%s&CameraID=%s&RndCode=123&vcam=1";
constexpr wchar_t kHomePage[] = L"http://%s";
constexpr wchar_t kForgottenPassword[] = L"http://%s//user/findpwd.action";
constexpr wchar_t kPlatformLogin[] =
    L"http://%s/login.asp?username=%s&password=%s&uid=%s&CameraID=%s&vcam=1";
}  // namespace url

// Puts the arguments in place of the "%s" of `format`, in order (a missing argument is
// empty), and cuts the result to kMaxUrlLength characters.
std::wstring FormatUrl(const wchar_t* format, std::initializer_list<std::wstring> args);

// explorer "<url>"
std::wstring BrowserCommandLine(const std::wstring& url);

}  // namespace lookout

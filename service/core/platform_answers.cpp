#include "platform_answers.h"

#include <climits>

namespace lookout {

std::wstring TakeField(std::wstring& rest) {
  size_t bar = rest.find(L'|');
  std::wstring field = rest.substr(0, bar);
  rest = bar == std::wstring::npos ? std::wstring() : rest.substr(bar + 1);
  return field;
}

int32_t DecimalValue(const std::wstring& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    value = value * 10 + (text[i] - L'0');
    if (value > static_cast<int64_t>(INT32_MAX) + 1) value = static_cast<int64_t>(INT32_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) value = INT32_MAX;
  return static_cast<int32_t>(value);
}

RendezvousAnswer ParseRendezvousAnswer(const std::wstring& text) {
  RendezvousAnswer a;
  a.html = text.find(L"HTML") != std::wstring::npos;
  size_t colon = text.find(L':');
  if (colon == std::wstring::npos || colon < 7) return a;
  a.hasAddress = true;
  a.address = text.substr(0, colon);
  a.port = DecimalValue(text.substr(colon + 1));
  return a;
}

LoginAnswer ParseLoginAnswer(const std::wstring& text) {
  LoginAnswer a;
  std::wstring rest = text;
  if (TakeField(rest) != L"1") return a;
  a.ok = true;
  size_t bar = rest.find(L'|');
  a.userId = bar == std::wstring::npos ? rest : rest.substr(bar + 1);
  return a;
}

RegisterAnswer ParseRegisterAnswer(const std::wstring& text) {
  RegisterAnswer a;
  std::wstring rest = text;
  if (TakeField(rest) != L"1") {
    a.code = DecimalValue(TakeField(rest));
    return a;
  }
  a.ok = true;
  a.userName = TakeField(rest);
  a.password = TakeField(rest);
  size_t bar = rest.find(L'|');
  a.userId = bar == std::wstring::npos ? rest : rest.substr(bar + 1);
  return a;
}

BindAnswer ParseBindAnswer(const std::wstring& text) {
  BindAnswer a;
  std::wstring rest = text;
  if (TakeField(rest) == L"1") {
    a.ok = true;
  } else {
    a.code = DecimalValue(TakeField(rest));
  }
  return a;
}

const wchar_t* RegisterErrorText(int32_t code) {
  switch (code) {
    case 101: return L"手机必须输入";
    case 102: return L"手机号格式不正确";
    case 103: return L"手机号已注册";
    case 104: return L"用户创建失败";
    case 1041: return L"用户名已存在";
    case 1042: return L"无效用户";
    case 1082: return L"警示器不存在";
    case 1083: return L"澄望器ID已经被注册";
    case 1086: return L"该端口被某个警示器使用着";
    default: return nullptr;
  }
}

const wchar_t* BindErrorText(int32_t code) {
  switch (code) {
    case 106: return L"用户名或密码必须输入";
    case 107: return L"密码错误";
    case 112: return L"用户不存在";
    case 1081: return L"警示器不能为空";
    case 1082: return L"警示器不存在";
    case 1084: return L"警示器绑定出错";
    case 1086: return L"该端口被某个警示器使用着";
    default: return nullptr;
  }
}

}  // namespace lookout

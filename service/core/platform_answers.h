// The platform's answers: short text lines of "|"-separated fields, and the messages that
// go with their error codes.
#pragma once

#include <cstdint>
#include <string>

namespace lookout {

// Removes the first field and its "|" from `rest` and returns it; the whole text when there
// is no "|".
std::wstring TakeField(std::wstring& rest);

// The runtime library's decimal conversion: blanks, a sign, leading digits; anything else
// ends the number. Saturates instead of overflowing.
int32_t DecimalValue(const std::wstring& text);

struct RendezvousAnswer {
  bool html = false;      // an error page (contains "HTML")
  bool hasAddress = false;  // the first ":" stands at index 7 or later
  std::wstring address;
  int32_t port = 0;
  bool ok() const { return !html && hasAddress; }
};
RendezvousAnswer ParseRendezvousAnswer(const std::wstring& text);

struct LoginAnswer {
  bool ok = false;
  std::wstring userId;
};
LoginAnswer ParseLoginAnswer(const std::wstring& text);

struct RegisterAnswer {
  bool ok = false;
  std::wstring userName, password, userId;
  int32_t code = 0;  // when not ok
};
RegisterAnswer ParseRegisterAnswer(const std::wstring& text);

struct BindAnswer {
  bool ok = false;
  int32_t code = 0;  // when not ok
};
BindAnswer ParseBindAnswer(const std::wstring& text);

// The messages of the registration and binding codes; null for a code with none.
const wchar_t* RegisterErrorText(int32_t code);
const wchar_t* BindErrorText(int32_t code);

}  // namespace lookout

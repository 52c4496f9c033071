// Text conversions through the system: the ANSI code page (CP_ACP) and UTF-8.
#pragma once

#include "text_codec.h"

namespace camshare::win {

class AnsiCodec : public TextCodec {
 public:
  std::wstring AnsiToWide(const std::string& text) const override;
  std::string WideToAnsi(const std::wstring& text) const override;
  std::wstring Utf8ToWide(const std::string& text) const override;
  bool IsLeadByte(unsigned char byte) const override;

  static const AnsiCodec& Instance();
};

}  // namespace camshare::win

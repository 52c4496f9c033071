// The fonts of the program's windows, made once before the program's entry point runs:
// "Tahoma", "MS Sans Serif" and "Arial" for its own controls, "幼圆" and "宋体" for the pages.
#pragma once

#include <windows.h>

namespace lookout {

struct UiFonts {
  HFONT tahoma, msSansSerif, arial;
  HFONT pageTitle;  // 幼圆, bold
  HFONT pageText;   // 宋体 -14
  HFONT pageSmall;  // 宋体 -12
  HFONT link;       // 宋体 -13, underlined
  HFONT list;       // 宋体 -14, the bind page's list
};
const UiFonts& Fonts();

}  // namespace lookout

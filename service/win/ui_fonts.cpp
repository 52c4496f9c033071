#include "ui_fonts.h"

namespace lookout {
namespace {

HFONT Make(const wchar_t* face, int height, int weight = FW_NORMAL, bool underline = false) {
  return CreateFontW(height, 0, 0, 0, weight, FALSE, underline, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, PROOF_QUALITY, DEFAULT_PITCH | FF_SWISS, face);
}

// Built during static initialisation, with the application object.
const UiFonts g_fonts = {
    Make(L"Tahoma", -11),
    Make(L"MS Sans Serif", -11),
    Make(L"Arial", -12),
    Make(L"幼圆", -18, FW_BOLD),
    Make(L"宋体", -14),
    Make(L"宋体", -12),
    Make(L"宋体", -13, FW_NORMAL, true),
    Make(L"宋体", -14),
};

}  // namespace

const UiFonts& Fonts() { return g_fonts; }

}  // namespace lookout

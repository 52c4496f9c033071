// The controls the pages draw themselves: buttons from a picture of four states side by side
// (normal, hot, down, disabled) with a centred text, and owner-drawn labels and links over
// the page's background. Buttons are marked as the program's own, so Veneer leaves them alone.
#pragma once

#include <windows.h>

namespace lookout {

// Makes a push button draw itself from `strip` (not owned) in `font`.
void MakeImageButton(HWND button, HBITMAP strip, COLORREF text, HFONT font);
// An owner-drawn static: its text in `color` and `font`, laid out by `format` (DT_ flags).
void MakeLabel(HWND label, COLORREF color, HFONT font, UINT format);
// A label that notifies its clicks and shows the hand cursor.
void MakeLink(HWND label, COLORREF color, HFONT font);

// For the dialog's WM_DRAWITEM: draws an image button or a label; false when `item` is none.
bool DrawOwnControl(const DRAWITEMSTRUCT& item);

}  // namespace lookout

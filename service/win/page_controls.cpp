#include "page_controls.h"

#include <commctrl.h>

#include <algorithm>

#include "VeneerWnd.h"
#include "skin_dialog.h"

namespace lookout {
namespace {

constexpr wchar_t kStripProp[] = L"Lookout.ButtonStrip";
constexpr wchar_t kColorProp[] = L"Lookout.TextColor";
constexpr wchar_t kFormatProp[] = L"Lookout.TextFormat";
constexpr wchar_t kHotProp[] = L"Lookout.Hot";
constexpr wchar_t kLinkProp[] = L"Lookout.Link";
constexpr UINT_PTR kSubclassId = 0x4C4B;

HANDLE AsProp(UINT_PTR value) { return reinterpret_cast<HANDLE>(value + 1); }
UINT_PTR FromProp(HANDLE h) { return reinterpret_cast<UINT_PTR>(h) - 1; }

LRESULT CALLBACK OwnControlProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  switch (message) {
    case WM_MOUSEMOVE:
      if (GetPropW(w, kHotProp) == nullptr) {
        SetPropW(w, kHotProp, reinterpret_cast<HANDLE>(1));
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, w, 0};
        TrackMouseEvent(&track);
        InvalidateRect(w, nullptr, FALSE);
      }
      break;
    case WM_MOUSELEAVE:
      RemovePropW(w, kHotProp);
      InvalidateRect(w, nullptr, FALSE);
      break;
    case WM_SETCURSOR:
      SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // the hand
      return TRUE;
    case WM_NCDESTROY:
      for (const wchar_t* p : {kStripProp, kColorProp, kFormatProp, kHotProp, kLinkProp, kOwnButtonProp})
        RemovePropW(w, p);
      RemoveWindowSubclass(w, OwnControlProc, kSubclassId);
      break;
  }
  return DefSubclassProc(w, message, wParam, lParam);
}

void DrawBehind(const DRAWITEMSTRUCT& item) {
  RECT r = item.rcItem;
  VENEER_PARENTBKGND behind = {item.hwndItem, item.hDC, r.left, r.top, r.right, r.bottom};
  SendMessageW(GetParent(item.hwndItem), WM_VENEER_PARENTBACKGROUND, reinterpret_cast<WPARAM>(&behind), 0);
}

void DrawButton(const DRAWITEMSTRUCT& item) {
  auto strip = static_cast<HBITMAP>(GetPropW(item.hwndItem, kStripProp));
  int state = (item.itemState & ODS_DISABLED)    ? 3
              : (item.itemState & ODS_SELECTED)   ? 2
              : GetPropW(item.hwndItem, kHotProp) ? 1
                                                  : 0;
  RECT r = item.rcItem;
  int w = r.right - r.left, h = r.bottom - r.top;
  DrawBehind(item);
  BITMAP info = {};
  if (strip != nullptr && GetObjectW(strip, sizeof info, &info) != 0 && info.bmWidth >= 4) {
    int part = info.bmWidth / 4;
    HDC memory = CreateCompatibleDC(item.hDC);
    HGDIOBJ old = SelectObject(memory, strip);
    const COLORREF key = RGB(255, 0, 255);
    if (part == w && info.bmHeight == h) {
      TransparentBlt(item.hDC, 0, 0, w, h, memory, part * state, 0, part, h, key);
    } else {
      // Stretched across, keeping the rounded ends.
      int end = std::min(5, part / 2);
      int x0 = part * state;
      TransparentBlt(item.hDC, 0, 0, end, h, memory, x0, 0, end, info.bmHeight, key);
      TransparentBlt(item.hDC, end, 0, w - 2 * end, h, memory, x0 + end, 0, part - 2 * end, info.bmHeight, key);
      TransparentBlt(item.hDC, w - end, 0, end, h, memory, x0 + part - end, 0, end, info.bmHeight, key);
    }
    SelectObject(memory, old);
    DeleteDC(memory);
  } else {
    HBRUSH brush = CreateSolidBrush(state == 3 ? RGB(0xB8, 0xC4, 0xD2) : RGB(0x2B, 0x7B, 0xD6));
    FillRect(item.hDC, &r, brush);
    DeleteObject(brush);
  }
  wchar_t text[128] = {};
  GetWindowTextW(item.hwndItem, text, 128);
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, state == 3 ? RGB(0xF4, 0xF7, 0xFB) : static_cast<COLORREF>(FromProp(GetPropW(item.hwndItem, kColorProp))));
  HGDIOBJ oldFont = SelectObject(item.hDC, reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)));
  if (state == 2) OffsetRect(&r, 0, 1);
  DrawTextW(item.hDC, text, -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
  SelectObject(item.hDC, oldFont);
}

void DrawLabel(const DRAWITEMSTRUCT& item) {
  DrawBehind(item);
  int n = GetWindowTextLengthW(item.hwndItem);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  GetWindowTextW(item.hwndItem, &text[0], n + 1);
  text.resize(static_cast<size_t>(n));
  COLORREF color = static_cast<COLORREF>(FromProp(GetPropW(item.hwndItem, kColorProp)));
  if (GetPropW(item.hwndItem, kLinkProp) != nullptr && GetPropW(item.hwndItem, kHotProp) != nullptr)
    color = RGB(0xF0, 0x8C, 0x1A);
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, color);
  HGDIOBJ oldFont = SelectObject(item.hDC, reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)));
  RECT r = item.rcItem;
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &r,
            static_cast<UINT>(FromProp(GetPropW(item.hwndItem, kFormatProp))) | DT_NOPREFIX);
  SelectObject(item.hDC, oldFont);
}

}  // namespace

void MakeImageButton(HWND button, HBITMAP strip, COLORREF text, HFONT font) {
  if (button == nullptr) return;
  SetPropW(button, kOwnButtonProp, reinterpret_cast<HANDLE>(1));
  SetPropW(button, kStripProp, strip);
  SetPropW(button, kColorProp, AsProp(text));
  LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
  SetWindowLongPtrW(button, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
  SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SetWindowSubclass(button, OwnControlProc, kSubclassId, 0);
  InvalidateRect(button, nullptr, TRUE);
}

void MakeLabel(HWND label, COLORREF color, HFONT font, UINT format) {
  if (label == nullptr) return;
  LONG_PTR style = GetWindowLongPtrW(label, GWL_STYLE);
  SetWindowLongPtrW(label, GWL_STYLE, (style & ~static_cast<LONG_PTR>(SS_TYPEMASK)) | SS_OWNERDRAW);
  SetPropW(label, kColorProp, AsProp(color));
  SetPropW(label, kFormatProp, AsProp(format));
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  InvalidateRect(label, nullptr, TRUE);
}

void MakeLink(HWND label, COLORREF color, HFONT font) {
  if (label == nullptr) return;
  MakeLabel(label, color, font, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
  SetWindowLongPtrW(label, GWL_STYLE, GetWindowLongPtrW(label, GWL_STYLE) | SS_NOTIFY);
  SetPropW(label, kLinkProp, reinterpret_cast<HANDLE>(1));
  SetWindowSubclass(label, OwnControlProc, kSubclassId, 0);
}

bool DrawOwnControl(const DRAWITEMSTRUCT& item) {
  if (GetPropW(item.hwndItem, kColorProp) == nullptr) return false;
  if (item.CtlType == ODT_BUTTON) DrawButton(item);
  else if (item.CtlType == ODT_STATIC) DrawLabel(item);
  else return false;
  return true;
}

}  // namespace lookout

// Skinned scroll bars. The window procedure is replaced (the old one is kept in the state
// stored as the window property "PROP_SkinSB"); the bars are drawn over the non-client area
// from one bitmap, and clicks on them are tracked here instead of by the system.
//
// Bitmap layout (80 x 128): vertical pieces in three 16-pixel columns (normal, hot, pressed):
// up arrow y 0-15, down arrow 16-31, track 32-47, thumb top 48-51, thumb middle 52-59, thumb
// bottom 60-63, grip 64-79. Horizontal pieces in three 16-pixel rows from y 80 (normal, hot,
// pressed): left arrow x 0-15, right arrow 16-31, track 32-47, thumb left 48-51, middle 52-59,
// right 60-63, grip 64-79.
#include <map>
#include <new>

#include "skin_controls.h"

namespace {

const wchar_t kProp[] = L"PROP_SkinSB";
const UINT_PTR kRepeatTimer = 0x5342;
const int kArrow = 16;
const int kBitmapWidth = 80;
const int kBitmapHeight = 128;

enum Part { PART_NONE, PART_ARROW1, PART_PAGE1, PART_THUMB, PART_PAGE2, PART_ARROW2 };

struct SkinSB {
  WNDPROC oldProc;
  SCROLLINFO horz;
  SCROLLINFO vert;
  BOOL leftScrollBar;
  HBITMAP bitmap;
  BOOL richEdit;
  int trackBar;  // SB_HORZ, SB_VERT or -1
  Part trackPart;
  int dragOffset;
  int dragPos;
  BOOL repeatStarted;
  int hotBar;
  Part hotPart;
  BOOL ncTracking;
};

// Windows whose procedure could not be given back because another one was put above it.
std::map<HWND, WNDPROC>& Bypassed() {
  static std::map<HWND, WNDPROC> m;
  return m;
}

struct Layout {
  bool visible = false;
  bool vertical = false;
  RECT bar = {}, arrow1 = {}, arrow2 = {}, track = {}, thumb = {};
  bool hasThumb = false;
  int trackStart = 0, trackLength = 0, thumbLength = 0, minPos = 0, maxPos = 0;
};

SCROLLINFO& InfoOf(SkinSB* sb, int bar) { return bar == SB_VERT ? sb->vert : sb->horz; }

Layout MakeLayout(HWND hWnd, SkinSB* sb, int bar) {
  Layout l;
  l.vertical = bar == SB_VERT;
  SCROLLBARINFO sbi = {};
  sbi.cbSize = sizeof sbi;
  if (!GetScrollBarInfo(hWnd, l.vertical ? OBJID_VSCROLL : OBJID_HSCROLL, &sbi)) return l;
  if (sbi.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN)) return l;
  RECT wr;
  GetWindowRect(hWnd, &wr);
  l.bar = sbi.rcScrollBar;
  OffsetRect(&l.bar, -wr.left, -wr.top);
  if (IsRectEmpty(&l.bar)) return l;
  l.visible = true;
  int start = l.vertical ? l.bar.top : l.bar.left;
  int length = l.vertical ? l.bar.bottom - l.bar.top : l.bar.right - l.bar.left;
  int arrow = length >= 2 * kArrow ? kArrow : length / 2;
  auto span = [&](int a, int b) {
    RECT r = l.bar;
    if (l.vertical) {
      r.top = a;
      r.bottom = b;
    } else {
      r.left = a;
      r.right = b;
    }
    return r;
  };
  l.arrow1 = span(start, start + arrow);
  l.arrow2 = span(start + length - arrow, start + length);
  l.trackStart = start + arrow;
  l.trackLength = length - 2 * arrow;
  l.track = span(l.trackStart, l.trackStart + l.trackLength);

  const SCROLLINFO& si = InfoOf(sb, bar);
  int range = si.nMax - si.nMin + 1;
  int page = static_cast<int>(si.nPage);
  bool enabled = !(sbi.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) && IsWindowEnabled(hWnd);
  if (!enabled || range <= 0 || (page > 0 && page >= range) || l.trackLength < 8) return l;
  int thumb = page > 0 ? static_cast<int>(static_cast<long long>(l.trackLength) * page / range) : kArrow;
  int minimum = l.trackLength < kArrow ? l.trackLength : kArrow;
  if (thumb < minimum) thumb = minimum;
  if (thumb > l.trackLength) thumb = l.trackLength;
  l.minPos = si.nMin;
  l.maxPos = si.nMax - (page > 0 ? page - 1 : 0);
  int pos = sb->trackBar == bar && sb->trackPart == PART_THUMB ? sb->dragPos : si.nPos;
  if (pos < l.minPos) pos = l.minPos;
  if (pos > l.maxPos) pos = l.maxPos;
  int offset = l.maxPos > l.minPos
                   ? static_cast<int>(static_cast<long long>(l.trackLength - thumb) * (pos - l.minPos) /
                                      (l.maxPos - l.minPos))
                   : 0;
  l.thumbLength = thumb;
  l.thumb = span(l.trackStart + offset, l.trackStart + offset + thumb);
  l.hasThumb = true;
  return l;
}

Part HitPart(const Layout& l, POINT pt) {
  if (!l.visible || !PtInRect(&l.bar, pt)) return PART_NONE;
  if (PtInRect(&l.arrow1, pt)) return PART_ARROW1;
  if (PtInRect(&l.arrow2, pt)) return PART_ARROW2;
  if (!l.hasThumb) return PART_NONE;
  if (PtInRect(&l.thumb, pt)) return PART_THUMB;
  int at = l.vertical ? pt.y : pt.x;
  int thumbStart = l.vertical ? l.thumb.top : l.thumb.left;
  return at < thumbStart ? PART_PAGE1 : PART_PAGE2;
}

void DrawBar(HDC dc, HDC bmp, SkinSB* sb, const Layout& l, int bar) {
  int w = l.bar.right - l.bar.left, h = l.bar.bottom - l.bar.top;
  veneer::Canvas canvas(dc, w, h);
  HDC c = canvas.dc();
  SetStretchBltMode(c, COLORONCOLOR);
  auto state = [&](Part part) {
    if (sb->trackBar == bar && sb->trackPart == part) return 2;
    if (sb->hotBar == bar && sb->hotPart == part) return 1;
    return 0;
  };
  // Source piece (along, length) for a state; across is always 16 pixels.
  auto piece = [&](const RECT& dst, int along, int length, int st) {
    RECT d = dst;
    OffsetRect(&d, -l.bar.left, -l.bar.top);
    int dw = d.right - d.left, dh = d.bottom - d.top;
    if (dw <= 0 || dh <= 0) return;
    if (l.vertical) {
      StretchBlt(c, d.left, d.top, dw, dh, bmp, 16 * st, along, 16, length, SRCCOPY);
    } else {
      StretchBlt(c, d.left, d.top, dw, dh, bmp, along, 80 + 16 * st, length, 16, SRCCOPY);
    }
  };
  auto sub = [&](int a, int b) {
    RECT r = l.bar;
    if (l.vertical) {
      r.top = a;
      r.bottom = b;
    } else {
      r.left = a;
      r.right = b;
    }
    return r;
  };
  piece(l.track, 32, 16, 0);
  piece(l.arrow1, 0, 16, state(PART_ARROW1));
  piece(l.arrow2, 16, 16, state(PART_ARROW2));
  if (l.hasThumb) {
    int st = state(PART_THUMB);
    int a = l.vertical ? l.thumb.top : l.thumb.left;
    int b = l.vertical ? l.thumb.bottom : l.thumb.right;
    int end = (b - a) >= 8 ? 4 : (b - a) / 2;
    for (int x = a + end; x < b - end; x += 8) {
      int len = (b - end) - x < 8 ? (b - end) - x : 8;
      piece(sub(x, x + len), 52, len, st);
    }
    piece(sub(a, a + end), 48, 4, st);
    piece(sub(b - end, b), 60, 4, st);
    if (b - a >= kArrow + 8) {
      int g = a + (b - a - kArrow) / 2;
      piece(sub(g, g + kArrow), 64, 16, st);
    }
  }
  canvas.CopyTo(dc, l.bar.left, l.bar.top);
}

void DrawBars(HWND hWnd, SkinSB* sb) {
  if (sb->bitmap == nullptr) return;
  BITMAP bm;
  if (!GetObjectW(sb->bitmap, sizeof bm, &bm) || bm.bmWidth < kBitmapWidth || bm.bmHeight < kBitmapHeight) return;
  HDC dc = GetWindowDC(hWnd);
  if (!dc) return;
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, sb->bitmap);
  Layout v = MakeLayout(hWnd, sb, SB_VERT);
  Layout h = MakeLayout(hWnd, sb, SB_HORZ);
  if (v.visible) DrawBar(dc, mem, sb, v, SB_VERT);
  if (h.visible) DrawBar(dc, mem, sb, h, SB_HORZ);
  if (v.visible && h.visible) {
    RECT corner = {v.bar.left, h.bar.top, v.bar.right, h.bar.bottom};
    veneer::FillSolid(dc, corner, GetPixel(mem, 8, 40));
  }
  SelectObject(mem, old);
  DeleteDC(mem);
  ReleaseDC(hWnd, dc);
}

bool RefreshInfo(HWND hWnd, SkinSB* sb) {
  bool changed = false;
  LONG style = GetWindowLongW(hWnd, GWL_STYLE);
  for (int bar : {SB_HORZ, SB_VERT}) {
    if (!(style & (bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL))) continue;
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    if (!GetScrollInfo(hWnd, bar, &si)) continue;
    SCROLLINFO& cached = InfoOf(sb, bar);
    if (si.nMin != cached.nMin || si.nMax != cached.nMax || si.nPage != cached.nPage || si.nPos != cached.nPos) {
      changed = true;
    }
    cached = si;
  }
  return changed;
}

POINT WindowPoint(HWND hWnd, POINT screen) {
  RECT wr;
  GetWindowRect(hWnd, &wr);
  return POINT{screen.x - wr.left, screen.y - wr.top};
}

void Scroll(HWND hWnd, SkinSB* sb, int bar, int code, int pos) {
  UINT msg = bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
  SendMessageW(hWnd, msg, MAKEWPARAM(code, pos), 0);
  if (code != SB_THUMBTRACK && code != SB_THUMBPOSITION) return;
  if (sb->richEdit) return;
  // Controls that read the thumb position from the scroll bar itself are stepped there.
  for (int i = 0; i < 4096 && IsWindow(hWnd); ++i) {
    int current = GetScrollPos(hWnd, bar);
    if (current == pos) break;
    SendMessageW(hWnd, msg, MAKEWPARAM(current < pos ? SB_LINEDOWN : SB_LINEUP, 0), 0);
    if (GetScrollPos(hWnd, bar) == current) break;
  }
}

void Step(HWND hWnd, SkinSB* sb) {
  int code = sb->trackPart == PART_ARROW1 ? SB_LINEUP
             : sb->trackPart == PART_ARROW2 ? SB_LINEDOWN
             : sb->trackPart == PART_PAGE1 ? SB_PAGEUP : SB_PAGEDOWN;
  Scroll(hWnd, sb, sb->trackBar, code, 0);
}

// Auto-repeat while the button is held over the part that was pressed.
void Repeat(HWND hWnd, SkinSB* sb) {
  Layout l = MakeLayout(hWnd, sb, sb->trackBar);
  POINT pt;
  GetCursorPos(&pt);
  if (HitPart(l, WindowPoint(hWnd, pt)) == sb->trackPart) Step(hWnd, sb);
}

void EndTrack(HWND hWnd, SkinSB* sb, bool release) {
  if (sb->trackBar < 0) return;
  int bar = sb->trackBar;
  Part part = sb->trackPart;
  int pos = sb->dragPos;
  sb->trackBar = -1;
  sb->trackPart = PART_NONE;
  KillTimer(hWnd, kRepeatTimer);
  if (release && GetCapture() == hWnd) ReleaseCapture();
  if (part == PART_THUMB) Scroll(hWnd, sb, bar, SB_THUMBPOSITION, pos);
  SendMessageW(hWnd, bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), 0);
  RefreshInfo(hWnd, sb);
  DrawBars(hWnd, sb);
}

void StartTrack(HWND hWnd, SkinSB* sb, int bar, POINT screen) {
  RefreshInfo(hWnd, sb);
  Layout l = MakeLayout(hWnd, sb, bar);
  POINT pt = WindowPoint(hWnd, screen);
  Part part = HitPart(l, pt);
  if (part == PART_NONE) return;
  sb->trackBar = bar;
  sb->trackPart = part;
  sb->repeatStarted = FALSE;
  SetCapture(hWnd);
  if (part == PART_THUMB) {
    int at = l.vertical ? pt.y : pt.x;
    sb->dragOffset = at - (l.vertical ? l.thumb.top : l.thumb.left);
    sb->dragPos = InfoOf(sb, bar).nPos;
    Scroll(hWnd, sb, bar, SB_THUMBTRACK, sb->dragPos);
  } else {
    Step(hWnd, sb);
    SetTimer(hWnd, kRepeatTimer, 400, nullptr);
  }
  RefreshInfo(hWnd, sb);
  DrawBars(hWnd, sb);
}

void DragTo(HWND hWnd, SkinSB* sb, POINT screen) {
  int bar = sb->trackBar;
  Layout l = MakeLayout(hWnd, sb, bar);
  if (!l.hasThumb) return;
  POINT pt = WindowPoint(hWnd, screen);
  int at = (l.vertical ? pt.y : pt.x) - sb->dragOffset - l.trackStart;
  int room = l.trackLength - l.thumbLength;
  if (at < 0) at = 0;
  if (at > room) at = room;
  int pos = room > 0 ? l.minPos + static_cast<int>(static_cast<long long>(at) * (l.maxPos - l.minPos) / room)
                     : l.minPos;
  if (pos == sb->dragPos) return;
  sb->dragPos = pos;
  Scroll(hWnd, sb, bar, SB_THUMBTRACK, pos);
  RefreshInfo(hWnd, sb);
  DrawBars(hWnd, sb);
}

void UpdateHot(HWND hWnd, SkinSB* sb, POINT screen) {
  POINT pt = WindowPoint(hWnd, screen);
  int bar = -1;
  Part part = PART_NONE;
  for (int b : {SB_VERT, SB_HORZ}) {
    Part p = HitPart(MakeLayout(hWnd, sb, b), pt);
    if (p != PART_NONE) {
      bar = b;
      part = p;
    }
  }
  if (bar != sb->hotBar || part != sb->hotPart) {
    sb->hotBar = bar;
    sb->hotPart = part;
    DrawBars(hWnd, sb);
  }
}

int RemoveSkin(HWND hWnd, bool destroying);

LRESULT CALLBACK SkinSBProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* sb = static_cast<SkinSB*>(GetPropW(hWnd, kProp));
  if (sb == nullptr) {
    auto it = Bypassed().find(hWnd);
    if (it == Bypassed().end()) return DefWindowProcW(hWnd, message, wParam, lParam);
    WNDPROC old = it->second;
    if (message == WM_NCDESTROY) Bypassed().erase(it);
    return CallWindowProcW(old, hWnd, message, wParam, lParam);
  }
  WNDPROC old = sb->oldProc;
  switch (message) {
    case WM_NCDESTROY:
      RemoveSkin(hWnd, true);
      return CallWindowProcW(old, hWnd, message, wParam, lParam);
    case WM_NCPAINT: {
      LRESULT r = CallWindowProcW(old, hWnd, message, wParam, lParam);
      RefreshInfo(hWnd, sb);
      DrawBars(hWnd, sb);
      return r;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      if (wParam == HTVSCROLL || wParam == HTHSCROLL) {
        POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        StartTrack(hWnd, sb, wParam == HTVSCROLL ? SB_VERT : SB_HORZ, pt);
        return 0;
      }
      break;
    case WM_NCMOUSEMOVE: {
      POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      if (!sb->ncTracking) {
        TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE | TME_NONCLIENT, hWnd, 0};
        sb->ncTracking = TrackMouseEvent(&tme);
      }
      UpdateHot(hWnd, sb, pt);
      break;
    }
    case WM_NCMOUSELEAVE:
      sb->ncTracking = FALSE;
      if (sb->hotBar >= 0) {
        sb->hotBar = -1;
        sb->hotPart = PART_NONE;
        DrawBars(hWnd, sb);
      }
      break;
    case WM_MOUSEMOVE:
      if (sb->trackBar >= 0) {
        if (sb->trackPart == PART_THUMB) {
          POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
          ClientToScreen(hWnd, &pt);
          DragTo(hWnd, sb, pt);
        }
        return 0;
      }
      break;
    case WM_LBUTTONUP:
      if (sb->trackBar >= 0) {
        EndTrack(hWnd, sb, true);
        return 0;
      }
      break;
    case WM_CAPTURECHANGED:
      if (sb->trackBar >= 0 && reinterpret_cast<HWND>(lParam) != hWnd) EndTrack(hWnd, sb, false);
      break;
    case WM_TIMER:
      if (wParam == kRepeatTimer) {
        if (sb->trackBar >= 0) {
          if (!sb->repeatStarted) {
            sb->repeatStarted = TRUE;
            SetTimer(hWnd, kRepeatTimer, 50, nullptr);
          }
          Repeat(hWnd, sb);
          RefreshInfo(hWnd, sb);
          DrawBars(hWnd, sb);
        } else {
          KillTimer(hWnd, kRepeatTimer);
        }
        return 0;
      }
      break;
    default:
      break;
  }
  LRESULT r = CallWindowProcW(old, hWnd, message, wParam, lParam);
  // The system draws the standard bars whenever their values change; draw over them.
  if (GetPropW(hWnd, kProp) == sb) {
    bool changed = RefreshInfo(hWnd, sb);
    switch (message) {
      case WM_SIZE:
      case WM_WINDOWPOSCHANGED:
      case WM_STYLECHANGED:
      case WM_NCACTIVATE:
      case WM_ENABLE:
      case WM_SETFOCUS:
      case WM_KILLFOCUS:
        changed = true;
        break;
      default:
        break;
    }
    if (changed) DrawBars(hWnd, sb);
  }
  return r;
}

}  // namespace

namespace veneer {

int SetScrollSkin(HWND hWnd, HBITMAP hBitmap) {
  if (hWnd == nullptr || !IsWindow(hWnd)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (GetPropW(hWnd, kProp) != nullptr) return 0;
  auto* sb = new (std::nothrow) SkinSB();
  if (sb == nullptr) return 0;
  sb->horz.cbSize = sb->vert.cbSize = sizeof(SCROLLINFO);
  LONG style = GetWindowLongW(hWnd, GWL_STYLE);
  if (style & WS_HSCROLL) {
    sb->horz.fMask = SIF_ALL;
    GetScrollInfo(hWnd, SB_HORZ, &sb->horz);
  }
  if (style & WS_VSCROLL) {
    sb->vert.fMask = SIF_ALL;
    GetScrollInfo(hWnd, SB_VERT, &sb->vert);
  }
  sb->leftScrollBar = (GetWindowLongW(hWnd, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) != 0;
  sb->bitmap = hBitmap;
  sb->trackBar = -1;
  sb->hotBar = -1;
  wchar_t cls[64] = {};
  GetClassNameW(hWnd, cls, 64);
  sb->richEdit = lstrcmpiW(cls, L"RichEdit20A") == 0 || lstrcmpiW(cls, L"RichEdit20W") == 0;
  sb->oldProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hWnd, GWLP_WNDPROC));
  if (!SetPropW(hWnd, kProp, sb)) {
    delete sb;
    return 0;
  }
  SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SkinSBProc));
  SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return 1;
}

int RemoveScrollSkin(HWND hWnd) { return RemoveSkin(hWnd, false); }

bool HasScrollSkin(HWND hWnd) { return GetPropW(hWnd, kProp) != nullptr; }

}  // namespace veneer

namespace {

int RemoveSkin(HWND hWnd, bool destroying) {
  auto* sb = static_cast<SkinSB*>(GetPropW(hWnd, kProp));
  if (sb == nullptr) return 0;
  if (sb->trackBar >= 0) {
    KillTimer(hWnd, kRepeatTimer);
    if (GetCapture() == hWnd) ReleaseCapture();
  }
  if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hWnd, GWLP_WNDPROC)) == SkinSBProc) {
    SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(sb->oldProc));
  } else if (!destroying) {
    Bypassed()[hWnd] = sb->oldProc;  // someone hooked in later; keep passing through
  }
  RemovePropW(hWnd, kProp);
  if (destroying) {
    delete sb;
    return 1;
  }
  LONG style = GetWindowLongW(hWnd, GWL_STYLE);
  if (style & WS_HSCROLL) {
    sb->horz.fMask = SIF_ALL;
    SetScrollInfo(hWnd, SB_HORZ, &sb->horz, FALSE);
  }
  if (style & WS_VSCROLL) {
    sb->vert.fMask = SIF_ALL;
    SetScrollInfo(hWnd, SB_VERT, &sb->vert, FALSE);
  }
  delete sb;
  SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return 1;
}

}  // namespace

// A small window-object layer in place of an application framework: an object attached to
// an existing window by subclassing, with the messages its parent receives about it
// (owner drawing, colours, notifications, scrolling) reflected back to it.
#pragma once

#include <windows.h>

#include "VeneerExport.h"

// Sent by skinned controls to their parent: wParam points at a VENEER_PARENTBKGND, lParam 0.
// The parent paints its own background for that rectangle (control client coordinates)
// into hDC and answers 1; 0 when it does not.
#define WM_VENEER_PARENTBACKGROUND 0x14E5

struct VENEER_PARENTBKGND {
  HWND hWnd;
  HDC hDC;
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

class VENEER_API CSubclassWnd {
 public:
  CSubclassWnd();
  virtual ~CSubclassWnd();
  CSubclassWnd(const CSubclassWnd&) = delete;
  CSubclassWnd& operator=(const CSubclassWnd&) = delete;

  // Attaches to `hWnd` and hooks its parent for reflected messages. False when the window is
  // not valid or already carries an object.
  BOOL SubclassWindow(HWND hWnd);
  // Detaches and returns the window; null when not attached.
  HWND UnsubclassWindow();
  HWND GetSafeHwnd() const { return m_hWnd; }

  // The object attached to a window, or null.
  static CSubclassWnd* FromHandlePermanent(HWND hWnd);
  // Deletes the object, or, while one of its window's messages is still being handled (for
  // instance when a parent's click handler removes the skin), as soon as that message is done.
  static void DeleteWhenIdle(CSubclassWnd* object);

 protected:
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Passes the message being handled on to the window's previous procedure.
  LRESULT Default();
  // Sends another message straight to the previous procedure (only while handling one).
  LRESULT DefaultFor(UINT message, WPARAM wParam, LPARAM lParam);
  // A message the parent received about this window; TRUE with *result to answer it,
  // FALSE to let the parent handle it as usual.
  virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // The window is being destroyed; the object is already detached.
  virtual void OnFinalDetach() {}

  HWND m_hWnd;

 private:
  static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  static LRESULT CALLBACK ReflectProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  static void HookParent(HWND parent);
  static void UnhookParent(HWND parent);

  HWND m_hParent;
  int m_nBusy;
  bool m_bDeleteLater;
  UINT m_msg;
  WPARAM m_wParam;
  LPARAM m_lParam;
};

// Answers WM_VENEER_PARENTBACKGROUND for a window `host` whose background is `background`
// (drawn at the client origin) or, without one, its own client area. Returns the answer.
VENEER_API LRESULT VeneerAnswerParentBackground(HWND host, WPARAM wParam, HBITMAP background);

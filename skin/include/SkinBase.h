// CSkinBase: what every skin object has: the font its text is drawn with (owned) and the
// request to its parent for the background behind it.
#pragma once

#include <windows.h>

#include <string>

#include "SkinRecords.h"
#include "VeneerExport.h"
#include "VeneerWnd.h"

class VENEER_API CSkinBase : public CSubclassWnd {
 public:
  CSkinBase();
  ~CSkinBase() override;

  // Copies the named variant's parameters (the default record when not found), prepares
  // the pictures and subclasses the window.
  virtual BOOL SkinAttach(HWND hWnd, const std::wstring& name, bool bResize) = 0;
  // Gives the window its own look back.
  virtual void SkinDetach();

  HFONT GetSkinFont() const { return m_hFont; }

  // Skin folder + "\" + name.
  static std::wstring SkinFile(const std::wstring& name);

 protected:
  // From the record's font entry, or a 12-pixel "宋体" without one.
  void CreateSkinFont(const tagSKINFONTINFO* font);
  // Asks the parent to paint its background for `rc` (client coordinates) into `dc`;
  // without an answer the parent's erase brush is used.
  BOOL DrawParentBackground(HDC dc, const RECT& rc);

  // Answers the paint messages of a control that draws itself whole through `paint(dc)`
  // (no background erase); true when `message` was one of them.
  template <typename PaintFn>
  bool HandlePaintMessage(UINT message, WPARAM wParam, PaintFn paint, LRESULT* result) {
    switch (message) {
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(m_hWnd, &ps);
        paint(dc);
        EndPaint(m_hWnd, &ps);
        *result = 0;
        return true;
      }
      case WM_PRINTCLIENT:
        paint(reinterpret_cast<HDC>(wParam));
        *result = 0;
        return true;
      case WM_ERASEBKGND:
        *result = 1;
        return true;
      default:
        return false;
    }
  }

  HFONT m_hFont;
};

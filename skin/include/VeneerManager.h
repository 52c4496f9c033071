// CVeneerManager: gives existing standard controls the look of the installed skin by
// attaching a skin object of the control's kind, and removes it again.
#pragma once

#include <windows.h>

#include <string>

#include "VeneerExport.h"
#include "VeneerWnd.h"

enum VENEER_SKIN_KIND {
  VENEER_SKIN_NONE = 0,
  VENEER_SKIN_BUTTON,
  VENEER_SKIN_RADIOCHECK,
  VENEER_SKIN_EDIT,
  VENEER_SKIN_COMBOBOX,
  VENEER_SKIN_PROGRESS,
  VENEER_SKIN_LISTCTRL,
  VENEER_SKIN_SLIDER,
};

class VENEER_API CVeneerManager {
 public:
  static CVeneerManager* GetInstance();
  static void DestroyInstance();

  // Skins one control with the named variant (the kind's default when not found); windows
  // of other classes are left alone. Always 1.
  int SubclassControl(HWND hWnd, const std::wstring& name, bool bResize);
  // 1 when the window was skinned and is no longer, 0 otherwise.
  int UnSubclassControl(HWND hWnd);
  // Every direct child, default variants, no resizing. 0 when `hParent` is no window.
  int SubclassControls(HWND hParent);
  // Skinned scroll bars drawn from `hBitmap` (not owned). 0 when `hWnd` is no window or
  // already has them.
  int SetScrollSkin(HWND hWnd, HBITMAP hBitmap);
  int RemoveScrollSkin(HWND hWnd);

  // Which map holds the window; how many skin objects are registered.
  VENEER_SKIN_KIND GetSkinKind(HWND hWnd) const;
  int GetSkinCount() const;

 private:
  CVeneerManager();
  ~CVeneerManager();
  CVeneerManager(const CVeneerManager&) = delete;
  CVeneerManager& operator=(const CVeneerManager&) = delete;

  struct Impl;
  Impl* m_pImpl;
  static CVeneerManager* s_pInstance;
};
